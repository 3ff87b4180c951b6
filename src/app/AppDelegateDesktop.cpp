// The monitor where a person meets it: alerts that leave the keyboard alone, a settings window that
// fits small screens, Escape closing windows, the tray's tool tip and its image while monitoring is off,
// and what is shown when the desktop cannot open the log or a web address.
#include "AppControls.h"
#include "AppDelegate.h"

#include "ui_AboutWindow.h"
#include "ui_AlertWindow.h"
#include "ui_SettingsWindow.h"

#include "Clock.h"
#include "Format.h"
#include "Mac_objects.h"
#include "Platform.h"
#include "Trace.h"
#include "Workspace.h"

#include <QFile>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSystemTrayIcon>

using namespace app_controls;

namespace {

// The log window keeps at most this many lines: the newest, as the log grows at its end.
const int LogWindowLines = 20000;

QString timeText(const QDateTime& moment)
{
    return moment.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

// ---- Windows ----

void AppDelegate::arrangeWindows()
{
    // The slider's label is as wide as its widest text, so that the controls beside it stay put
    // while the value changes.
    QLabel* label = ui().txtSlider;
    label->setMinimumWidth(QFontMetrics(label->font()).horizontalAdvance(format("chk every: %d secs", 120)) + 4);

    // Focus that shows: a read-only view draws no cursor, so a frame in the highlight colour marks it;
    // a default button looks focused all the time (and only dialogs have default buttons anyway).
    ui().latestView->setStyleSheet(s("QPlainTextEdit:focus { border: 2px solid palette(highlight); }"));
    m_alertUi->btnAlertOK->setDefault(false);

    // Escape closes a window as its close button does, so closing by key saves the settings too.
    for (QWidget* window : {m_windowSettings, m_windowAlert, m_windowAbout}) {
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), window);
        connect(escape, &QShortcut::activated, window, [window] { window->close(); });
    }

    m_aboutUi->aboutText->setText(m_aboutUi->aboutText->text() + format("\n\nVersion %@", s(CARROWEN_VERSION)));
}

void AppDelegate::showWindowWithoutFocus(QWidget* window)
{
    if (window->isVisible()) {
        window->raise();
        return;
    }
    if (!window->testAttribute(Qt::WA_Resized)) {
        window->adjustSize();
    }
    m_obj->windowPositionAnimated(window, 6, false);
    // Above normal windows before it is mapped, so that no second mapping is needed for it.
    m_obj->windowKeepAbove(window, true);
    window->setAttribute(Qt::WA_ShowWithoutActivating, true);
    window->show();
    window->raise();
}

// ---- The tray ----

void AppDelegate::noteProbeAnswer(bool reachable)
{
    const QDateTime now = Clock::current().now();
    if (!m_answered || reachable != m_internetPrevious) {
        m_stateSince = now;
    }
    m_answered = true;
    m_lastCheck = now;
    updateToolTip();
}

void AppDelegate::showMonitoringOff()
{
    setStatusImage(s("checkOff.png"));
    updateToolTip();
}

void AppDelegate::updateToolTip()
{
    QString text;
    if (stateOf(ui().checkingEnabled) == 0) {
        text = s("Carrowen: monitoring is off");
    } else if (!m_answered) {
        text = s("Carrowen: not checked yet");
    } else {
        text = format("Carrowen: the Internet is %@ since %@\nLast check %@ (%@)",
                      m_internetOK ? s("reachable") : s("not reachable"), timeText(m_stateSince), timeText(m_lastCheck),
                      ui().txtUrl->text());
    }
    if (m_statusBar->toolTip() != text) {
        m_statusBar->setToolTip(text);
    }
}

// ---- When the desktop cannot open something ----

void AppDelegate::openLogOrShowIt(const QString& path)
{
    Platform::workspace()->openReporting(path, this, [this, path](bool opened) {
        if (!opened) {
            showLogWindow(path);
        }
    });
}

void AppDelegate::openAddressOrShowIt(const QString& url)
{
    Platform::workspace()->openReporting(url, this, [this, url](bool opened) {
        if (opened) {
            return;
        }
        auto* message = new QMessageBox(QMessageBox::Information, s("Carrowen"),
                                        format("No web browser could be opened. The address is:\n\n%@", url),
                                        QMessageBox::Close, m_windowSettings->isVisible() ? m_windowSettings : nullptr);
        message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        message->setAttribute(Qt::WA_DeleteOnClose);
        message->setWindowModality(Qt::NonModal);
        message->show();
    });
}

void AppDelegate::showLogWindow(const QString& path)
{
    if (!m_windowLog) {
        m_windowLog = new QPlainTextEdit;
        m_windowLog->setWindowTitle(s("Carrowen log"));
        m_windowLog->setReadOnly(true);
        m_windowLog->setLineWrapMode(QPlainTextEdit::NoWrap);
        m_windowLog->setMaximumBlockCount(LogWindowLines);
        m_windowLog->resize(640, 400);
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), m_windowLog);
        connect(escape, &QShortcut::activated, m_windowLog, [this] { m_windowLog->close(); });
    }
    QFile file(path);
    QString text;
    if (file.open(QIODevice::ReadOnly)) {
        text = QString::fromLatin1(file.readAll());
    }
    // The log ends with a line break; the view's last line is the log's last entry.
    if (text.endsWith(QLatin1Char('\n'))) {
        text.chop(1);
    }
    m_windowLog->setPlainText(text);
    m_windowLog->moveCursor(QTextCursor::End);
    showWindow(m_windowLog);
}

// Each entry written while the log window exists is added at its end, so that it follows the log.
void AppDelegate::followLog(const QString& line)
{
    QString entry = line;
    if (entry.endsWith(QLatin1Char('\n'))) {
        entry.chop(1);
    }
    m_windowLog->appendPlainText(entry);
}
