#pragma once

#include <QObject>

/**
 * Events of the machine that a monitor reacts to: a suspend coming or a resume done, and a change of
 * the network's links, addresses or routes. This base class is the null backend: it reports nothing.
 * Platform::systemEvents() answers the one in use; signals arrive on the main thread.
 */
class SystemEvents : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /** Starts reporting sleepChanged(). Where there is no way to learn of a suspend the call does
     *  nothing but say so once in a trace line. */
    virtual void watchSleep() {}
    /** Starts (or stops) reporting networkChanged(). false when changes cannot be watched here. */
    virtual bool watchNetwork(bool on) { return !on; }

signals:
    /** The machine is about to sleep (true) or has just woken (false). */
    void sleepChanged(bool sleeping);
    /** Links, addresses or routes changed. A burst of changes gives at most about twelve of these a
     *  second. */
    void networkChanged();
};
