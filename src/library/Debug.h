#pragma once

#include "SharedInstance.h"
#include "Stopwatch.h"

#include <QDateTime>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

struct Notification;

/**
 * The debugging service: forwarding of trace lines to the debug panel, two stopwatches with duration
 * texts, date texts, a small log text, blank-line and value printers, rectangle helpers and the
 * reachability probe the connection monitor uses.
 *
 * The trace functions themselves are process-wide (Trace.h); notify() switches their forwarding.
 * Stopwatch readings and "now" come from Clock::current(), so tests can move time by hand.
 */
class Debug : public SharedInstance<Debug>
{
    friend class SharedInstance<Debug>;

public:
    /** Writes "hello from Debug" to the process log. */
    void greet() const;

    // ---- Properties ----

    /** The text accumulated by updateLog()/log(); "" after creation. */
    QString debugLog() const { return m_debugLog; }
    void setDebugLog(const QString& text) { m_debugLog = text; }
    /** A free integer for callers; 0 after creation. */
    int dbInt() const { return m_dbInt; }
    void setDbInt(int value) { m_dbInt = value; }
    /** A free text for callers; none after creation. */
    std::optional<QString> dbStr() const { return m_dbStr; }
    void setDbStr(const std::optional<QString>& text) { m_dbStr = text; }
    /** A free flag for callers; false after creation. */
    bool isIncludeStatusBar() const { return m_includeStatusBar; }
    void setIncludeStatusBar(bool on) { m_includeStatusBar = on; }
    /** The forwarding state as last set by notify(); false after creation. */
    bool isNotifyActive() const { return m_notifyActive; }
    /** Changes only the recorded flag, not the forwarding itself (that is notify()). */
    void setNotifyActive(bool on) { m_notifyActive = on; }

    // ---- Forwarding ----

    /** Switches the process-wide forwarding of trace lines as "Debug" notifications, and notifyActive. */
    void notify(bool flag);
    /** Posts "Debug" with text + "\n", whatever the forwarding; writes nothing to standard error. */
    void dt(const QString& text) const;
    /** Posts "Debug" with "Debug.cpp, dtf, line:N text\n" + "\n" (N: the line of dtf in Debug.cpp). */
    void dtf(const QString& text) const;

    // ---- Stopwatch 1 (running from creation: both ends at the moment of creation) ----

    void time_setStartTime();
    void time_setEndTime();
    /** Sets both ends to the same moment, now. */
    void time_setStartAndEnd();
    /** Ends the stopwatch now, answers end - start in seconds, then restarts it at that end: successive
     *  calls answer the time between calls. */
    double time_getIntervalSinceLastCalled();
    /** end - start in seconds (negative when the end was set before the start). */
    double timeEndMinusStartInSeconds() const;
    double timeEndMinusStartInMilliseconds() const;
    double timeEndMinusStartInMinutes() const;
    QDateTime timeStart() const;
    QDateTime timeEnd() const;

    // ---- Stopwatch 2 (no ends until set; readings answer 0 while either end is unset) ----

    void time_setStartTime2();
    void time_setEndTime2();
    void time_setStartAndEnd2();
    /** As time_getIntervalSinceLastCalled(); with no start set yet it answers 0 and starts the watch. */
    double time_getIntervalSinceLastCalled2();
    double timeEndMinusStartInSeconds2() const;
    double timeEndMinusStartInMilliseconds2() const;
    double timeEndMinusStartInMinutes2() const;
    std::optional<QDateTime> timeStart2() const;
    std::optional<QDateTime> timeEnd2() const;

    // ---- Durations ----

    /** end - start as "dd:hh:mm:ss", each field truncated toward zero and at least two digits; a negative
     *  difference gives negative fields ("-1:-1:-1:-1"). Invalid dates count as the same moment. */
    QString getTimeIntervalStrEnd(const QDateTime& start, const QDateTime& end) const;
    /** end - start in whole seconds, truncated toward zero; saturates at the 32-bit limits. */
    int getTimeIntervalIntEnd(const QDateTime& start, const QDateTime& end) const;
    /** The same texts for a difference given in seconds (used by the two above). */
    static QString timeIntervalText(double seconds);

    // ---- Text ----

    /** The current moment formatted with a date pattern such as "yyMMdd_HHmmss" (the usual Unicode date
     *  pattern letters, quoted literals in '...', English names). */
    QString getFormattedTime(const QString& pattern) const;
    /** The same for a given moment; "" for an invalid date. */
    static QString formatDate(const QDateTime& date, const QString& pattern);
    /** "File.cpp, method:name, line:N" from a source path and a method name text "-[Class name]" (an
     *  empty name when the text is not of that shape). */
    QString debugFileMethodLine(const char* file, const char* method, int line) const;

    // ---- Log text ----

    /** Appends "log: text\n" to debugLog. */
    void updateLog(const QString& text);
    /** updateLog(). */
    void log(const QString& text);
    /** Traces ":text" (traceMessage), then replaces debugLog by text. */
    void setLog(const QString& text);
    /** Empties debugLog. */
    void clrLog();

    // ---- Blank lines ----

    /** Writes 70 empty trace lines, whatever count says. */
    void bl(int count) const;
    /** bl(70). */
    void cls() const;

    // ---- Collections ----

    /** Traces "0x%x  length:%d  type:%@": a stable number for the container type, the element count and
     *  the type's name. */
    void arrayDebug(const QVariantList& array) const;
    void arrayDebug(const QStringList& array) const;
    void mutableArrayDebug(const QVariantList& array) const;
    void mutableArrayDebug(const QStringList& array) const;

    // ---- Probe ----

    /** Whether host can be reached now without first bringing up a connection (the installed
     *  Reachability probe, Platform::reachability()). false for "", non-ASCII names, names that do not resolve within
     * the resolver bound, and addresses with no route. Blocks at most about 2 s. */
    bool isDataSourceAvailable(const QString& host) const;

    // ---- Geometry ----

    QSizeF setSize(const QSizeF& size) const { return size; }
    /** Width and height exchanged. */
    QSizeF swopSizes(const QSizeF& size) const { return size.transposed(); }
    QRectF setRect(const QRectF& rect) const { return rect; }
    /** Origin x and y exchanged, size kept. */
    QRectF swopRectXY(const QRectF& rect) const;
    /** Width and height exchanged, origin kept. */
    QRectF swopRectWidthHeight(const QRectF& rect) const;
    /** Both exchanges. */
    QRectF swopRectBoth(const QRectF& rect) const;

    // ---- Value printers (one line each to the process log) ----

    void txt(const QString& text) const;                                           // "%@"
    void txt2Txt(const QString& a, const QString& b) const;                        // "%@ %@"
    void txt3TxtTxt(const QString& a, const QString& b, const QString& c) const;   // "%@ %@ %@"
    void numNum(const QString& label, int a) const;                                // "%@:%d"
    void num2NumNum(const QString& label, int a, int b) const;                     // "%@:%d %d"
    void num3NumNumNum(const QString& label, int a, int b, int c) const;           // "%@:%d %d %d"
    void fnumNum(const QString& label, double a) const;                            // "%@:%f"
    void fnum2NumNum(const QString& label, double a, double b) const;              // "%@:%f %f"
    void fnum3NumNumNum(const QString& label, double a, double b, double c) const; // "%@:%f %f %f"
    void dbPointP(const QString& label, const QPointF& p) const;                   // "%@: x:%f y:%f"
    void dbRectR(const QString& label, const QRectF& r) const;                     // "%@: x:%f y:%f w:%f h:%f"
    void debugCGRectWithTitle(const QRectF& rect, const QString& title) const;     // "%@: x,y:%.0f,%.0f  w,h:%.0f,%.0f"
    void bpString(int number, const QString& info) const;                          // "Breakpoint:%d   info:%@"
    /** Three lines: "string: name : object", " value: N" (the object's integer value), ",msg StaticTemplate
     *  to Engine:object". */
    void handleNotification(const Notification& notification) const;

private:
    Debug();

    [[maybe_unused]] int m_xxx = 0;
    QString m_debugLog;
    Stopwatch m_watch1;
    Stopwatch m_watch2;
    int m_dbInt = 0;
    std::optional<QString> m_dbStr;
    bool m_includeStatusBar = false;
    bool m_notifyActive = false;
};
