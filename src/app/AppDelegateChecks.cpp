// The tick, the two checks it runs and the images of the tray icon and the lamp.
#include "AppControls.h"
#include "AppDelegate.h"

#include "ui_AlertWindow.h"
#include "ui_SettingsWindow.h"

#include "Debug.h"
#include "Format.h"
#include "Mac_media.h"
#include "OutageHistory.h"
#include "Platform.h"
#include "Reachability.h"
#include "Resources.h"
#include "Strings.h"
#include "Trace.h"

#include <QSystemTrayIcon>

#include <cstdlib>
#include <limits>

using namespace app_controls;

namespace {

const int TickLimit = 32000;
const int FlashTicks = 6;
const int CheckTicks = 12;

// S modulo period == 0, with the period's magnitude (a negative interval acts as its magnitude) and
// without overflow for the most negative integer.
bool isDue(int seconds, int period)
{
    const qint64 magnitude = std::llabs(qint64(period));
    return magnitude != 0 && qint64(seconds) % magnitude == 0;
}

} // namespace

// ---- The tick ----

void AppDelegate::gameLoop()
{
    if (stateOf(ui().checkingEnabled) == 0) {
        showMonitoringOff();
        if (m_history) {
            m_history->setPaused(true);
        }
        return;
    }
    if (m_history) {
        m_history->setPaused(false);
    }
    m_tick = m_tick < TickLimit ? m_tick + 1 : 0;
    if (m_tick % FlashTicks == 0) {
        m_toggle = !m_toggle;
        iconStep();
    }
    setLampImage(s("blackLed.png"));
    if (m_tick % CheckTicks == 0) {
        internetUrlCheck();
        otherUrlsCheck();
        const int period = qMax(1, ui().intSlider->value());
        if (m_tick % (period * CheckTicks) == 0) {
            setLampImage(m_internetOK ? s("greenLed.png") : s("redLed.png"));
        }
    } else if (extraCheckDue()) {
        extraCheck();
    }
}

void AppDelegate::iconStep()
{
    if (m_toggle) {
        const bool unsure = m_pendingChecks > 0 && options().showUnsure;
        setStatusImage(unsure ? s("checkUnsure.png") : m_internetOK ? s("checkOk.png") : s("checkFail.png"));
        return;
    }
    const QCheckBox* flashes = m_internetOK ? ui().okIconFlashes : ui().failIconFlashes;
    if (isExactlyOn(flashes)) {
        setStatusImage(s("checkBlack.png"));
    }
}

void AppDelegate::debugSystem()
{
    TRACE("internetOK:%d  tick:%d  otherUrlPointer:%d  okFired:%d  failFired:%d", int(m_internetOK), m_tick,
          m_otherUrlPointer, int(m_successFired), int(m_failFired));
}

QString AppDelegate::makeStrNumberDefaultValue(const QString& text, const QString& defaultValue) const
{
    return m_st->stringisNumber(text) ? text : defaultValue;
}

// An interval of 0 would be a zero divisor: it is treated like a non-number and shows the default.
int AppDelegate::intervalOf(QLineEdit* field, const QString& defaultValue)
{
    QString text = makeStrNumberDefaultValue(field->text(), defaultValue);
    if (m_st->NSStringToInt(text) == 0) {
        text = defaultValue;
    }
    // Setting the same text again would move the cursor of a field the user is editing.
    if (field->text() != text) {
        field->setText(text);
    }
    return m_st->NSStringToInt(text);
}

// The probe answers asynchronously: the rest of a run that probes happens when the answer arrives (at
// once with a resolver that answers at once, so on the same tick). While a host's probe is pending it
// is not probed again; a run that finds the primary host pending goes on with the last answer.
void AppDelegate::internetUrlCheck()
{
    const int seconds = m_tick / CheckTicks;
    const int intervalUp = intervalOf(ui().txtNetOKInterval, s("60"));
    const int intervalDown = intervalOf(ui().txtNetFailInterval, s("10"));

    const QString host = ui().txtUrl->text();
    if (isDue(seconds, qMax(1, ui().intSlider->value())) && !m_probing.contains(host)) {
        extraCheckStarted();
        probeHost(host, [this, seconds, intervalUp, intervalDown](bool reachable) {
            acceptProbeAnswer(reachable, m_answerReason);
            noteProbeAnswer(reachable);
            finishInternetUrlCheck(seconds, intervalUp, intervalDown);
        });
        return;
    }
    finishInternetUrlCheck(seconds, intervalUp, intervalDown);
}

void AppDelegate::probeHost(const QString& host, const std::function<void(bool)>& then)
{
    m_probing.insert(host);
    Platform::reachability()->probeDetailed(host, this, [this, host, then](Reachability::Outcome outcome) {
        m_probing.remove(host);
        m_answerReason = Reachability::describeReason(outcome.reason);
        then(outcome.reachable);
    });
}

void AppDelegate::finishInternetUrlCheck(int seconds, int intervalUp, int intervalDown)
{
    if (holdsAnnouncement()) {
        return;
    }
    m_internetStateChanged = m_internetOK != m_internetPrevious;
    m_internetPrevious = m_internetOK;

    const bool up = m_internetOK;
    const int interval = up ? intervalUp : intervalDown;
    if (!isDue(seconds, interval) && !m_internetStateChanged) {
        return;
    }
    const QCheckBox* repeats = up ? ui().checkOKRepeats : ui().checkFailRepeats;
    bool& ownFired = up ? m_successFired : m_failFired;
    bool& otherFired = up ? m_failFired : m_successFired;
    if (!isExactlyOn(repeats) && ownFired) {
        m_internetStateChanged = false;
        debugSystem();
        return;
    }
    ownFired = true;
    otherFired = false;
    if (m_history) {
        up ? m_history->outageEnded() : m_history->outageBegan(lastFailureReason());
    }

    const QString sentence = (up ? ui().txtNetOkSpk : ui().txtNetFailSpk)->text();
    if (isOn(up ? ui().checkOKSpk : ui().checkFailSpk) && !sentence.isEmpty()) {
        m_media->ttsAddToQueue(sentence);
    }
    announceAlert(up, sentence);
    if (isOn(ui().logEnabled)) {
        logChange(sentence);
    }
    if (isOn(ui().showLatest)) {
        latestChange(sentence);
    }
    m_internetStateChanged = false;
    debugSystem();
}

void AppDelegate::otherUrlsCheck()
{
    if (!isOn(ui().checkUrlsEnabled)) {
        return;
    }
    const int interval = intervalOf(ui().txtUrlsInterval, s("60"));
    if (!isDue(m_tick / CheckTicks, interval)) {
        return;
    }
    const QString text = hostList();
    if (text.isEmpty()) {
        return;
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    const int count = int(qMin<qsizetype>(lines.size(), std::numeric_limits<int>::max()));
    if (m_otherUrlPointer < 0 || m_otherUrlPointer >= count) {
        m_otherUrlPointer = 0;
    }
    // Empty lines are skipped; a list of nothing but empty lines has no host to take.
    int index = m_otherUrlPointer;
    for (int step = 0; step < count && lines.at(index).isEmpty(); ++step) {
        index = index + 1 < count ? index + 1 : 0;
    }
    if (lines.at(index).isEmpty()) {
        return;
    }
    m_otherUrlPointer = index;
    const QString host = lines.at(index);
    if (m_probing.contains(host)) {
        return; // its answer is still to come; the pointer stays until it has
    }
    probeHost(host, [this, host](bool reachable) { finishOtherUrlsCheck(host, reachable); });
}

void AppDelegate::finishOtherUrlsCheck(const QString& host, bool reachable)
{
    const QString leading = ui().txtUrlListLeading->text();
    QString result;
    if (reachable) {
        if (!isOn(ui().checkUrlListSuccess)) {
            return;
        }
        result = ui().txtUrlListSuccess->text();
    } else {
        if (!isOn(ui().checkUrlListFailed)) {
            return;
        }
        result = ui().txtUrlListFailed->text();
    }
    const QString sentence = format("%@ %@ %@", leading, host, result);
    m_media->ttsAddToQueue(sentence);
    if (isOn(ui().logEnabled)) {
        logChange(sentence);
    }
    if (isOn(ui().showLatest)) {
        latestChange(sentence);
    }
    // The list may have been edited while the answer was on its way.
    const qsizetype count = ui().txtUrlList->toPlainText().split(QLatin1Char('\n')).size();
    m_otherUrlPointer = m_otherUrlPointer + 1 < count ? m_otherUrlPointer + 1 : 0;
}

// ---- Images ----

QPixmap AppDelegate::imageNamed(const QString& name)
{
    auto found = m_images.constFind(name);
    if (found == m_images.constEnd()) {
        // A missing file gives a null image: the icon or lamp then shows none.
        found = m_images.insert(name, QPixmap(resourcePath(name)));
    }
    return *found;
}

void AppDelegate::setStatusImage(const QString& name)
{
    if (name == m_statusImageName) {
        return; // the same image again changes nothing on screen
    }
    m_statusImageName = name;
    m_statusBar->setIcon(QIcon(imageNamed(name)));
}

void AppDelegate::setLampImage(const QString& name)
{
    if (name == m_lampImageName) {
        return;
    }
    m_lampImageName = name;
    ui().checkLed->setPixmap(imageNamed(name));
}
