// Alarms a user can trust: thresholds before a change is announced, quiet after a resume, checks
// brought forward by network changes, desktop notifications, and the options that set them.
#include "AppControls.h"
#include "AppDelegate.h"

#include "ui_AlarmOptions.h"
#include "ui_AlertWindow.h"
#include "ui_SettingsWindow.h"

#include "Clock.h"
#include "DesktopNotifications.h"
#include "FS.h"
#include "Platform.h"
#include "SystemEvents.h"
#include "Trace.h"

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QSpinBox>

using namespace app_controls;

// The options are a group of their own in the settings window, in a column beside the others so that
// the window grows in width, not height.
void AppDelegate::setupAlarms()
{
    m_alarmOptions = new QGroupBox;
    m_alarmUi = std::make_unique<Ui::AlarmOptions>();
    m_alarmUi->setupUi(static_cast<QGroupBox*>(m_alarmOptions));
    if (auto* grid = qobject_cast<QGridLayout*>(m_windowSettings->layout())) {
        grid->addWidget(m_alarmOptions, 0, grid->columnCount(), 3, 1, Qt::AlignTop);
    } else {
        m_windowSettings->layout()->addWidget(m_alarmOptions);
    }
    connect(m_alarmUi->instantDetection, &QCheckBox::toggled, this, [this](bool on) {
        if (m_watchingNetwork != on) {
            m_watchingNetwork = Platform::systemEvents()->watchNetwork(on) && on;
        }
    });
}

AppOptions AppDelegate::options() const
{
    AppOptions o;
    o.downAfter = m_alarmUi->downAfter->value();
    o.upAfter = m_alarmUi->upAfter->value();
    o.showUnsure = m_alarmUi->showUnsure->isChecked();
    o.sleepGrace = m_alarmUi->sleepGrace->value();
    o.instantDetection = m_alarmUi->instantDetection->isChecked();
    o.notifyUp = m_alarmUi->notifyUp->isChecked();
    o.notifyDown = m_alarmUi->notifyDown->isChecked();
    return o;
}

void AppDelegate::setOptions(const AppOptions& o)
{
    m_alarmUi->downAfter->setValue(o.downAfter);
    m_alarmUi->upAfter->setValue(o.upAfter);
    m_alarmUi->showUnsure->setChecked(o.showUnsure);
    m_alarmUi->sleepGrace->setValue(o.sleepGrace);
    m_alarmUi->instantDetection->setChecked(o.instantDetection);
    m_alarmUi->notifyUp->setChecked(o.notifyUp);
    m_alarmUi->notifyDown->setChecked(o.notifyDown);
}

void AppDelegate::loadOptions()
{
    setOptions(enterApplicationDirectory() ? AppOptions::load(m_fs->getPathToItem(AppOptions::fileName()))
                                           : AppOptions());
}

// A user who never changed an option gets no file: the application directory stays as it was.
void AppDelegate::saveOptions()
{
    if (!enterApplicationDirectory()) {
        return;
    }
    const QString path = m_fs->getPathToItem(AppOptions::fileName());
    const AppOptions current = options();
    if ((current != AppOptions() || QFile::exists(path)) && !current.save(path)) {
        TRACE("%@ could not be written", AppOptions::fileName());
    }
}

void AppDelegate::startAlarms()
{
    loadOptions();
    SystemEvents* events = Platform::systemEvents().get();
    connect(events, &SystemEvents::sleepChanged, this, [this](bool sleeping) { sleepChanged(sleeping); });
    connect(events, &SystemEvents::networkChanged, this,
            [this] { m_checkSoon = m_alarmUi->instantDetection->isChecked(); });
    events->watchSleep();
}

void AppDelegate::stopAlarms()
{
    if (m_watchingNetwork) {
        Platform::systemEvents()->watchNetwork(false);
        m_watchingNetwork = false;
    }
}

// ---- Thresholds and reasons ----

// internetOK follows the answers only once the threshold of the new state is met: N failed answers in
// a row for "down", M good ones for "up". An answer agreeing with internetOK ends a pending change.
void AppDelegate::acceptProbeAnswer(bool reachable, const QString& reason)
{
    if (!reachable) {
        // The first failure after a success starts a new run; a trace names each new reason in it.
        const bool newRun = m_failureReason.isEmpty();
        if (newRun) {
            m_firstFailureReason = reason;
        }
        if (reason != m_failureReason) {
            TRACE("check of %@ failed: %@", ui().txtUrl->text(), reason);
        }
        m_failureReason = reason;
    } else {
        m_failureReason.clear();
    }
    if (reachable == m_internetOK) {
        m_pendingChecks = 0;
        return;
    }
    const AppOptions o = options();
    if (++m_pendingChecks >= (reachable ? o.upAfter : o.downAfter)) {
        m_internetOK = reachable;
        m_pendingChecks = 0;
    }
}

// ---- Sleep grace ----

bool AppDelegate::inSleepGrace() const
{
    return m_alarmUi->sleepGrace->value() > 0 && (m_sleeping || Clock::current().monotonic() < m_graceUntil);
}

// A "down" found during the grace is not announced, nor taken as the state announced last: when the
// grace ends the next run sees the change and announces the state as it is then.
bool AppDelegate::holdsAnnouncement() const
{
    return !m_internetOK && inSleepGrace();
}

void AppDelegate::sleepChanged(bool sleeping)
{
    m_sleeping = sleeping;
    if (!sleeping) {
        m_graceUntil = Clock::current().monotonic() + m_alarmUi->sleepGrace->value();
        m_graceCheckPending = true;
        m_checkSoon = true; // the state after the resume, not the one from before the suspend
    }
    TRACE("%@", sleeping ? QStringLiteral("suspending") : QStringLiteral("resumed"));
}

// ---- Checks brought forward ----

// One extra probe at the next tick after a network change, and one when a grace has just ended,
// however many changes came meanwhile.
bool AppDelegate::extraCheckDue() const
{
    return m_checkSoon || (m_graceCheckPending && !inSleepGrace());
}

void AppDelegate::extraCheckStarted()
{
    m_checkSoon = false;
    if (!inSleepGrace()) {
        m_graceCheckPending = false;
    }
}

// A probe between check ticks: it may announce a change of state, never a repeat, so the repeat
// intervals and the period keep their rhythm.
void AppDelegate::extraCheck()
{
    const QString host = ui().txtUrl->text();
    if (m_probing.contains(host)) {
        return;
    }
    extraCheckStarted();
    probeHost(host, [this](bool reachable) {
        acceptProbeAnswer(reachable, m_answerReason);
        noteProbeAnswer(reachable);
        finishInternetUrlCheck(m_tick / 12, 0, 0); // no interval is due at 0
    });
}

// ---- Alerts and notifications ----

void AppDelegate::showAlertText(const QString& text)
{
    m_alertUi->txtAlert->setText(text);
    showWindowWithoutFocus(m_windowAlert);
}

// With its notification switch on, a state is announced as a desktop notification, which takes no
// keyboard focus, instead of the alert window. The window still comes when no server takes it.
void AppDelegate::announceAlert(bool up, const QString& sentence)
{
    const bool alert = isOn(up ? ui().checkOKAlert : ui().checkFailAlert);
    const QString alertText = (up ? ui().txtNetOkAlert : ui().txtNetFailAlert)->text();
    if (!(up ? m_alarmUi->notifyUp : m_alarmUi->notifyDown)->isChecked()) {
        if (alert) {
            showAlertText(alertText);
        }
        return;
    }
    const QString body = sentence.isEmpty() ? alertText : sentence;
    Platform::notifications()->notify(QStringLiteral("Carrowen"), body, this, [this, alert, alertText](bool shown) {
        if (shown) {
            return;
        }
        if (!m_notifyFailureTraced) {
            m_notifyFailureTraced = true;
            TRACE("no desktop notification server answered: alerts use the alert window");
        }
        if (alert) {
            showAlertText(alertText);
        }
    });
}
