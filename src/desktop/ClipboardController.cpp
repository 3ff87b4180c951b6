#include "ClipboardController.h"

#include "Debug.h"
#include "Mac_system.h"
#include "NotificationCenter.h"
#include "Strings.h"
#include "Trace.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {
constexpr int CodeC = 3;  // "c" - 96
constexpr int CodeV = 22; // "v" - 96
constexpr int CodeX = 24; // "x" - 96

// Contents as "%@" shows them: absent contents print as "(null)".
QVariant shown(const std::optional<QString>& contents)
{
    return contents ? QVariant(*contents) : QVariant();
}
} // namespace

ClipboardController::ClipboardController(QObject* parent)
    : QObject(parent), m_system(Mac_system::sharedEngineInstance()), m_db(Debug::sharedEngineInstance()),
      m_st(Strings::sharedEngineInstance()), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] {
        gameLoop();
        scheduleNextTick();
    });
    m_clock.start();
    scheduleNextTick();
}

ClipboardController::~ClipboardController() = default;

void ClipboardController::scheduleNextTick()
{
    // Qt timers count whole milliseconds; aiming each tick at its own due time keeps 24 ticks a
    // second on average instead of drifting by the rounding of 41.67 ms.
    ++m_ticksScheduled;
    const double due = double(m_ticksScheduled) * TickInterval * 1000.0;
    const double wait = due - double(m_clock.elapsed());
    if (wait < -1000.0) { // far behind (the loop was blocked): start counting afresh
        m_ticksScheduled = 0;
        m_clock.restart();
    }
    m_timer->start(int(std::clamp(std::ceil(wait), 0.0, 1000.0)));
}

void ClipboardController::gameLoop()
{
    if (!m_runTimerActive) {
        return;
    }
    ++m_tick;
    const qsizetype count = m_clipboards.size();
    for (qsizetype i = 0; i < count && i < m_clipboards.size(); ++i) {
        // Hold the clipboard: an observer of the notification may change the list.
        const ClipboardPtr c = m_clipboards.at(i);
        if (c->countdown() == 0) {
            NotificationCenter::defaultCenter().postNotificationName(
                QStringLiteral("clipboardController"), format("countdown finished:%@", shown(c->contents())));
            if (!c->cmd().isEmpty()) {
                const int code = int(m_st->stringToAsciiCode(c->cmd().toLower())) - 96;
                if (code == CodeX || code == CodeC) {
                    c->setContents(m_system->clipboardGetString());
                } else if (code == CodeV) {
                    m_system->clipboardSetString(c->contents().value_or(QString()));
                }
            }
        }
        if (c->countdown() >= 0) {
            c->setCountdown(c->countdown() - 1);
        }
    }
}

int ClipboardController::clipboardExists(const QString& name) const
{
    for (qsizetype i = 0; i < m_clipboards.size(); ++i) {
        if (m_clipboards.at(i)->name() == name) {
            return int(i);
        }
    }
    return -1;
}

int ClipboardController::clipboardNew(const QString& name)
{
    if (clipboardExists(name) < 0) {
        auto c = std::make_shared<Clipboard>();
        c->setClipboardNameContentsCountdownCmd(name, QString(), 0, QString());
        m_clipboards.append(c);
    }
    return -1;
}

bool ClipboardController::clipboardDelete(const QString& name)
{
    const int index = clipboardExists(name);
    if (index < 0) {
        return false;
    }
    m_clipboards.removeAt(index);
    return true;
}

bool ClipboardController::clipboardAdd(const ClipboardPtr& clipboard)
{
    if (!clipboard) {
        return false;
    }
    const int index = clipboardExists(clipboard->name());
    if (index >= 0) {
        m_clipboards[index] = clipboard;
        return false;
    }
    m_clipboards.append(clipboard);
    return true;
}

bool ClipboardController::clipboardAddNameCmdContents(const QString& name, const QString& cmd, const QString& contents)
{
    auto c = std::make_shared<Clipboard>();
    c->setClipboardNameContentsCountdownCmd(name, contents, getDelayFromCmd(cmd), cmd);
    return clipboardAdd(c);
}

bool ClipboardController::clipboardNameSetContents(const QString& name, const QString& text)
{
    const int index = clipboardExists(name);
    if (index < 0) {
        return false;
    }
    m_clipboards.at(index)->setContents(text);
    return true;
}

bool ClipboardController::clipboardIndexSetContents(int index, const QString& text)
{
    if (!validIndex(index)) {
        return false;
    }
    m_clipboards.at(index)->setContents(text);
    return true;
}

std::optional<QString> ClipboardController::clipboardReadContents(const QString& name) const
{
    const int index = clipboardExists(name);
    return index < 0 ? std::optional<QString>(QString()) : m_clipboards.at(index)->contents();
}

std::optional<QString> ClipboardController::clipboardReadContentsFromIndex(int index) const
{
    return validIndex(index) ? m_clipboards.at(index)->contents() : std::optional<QString>(QString());
}

QString ClipboardController::clipboardFromIndex(int index) const
{
    if (!validIndex(index)) {
        TRACE("failed: atIndex:%d count:%d", index, m_clipboards.size());
        return {};
    }
    return m_clipboards.at(index)->name();
}

ClipboardController::ClipboardPtr ClipboardController::clipboardGetContentsAtIndex(int index) const
{
    return validIndex(index) ? m_clipboards.at(index) : nullptr;
}

int ClipboardController::getDelayFromCmd(const QString& cmd) const
{
    return !cmd.isEmpty() && m_st->stringToAsciiCode(cmd) == u'v' ? 3 : 0;
}

QString ClipboardController::clipboardDebug() const
{
    QString entries = QStringLiteral(" ");
    for (qsizetype i = 0; i < m_clipboards.size(); ++i) {
        const Clipboard& c = *m_clipboards.at(i);
        entries = format("name:%@ i:%d cmd:%@ cd:%d txt:|%@|\n%@", c.name(), int(i), c.cmd(), c.countdown(),
                         shown(c.contents()), entries);
    }
    const QString time =
        m_st->getTimeInMinutesSecondsWithLeadingZero(int(m_tick / 1440), int((m_tick / 24) % 60), true);
    const qsizetype count = m_clipboards.size();
    return format("Clipboards:  Time:%@ tick:%d Clipboard%@:%d\n\n%@", time, qint32(m_tick),
                  count == 1 ? QString() : QStringLiteral("s"), count, entries);
}
