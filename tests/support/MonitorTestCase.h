#pragma once

#include "AppDelegate.h"
#include "FakeReachability.h"
#include "Mac_media.h"
#include "ManualClock.h"
#include "TestHome.h"

#include <QDir>
#include <QObject>

#include <memory>

/**
 * Base of the monitor's test classes: every test function gets a temporary HOME, a manual clock, a
 * fake probe (no real host name is ever resolved) and an empty speech queue, and launches the
 * monitor when it needs one. Call setUpMonitor() from init() and tearDownMonitor() from cleanup().
 */
class MonitorTestCase : public QObject
{
protected:
    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<FakeReachability> m_probe;
    std::unique_ptr<AppDelegate> m_app;

    void setUpMonitor()
    {
        m_home = std::make_unique<TestHome>();
        m_clock = std::make_unique<ManualClock>();
        m_probe = std::make_unique<FakeReachability>();
        Mac_media::sharedEngineInstance()->setTtsQueue({});
    }
    /** Drops the monitor first, and leaves the temporary HOME before it goes. */
    void tearDownMonitor()
    {
        m_app.reset();
        m_probe.reset();
        m_clock.reset();
        QDir::setCurrent(QDir::tempPath());
        m_home.reset();
    }
    AppDelegate& launch()
    {
        m_app = std::make_unique<AppDelegate>();
        m_app->applicationDidFinishLaunching();
        return *m_app;
    }
};
