#pragma once

#include "Clipboard.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class Debug;
class Mac_system;
class QTimer;
class Strings;

/**
 * Any number of named text clipboards beside the desktop clipboard. A clipboard may carry a command
 * with a countdown in ticks of the controller's own 24 Hz timer; when the countdown runs out the
 * controller posts the notification "clipboardController" (object "countdown finished:<contents>")
 * and carries out the command: "x" and "c" take the desktop clipboard's text into the clipboard, "v"
 * puts the clipboard's text on the desktop clipboard (through Mac_system).
 *
 * Each controller has its own list and timer. Main thread only.
 */
class ClipboardController : public QObject
{
    Q_OBJECT

public:
    using ClipboardPtr = std::shared_ptr<Clipboard>;

    /** One tick: 1/24 s in single precision. */
    static constexpr double TickInterval = double(1.0f / 24.0f);

    /** An empty list; the timer runs from now on. */
    explicit ClipboardController(QObject* parent = nullptr);
    ~ClipboardController() override;

    /** One tick: counts it and runs the countdowns (nothing while runTimerActive is off). */
    void gameLoop();

    /** Index of the clipboard with exactly that name; -1 when there is none. */
    int clipboardExists(const QString& name) const;
    /** Appends an empty clipboard of that name (countdown 0, no command) unless the name exists.
     *  Answers -1 in every case. */
    int clipboardNew(const QString& name);
    /** Removes the clipboard of that name; false when there is none. */
    bool clipboardDelete(const QString& name);
    /** Puts clipboard in place of the one of the same name (false), or appends it (true). A null
     *  clipboard is refused (false, nothing changes). */
    bool clipboardAdd(const ClipboardPtr& clipboard);
    /** clipboardAdd of a new clipboard with countdown getDelayFromCmd(cmd). */
    bool clipboardAddNameCmdContents(const QString& name, const QString& cmd, const QString& contents);
    /** Sets the contents of the clipboard of that name; false when there is none. */
    bool clipboardNameSetContents(const QString& name, const QString& text);
    /** Sets the contents at index; false when the index is outside the list. */
    bool clipboardIndexSetContents(int index, const QString& text);
    /** The contents of the clipboard of that name; "" when there is none. */
    std::optional<QString> clipboardReadContents(const QString& name) const;
    /** The contents at index; "" when the index is outside the list. */
    std::optional<QString> clipboardReadContentsFromIndex(int index) const;
    /** The name at index; outside the list "" and a trace line. */
    QString clipboardFromIndex(int index) const;
    /** The clipboard at index (shared, changes show in the list); null outside the list. */
    ClipboardPtr clipboardGetContentsAtIndex(int index) const;
    /** 3 for a command starting with lower-case "v", otherwise 0. */
    int getDelayFromCmd(const QString& cmd) const;
    /** The state report: time, tick, count, then one line per clipboard, the last first. */
    QString clipboardDebug() const;

    QList<ClipboardPtr> clipboards() const { return m_clipboards; }
    void setClipboards(const QList<ClipboardPtr>& clipboards) { m_clipboards = clipboards; }
    bool isRunTimerActive() const { return m_runTimerActive; }
    void setRunTimerActive(bool on) { m_runTimerActive = on; }
    quint32 tick() const { return m_tick; }
    void setTick(quint32 tick) { m_tick = tick; }

    Mac_system* system() const { return m_system; }
    Debug* db() const { return m_db; }
    Strings* st() const { return m_st; }

private:
    bool validIndex(int index) const { return index >= 0 && index < m_clipboards.size(); }
    void scheduleNextTick();

    QList<ClipboardPtr> m_clipboards;
    Mac_system* m_system;
    Debug* m_db;
    Strings* m_st;
    bool m_runTimerActive = true;
    quint32 m_tick = 0;
    QTimer* m_timer;
    QElapsedTimer m_clock;
    qint64 m_ticksScheduled = 0;
};
