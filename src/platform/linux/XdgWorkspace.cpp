#include "XdgWorkspace.h"

#include "ChildProcess.h"
#include "Format.h"
#include "Trace.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPointer>
#include <QStandardPaths>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <utility>

namespace {

int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// The WM_CLASS (instance, class) of the frontmost window: the window manager's active window, or the
// window holding the input focus (and its ancestors) where no window manager sets one.
std::pair<QString, QString> frontWindowClass()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return {};
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        return {};
    }
    // The window may vanish while it is looked at; Xlib's default handler would end the process.
    XSync(display, False);
    const auto previousHandler = XSetErrorHandler(ignoreXError);
    Window window = 0;
    const Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", True);
    if (active != None) {
        Atom type = None;
        int fmt = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, DefaultRootWindow(display), active, 0, 1, False, XA_WINDOW, &type, &fmt, &count,
                               &after, &data) == Success &&
            data) {
            if (type == XA_WINDOW && fmt == 32 && count == 1) {
                window = *reinterpret_cast<Window*>(data);
            }
            XFree(data);
        }
    }
    if (window == 0) {
        int revert = 0;
        XGetInputFocus(display, &window, &revert);
        if (window == PointerRoot) {
            window = 0;
        }
    }
    std::pair<QString, QString> result;
    // Walk up from the window to the first one that carries a class (toolkits focus inner windows).
    for (int depth = 0; window != 0 && window != DefaultRootWindow(display) && depth < 16; ++depth) {
        XClassHint hint{};
        if (XGetClassHint(display, window, &hint)) {
            result = {QString::fromLocal8Bit(hint.res_name), QString::fromLocal8Bit(hint.res_class)};
            XFree(hint.res_name);
            XFree(hint.res_class);
            break;
        }
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int n = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &n)) {
            break;
        }
        if (children) {
            XFree(children);
        }
        window = parent;
    }
    XSync(display, False);
    XSetErrorHandler(previousHandler);
    XCloseDisplay(display);
    return result;
}

// A relative file name means the file in the current directory.
QString openerTarget(const QString& fileOrUrl)
{
    const QFileInfo file(fileOrUrl);
    return file.exists() ? file.absoluteFilePath() : fileOrUrl;
}

} // namespace

void XdgWorkspace::openReporting(const QString& fileOrUrl, QObject* context, std::function<void(bool opened)> done)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        TRACE("xdg-open is missing: cannot open %@", fileOrUrl);
        done(false);
        return;
    }
    // Quitting does not end an opener (or, through it, a viewer) that is still running.
    const QPointer<QObject> guard(context);
    const bool guarded = context != nullptr;
    const auto finished = [guard, guarded, done, fileOrUrl](int code) {
        if (code != 0) {
            TRACE("xdg-open could not open %@: %@", fileOrUrl, format("exit status %d", code));
        }
        if (!guarded || guard) {
            done(code == 0);
        }
    };
    if (!ChildProcess::startWatched(opener, {openerTarget(fileOrUrl)}, QCoreApplication::instance(), finished)) {
        TRACE("xdg-open could not open %@: %@", fileOrUrl, QStringLiteral("it could not be started"));
        if (!guarded || guard) {
            done(false);
        }
    }
}

bool XdgWorkspace::open(const QString& fileOrUrl)
{
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        TRACE("xdg-open is missing: cannot open %@", fileOrUrl);
        return false;
    }
    return ChildProcess::startDetached(opener, {openerTarget(fileOrUrl)});
}

QString XdgWorkspace::frontApplicationName() const
{
    const QString name = frontWindowClass().second;
    if (name.isEmpty() && qGuiApp && QGuiApplication::applicationState() == Qt::ApplicationActive) {
        return QGuiApplication::applicationDisplayName();
    }
    return name;
}

QString XdgWorkspace::frontApplicationIdentifier() const
{
    const QString id = frontWindowClass().first;
    if (id.isEmpty() && qGuiApp && QGuiApplication::applicationState() == Qt::ApplicationActive) {
        return QGuiApplication::desktopFileName().isEmpty() ? QCoreApplication::applicationName()
                                                            : QGuiApplication::desktopFileName();
    }
    return id;
}

QStringList XdgWorkspace::fontFamilies() const
{
    if (!qGuiApp) {
        return {};
    }
    QStringList families = QFontDatabase::families();
    families.sort();
    return families;
}
