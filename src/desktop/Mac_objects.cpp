#include "Mac_objects.h"

#include "Numbers.h"

#include "LibMath.h"
#include "Strings.h"
#include "Trace.h"

#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace {

constexpr int AnimationMilliseconds = 200;

// The virtual desktop in Qt coordinates; empty without screens.
QRectF virtualDesktop()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? QRectF(primary->virtualGeometry()) : QRectF();
}

// Shows a flag change on a window: Qt hides a window whose flags change, so a visible one is shown again.
void setFlagsKeepingVisible(QWidget* window, Qt::WindowFlags flags)
{
    const bool visible = window->isVisible();
    window->setWindowFlags(flags);
    if (visible) {
        window->show();
    }
}

} // namespace

Mac_objects::Mac_objects() : m_st(Strings::sharedEngineInstance()), m_math(LibMath::sharedEngineInstance()) {}

Mac_objects::~Mac_objects() = default;

// A finite float or 0.
double Mac_objects::finiteOrZero(double v)
{
    return std::isfinite(v) ? v : 0.0;
}

// ---- Geometry ----

QRectF Mac_objects::toQtRect(const QRectF& libraryRect, const QRectF& desktop)
{
    const double bottom = desktop.y() + desktop.height();
    return {libraryRect.x(), bottom - (libraryRect.y() + libraryRect.height()), libraryRect.width(),
            libraryRect.height()};
}

QRectF Mac_objects::fromQtRect(const QRectF& qtRect, const QRectF& desktop)
{
    // The flip is its own inverse.
    return toQtRect(qtRect, desktop);
}

std::optional<QPointF> Mac_objects::placementOrigin(const QRectF& screen, const QSizeF& window, int position)
{
    const double sw = screen.width();
    const double sh = screen.height();
    const double ww = window.width();
    const double wh = window.height();
    // Share of the free width and height left of and below the window, per position code: left, right,
    // centre by middle, top, bottom.
    static constexpr std::array<std::pair<double, double>, 9> shares = {
        {{0.0, 0.5}, {0.0, 1.0}, {0.0, 0.0}, {1.0, 0.5}, {1.0, 1.0}, {1.0, 0.0}, {0.5, 0.5}, {0.5, 1.0}, {0.5, 0.0}}};
    if (position < 0 || position >= int(shares.size())) {
        return std::nullopt;
    }
    const double dx = (sw - ww) * shares[std::size_t(position)].first;
    const double dy = (sh - wh) * shares[std::size_t(position)].second;
    return QPointF(double(float(screen.x() + dx)), double(truncatedInt(screen.y() + dy)));
}

std::optional<QSizeF> Mac_objects::resizedSize(const QSizeF& size, int sizeCode)
{
    const double w = size.width();
    const double h = size.height();
    switch (sizeCode) {
    case 0:
        return QSizeF(w * 0.5, h * 0.5);
    case 1:
        return QSizeF(w * 0.5, h);
    case 2:
        return QSizeF(w, h * 0.5);
    case 3:
        return QSizeF(w / 3.0, h / 3.0);
    case 4:
        return QSizeF(w / 3.0, h);
    case 5:
        return QSizeF(w, h / 3.0);
    case 6:
        return QSizeF(w * 0.25, h * 0.25);
    case 7:
        return QSizeF(w * 0.25, h);
    case 8:
        return QSizeF(w, h * 0.25);
    case 9:
        return QSizeF(w, h);
    default:
        return std::nullopt;
    }
}

QRectF Mac_objects::viewFrame(const QWidget* view) const
{
    if (!view) {
        return {};
    }
    if (view->isWindow()) {
        return fromQtRect(QRectF(view->geometry()), virtualDesktop());
    }
    const double parentHeight = view->parentWidget() ? view->parentWidget()->height() : 0.0;
    const QRect g = view->geometry();
    return {double(g.x()), parentHeight - (g.y() + g.height()), double(g.width()), double(g.height())};
}

void Mac_objects::setViewFrame(QWidget* view, const QRectF& rect)
{
    if (!view) {
        return;
    }
    const QRectF r(finiteOrZero(rect.x()), finiteOrZero(rect.y()), std::max(0.0, finiteOrZero(rect.width())),
                   std::max(0.0, finiteOrZero(rect.height())));
    if (view->isWindow()) {
        view->setGeometry(toQtRect(r, virtualDesktop()).toRect());
        return;
    }
    const double parentHeight = view->parentWidget() ? view->parentWidget()->height() : 0.0;
    view->setGeometry(QRectF(r.x(), parentHeight - (r.y() + r.height()), r.width(), r.height()).toRect());
}

// ---- Window placement and size ----

bool Mac_objects::windowPositionAnimated(QWidget* window, int position, bool animated)
{
    return windowPositionScreenNumberAnimated(window, position, getActiveScreenNumber(), animated);
}

bool Mac_objects::windowPositionScreenNumberAnimated(QWidget* window, int position, int screenNumber, bool animated)
{
    const QRectF screen = getScrnDimensionsFromScreen(screenNumber);
    if (screen.height() == 0.0) {
        return false;
    }
    const QRectF frame = windowGetFrame(window);
    const std::optional<QPointF> origin = placementOrigin(screen, frame.size(), position);
    if (!origin) {
        TRACE("Velbor: DON'T KNOW:%d", position);
        return false;
    }
    // No window: there is nothing to move, and the placement still answers YES.
    windowPosXPosYAnimated(window, float(origin->x()), int(origin->y()), animated);
    return true;
}

bool Mac_objects::windowPositionNextWindowAnimated(QWidget* window, int position, int step, bool animated)
{
    const int count = getNumberOfScreens();
    if (count < 1) {
        return false;
    }
    const int next = m_math->cycleIntMinMaxStep(getActiveScreenNumber(), 0, count - 1, step);
    return windowPositionScreenNumberAnimated(window, position, next, animated);
}

void Mac_objects::windowPosXPosYAnimated(QWidget* window, float x, int y, bool animated)
{
    if (!window) {
        return;
    }
    window = window->window();
    const QRectF frame = windowGetFrame(window);
    const QRectF target(finiteOrZero(x), y, frame.width(), frame.height());
    const QPoint topLeft = toQtRect(target, virtualDesktop()).topLeft().toPoint();
    if (animated && window->isVisible()) {
        auto* animation = new QPropertyAnimation(window, "pos", window);
        animation->setDuration(AnimationMilliseconds);
        animation->setEndValue(topLeft);
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        window->move(topLeft);
    }
    window->update();
}

void Mac_objects::windowWidthHeightAnimated(QWidget* window, float width, int height, bool animated)
{
    if (!window) {
        return;
    }
    window = window->window();
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    // The title bar and borders stay as they are; the frame's lower-left corner stays put.
    const int extraW = frame.width() - client.width();
    const int extraH = frame.height() - client.height();
    const int frameW = std::max(0, truncatedInt(std::round(finiteOrZero(width))));
    const int frameH = std::max(0, height);
    const int frameBottom = frame.y() + frame.height();
    const QRect target(client.x(), frameBottom - frameH + (client.y() - frame.y()), std::max(0, frameW - extraW),
                       std::max(0, frameH - extraH));
    if (animated && window->isVisible()) {
        auto* animation = new QPropertyAnimation(window, "geometry", window);
        animation->setDuration(AnimationMilliseconds);
        animation->setEndValue(target);
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        window->setGeometry(target);
    }
    window->update();
}

void Mac_objects::windowResizeAnimated(QWidget* window, int size, bool animated)
{
    const QRectF frame = windowGetFrame(window);
    TRACE("W:%f  H:%f", frame.width(), frame.height());
    const std::optional<QSizeF> target = resizedSize(frame.size(), size);
    if (!target) {
        TRACE("Velbor: DON'T KNOW:%d", size);
        return;
    }
    windowWidthHeightAnimated(window, float(target->width()), truncatedInt(target->height()), animated);
}

void Mac_objects::windowShow(QWidget* window, bool show)
{
    if (!window) {
        return;
    }
    window = window->window();
    if (!show) {
        window->hide();
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void Mac_objects::windowKeepAbove(QWidget* window, bool above)
{
    if (!window) {
        return;
    }
    window = window->window();
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == above) {
        return;
    }
    const Qt::WindowFlags flags = window->windowFlags().setFlag(Qt::WindowStaysOnTopHint, above);
    if (QWindow* native = window->windowHandle()) {
        // The native window takes the new level as it stands. setWindowFlags would make a new one,
        // shown again without being raised or activated, so a window just activated would lose the
        // keyboard focus.
        window->overrideWindowFlags(flags);
        native->setFlags(flags);
        return;
    }
    window->setWindowFlags(flags);
}

void Mac_objects::windowStyle(QWidget* window, int styleMask)
{
    if (!window) {
        return;
    }
    window = window->window();
    setFlagsKeepingVisible(window, Qt::WindowFlags(styleMask) | Qt::Window);
}

void Mac_objects::windowColorBrightnessAlpha(QWidget* window, const QColor& color, float brightness, float alpha)
{
    if (!window) {
        return;
    }
    window = window->window();
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, changeColorBrightness(color, brightness));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setWindowOpacity(std::clamp(std::isfinite(alpha) ? double(alpha) : 1.0, 0.0, 1.0));
}

QRectF Mac_objects::windowGetFrame(QWidget* window) const
{
    if (!window) {
        return {};
    }
    return fromQtRect(QRectF(window->window()->frameGeometry()), virtualDesktop());
}

int Mac_objects::getNumberOfScreens() const
{
    return int(QGuiApplication::screens().size());
}

QRectF Mac_objects::getScrnDimensionsFromScreen(int screenNumber) const
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screenNumber < 0 || screenNumber >= screens.size()) {
        return {};
    }
    return fromQtRect(QRectF(screens.at(screenNumber)->geometry()), virtualDesktop());
}

int Mac_objects::getActiveScreenNumber() const
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QWindow* focus = QGuiApplication::focusWindow();
    const QScreen* main = focus && focus->screen() ? focus->screen() : QGuiApplication::primaryScreen();
    if (!main) {
        return -1;
    }
    for (int i = 0; i < screens.size(); ++i) {
        if (screens.at(i)->geometry() == main->geometry()) {
            return i;
        }
    }
    return -1;
}
