#pragma once

#include "AppOptions.h"
#include "TickSchedule.h"

#include <QDateTime>
#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSystemTrayIcon;
class QTimer;
class QWidget;

class Debug;
class HistoryWindow;
class OutageHistory;
class FS;
class Mac_media;
class Mac_objects;
class Mac_system;
class Strings;

namespace Ui {
class AlarmOptions;
class SettingsWindow;
class AlertWindow;
class AboutWindow;
} // namespace Ui

/**
 * The connection monitor's controller. Constructing it loads the three interface files (settings,
 * alert and about windows), builds the tray menu, connects the controls and installs the tray icon
 * (awakeFromNib). applicationDidFinishLaunching() then obtains the services, loads or creates the
 * settings, puts the built-in host list in place, starts the twelve-per-second tick and starts
 * saving the settings whenever a window closes.
 *
 * Everything runs on the main thread: the tick, the checks it runs, the window actions. The controls
 * are the live store of the settings; the settings file is a copy of them.
 */
class AppDelegate : public QObject
{
    Q_OBJECT
    friend class TestAppDelegate;

public:
    explicit AppDelegate(QObject* parent = nullptr);
    ~AppDelegate() override;

    /** The application directory inside the documents directory. */
    static QString applicationDirectoryName();
    /** The built-in host list put into the host-list view at every start. */
    static QString builtInHostList();

    // ---- Start-up ----

    /** Creates the tray icon with the menu, showing "checkOk.png". */
    void awakeFromNib();
    /** Services, variables and settings, the built-in host list, the tick timer, the window-close hook. */
    void applicationDidFinishLaunching();
    /** Quitting tears nothing down and saves nothing (quit_app leaves without closing the windows). */
    void applicationWillTerminate();
    /** Obtains the shared services. */
    void initClasses();
    /** Initial flags, the empty latest list, the settings (loaded, or written from the controls on
     *  the first start) and the link buttons. */
    void initVars();

    // ---- The tick and the checks ----

    /** One tick: advances the counter (while monitoring is on), steps the icon on every sixth tick,
     *  the lamp on every tick, and runs both checks on every twelfth. */
    void gameLoop();
    /** One run of the primary check (on check ticks). */
    void internetUrlCheck();
    /** One run of the host-list rotation (on check ticks, after the primary check). */
    void otherUrlsCheck();
    /** The text itself when it is one decimal number, otherwise the default. */
    QString makeStrNumberDefaultValue(const QString& text, const QString& defaultValue) const;
    /** Writes one trace line of the check state. */
    void debugSystem();
    /** The host list exactly as it was stored or set, or as the user has edited it in its view. */
    QString hostList() const;
    /** Shows the text in the host-list view and keeps it as it stands. */
    void setHostList(const QString& text);

    // ---- Event log and latest list ----

    /** Appends "<date-time>-<message>\n" to log.txt in the application directory. A message holding
     *  a character outside ASCII is not written (the log stays as it was). */
    void logChange(const QString& message);
    /** Puts "<date-time>-<message>\n" at the top of the latest list (16 entries at most) and shows it. */
    void latestChange(const QString& message);
    /** Opens log.txt in the desktop's default application. */
    void showLog(QObject* sender = nullptr);
    /** Empties the log: afterwards log.txt holds the one line "Log Cleared". Does nothing when the
     *  application directory cannot be entered. */
    void clrLog(QObject* sender = nullptr);

    // ---- Settings file ----

    /** Writes the 24 settings of the controls to the file name in the current directory. */
    void saveSettingsAfile(const QString& name);
    /** Writes the settings to TestFile.txt in the application directory, making the directory and the
     *  first Defaults.txt when it does not exist yet. */
    void saveSettingsToFile();
    /** Fills the controls from TestFile.txt; saves instead when there is none. A file that does not
     *  hold a settings dictionary leaves the controls as they are. */
    void loadSettingsFromFile();

    // ---- Windows ----

    /** Shows the window in front of the others and activates it. */
    void showWindow(QWidget* window);
    /** Shows the window in front of the others, centred as showWindow() does, without taking the
     *  keyboard focus from the window that has it (an alert raised by a check). */
    void showWindowWithoutFocus(QWidget* window);
    /** Marks the settings window active and shows it. */
    void showSettings(QObject* sender = nullptr);
    /** Shows the alert window unless the settings window is active. */
    void showAlert(QObject* sender = nullptr);
    /** Shows the about window. */
    void about(QObject* sender = nullptr);
    /** Hides the alert window without closing it (so nothing is saved). */
    void alertOK(QObject* sender = nullptr);
    /** Writes "Menu_Quit" to the process log and quits. */
    void quit_app(QObject* sender = nullptr);
    /** A window is about to close: saves the settings. */
    void windowClosed(QWidget* window);
    /** The slider moved: updates its label and traces the value. */
    void intSliderSender(QObject* sender = nullptr);
    /** Opens the product page in the user's default web browser; a failure is ignored. */
    void about_visit_website(QObject* sender = nullptr);
    /** Opens the maker's home page in the user's default web browser; a failure is ignored. */
    void visitMainWebsite(QObject* sender = nullptr);

    // ---- Checkbox actions: enable the checkbox's field when on, disable it when off ----

    /** Monitoring switch: enables or disables the primary host field. */
    void chk_enabled(QObject* sender = nullptr);
    /** Up sentence switch: enables the field and queues its sentence as a preview, or disables it. */
    void spk_ok(QObject* sender = nullptr);
    /** Up alert switch: enables or disables the up alert text. */
    void alert_ok(QObject* sender = nullptr);
    /** Down sentence switch: enables the field and queues its sentence as a preview, or disables it. */
    void spk_fail(QObject* sender = nullptr);
    /** Down alert switch: enables or disables the down alert text. */
    void alert_fail(QObject* sender = nullptr);
    /** Rotation switch: enables or disables the rotation interval. */
    void urls_enabled(QObject* sender = nullptr);
    /** Rotation success switch: enables the field and queues its text as a preview, or disables it. */
    void urls_success(QObject* sender = nullptr);
    /** Rotation failure switch: enables the field and queues its text as a preview, or disables it. */
    void urls_fail(QObject* sender = nullptr);

    // ---- Defaults and reset ----

    /** The settings file as last saved becomes Defaults.txt. Without a settings file, or when the
     *  application directory cannot be entered, nothing changes. */
    void setAsDefault(QObject* sender = nullptr);
    /** Defaults.txt replaces the settings file; the controls keep their values. Without a
     *  Defaults.txt, or when the application directory cannot be entered, nothing changes. */
    void resetToDefault(QObject* sender = nullptr);
    /** Defaults.txt replaces the settings file, then the settings are loaded into the controls. Without
     *  a Defaults.txt the controls keep their values and are saved as the settings file. */
    void resetDefaults();
    /** The test command: runs three shell commands and traces what the last one printed. Saves nothing. */
    void saveSettings(QObject* sender = nullptr);

    // ---- Outage history, settings import and export, start at login ----

    /** The record of outages and pauses (history.csv in the application directory); null before
     *  applicationDidFinishLaunching(). */
    OutageHistory* history() const { return m_history.get(); }
    /** Shows the outage history window, read afresh from the file. */
    void showHistory(QObject* sender = nullptr);
    HistoryWindow* windowHistory() const { return m_windowHistory; }
    /** Writes the settings of the controls to path as a settings file; an error text, "" on success. */
    QString exportSettingsTo(const QString& path);
    /** Loads the settings file at path into the controls and saves them. A file that is not a
     *  settings dictionary (binary, huge, other keys, wrong types) is refused with an error text and
     *  the controls stay as they are; "" on success. */
    QString importSettingsFrom(const QString& path);
    /** The autostart entry that "Start at login" writes: $XDG_CONFIG_HOME/autostart/carrowen.desktop. */
    static QString autostartPath();
    /** Writes (on) or removes (off) the autostart entry; false when that failed. */
    bool setStartAtLogin(bool on);
    /** The "Start at login" switch of the settings window. */
    QCheckBox* startAtLoginBox() const { return m_startAtLogin; }

    // ---- Alarm options (Options.txt) ----

    /** The alarm options as their controls show them now (the controls are their live store). */
    AppOptions options() const;
    /** Shows the options in their controls; network watching follows at once. */
    void setOptions(const AppOptions& options);
    /** Reads Options.txt from the application directory into the controls (defaults when missing). */
    void loadOptions();
    /** Writes the controls to Options.txt, unless there is none and they hold the defaults. */
    void saveOptions();
    /** Why the first failed primary check of the latest run of failed checks failed ("name lookup
     *  failed", "lookup timed out", "no route" or "address unreachable"); "" before any failure. */
    QString lastFailureReason() const { return m_firstFailureReason; }

    /** The web address of the product page. */
    static QString productPageUrl();
    /** The web address of the maker's home page. */
    static QString homePageUrl();

    // ---- Accessors ----

    int tick() const { return m_tick; }
    void setTick(int tick) { m_tick = tick; }
    QStringList latest() const { return m_latest; }
    void setLatest(const QStringList& latest) { m_latest = latest; }

    Mac_objects* obj() const { return m_obj; }
    Mac_media* media() const { return m_media; }
    Mac_system* system() const { return m_system; }
    Strings* st() const { return m_st; }
    FS* fs() const { return m_fs; }
    Debug* db() const { return m_db; }
    QSystemTrayIcon* statusBar() const { return m_statusBar; }
    QMenu* MenuMain() const { return m_MenuMain; }
    QWidget* windowSettings() const { return m_windowSettings; }
    QWidget* windowAlert() const { return m_windowAlert; }
    QWidget* windowAbout() const { return m_windowAbout; }
    /** The program's own read-only view of log.txt, shown when no viewer can open it; null before. */
    QPlainTextEdit* windowLog() const { return m_windowLog; }
    /** The controls of the settings, alert and about windows: the live store of the settings. */
    Ui::SettingsWindow& ui() const { return *m_settingsUi; }
    Ui::AlertWindow& alertUi() const { return *m_alertUi; }
    Ui::AboutWindow& aboutUi() const { return *m_aboutUi; }
    Ui::AlarmOptions& alarmUi() const { return *m_alarmUi; }

    /** The name of the image the tray icon shows now ("" before any, or when it was missing). */
    QString statusImageName() const { return m_statusImageName; }
    /** The name of the image the lamp shows now. */
    QString lampImageName() const { return m_lampImageName; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void loadInterface();
    void iconStep();
    void setStatusImage(const QString& name);
    void setLampImage(const QString& name);
    QPixmap imageNamed(const QString& name);
    /** Normalises an interval field and answers its integer value; never 0. */
    int intervalOf(QLineEdit* field, const QString& defaultValue);
    /** Makes the documents directory current; NO when there is none (nothing is to be touched then). */
    bool enterDocumentDirectory();
    /** Enters the application directory inside the documents directory; NO when either is missing. */
    bool enterApplicationDirectory();
    /** Replaces target with a copy of source in the current directory in one step; NO (target left as
     *  it was) when source is missing or the copy fails. */
    bool replaceWithCopy(const QString& source, const QString& target);
    /** Enables field when box is on, disables it otherwise; answers whether it is on. */
    bool enableFieldOf(QObject* sender, QAbstractButton* box, QWidget* field);
    /** As enableFieldOf, and queues the field's text for speaking when the box is on. */
    void enableAndPreview(QObject* sender, QAbstractButton* box, QLineEdit* field);
    QVariantMap settingsDictionary() const;
    // The probe's answer arrives asynchronously; these finish the runs that probed.
    void probeHost(const QString& host, const std::function<void(bool)>& then);
    void finishInternetUrlCheck(int seconds, int intervalUp, int intervalDown);
    void finishOtherUrlsCheck(const QString& host, bool reachable);
    // The tray's tool tip and its image while monitoring is off.
    void noteProbeAnswer(bool reachable);
    void showMonitoringOff();
    void updateToolTip();
    // Window details: the settings window's geometry, Escape closing, the version in the about window.
    void arrangeWindows();
    // Fallbacks when the desktop cannot open the log or a web address.
    void openLogOrShowIt(const QString& path);
    void openAddressOrShowIt(const QString& url);
    void showLogWindow(const QString& path);
    void followLog(const QString& line);
    void applySettings(const QVariantMap& settings);
    // Alarms: thresholds, sleep grace, checks brought forward, desktop notifications.
    void setupAlarms();
    void startAlarms();
    void stopAlarms();
    void acceptProbeAnswer(bool reachable, const QString& reason);
    bool inSleepGrace() const;
    bool holdsAnnouncement() const;
    bool extraCheckDue() const;
    void extraCheckStarted();
    void extraCheck();
    void sleepChanged(bool sleeping);
    void announceAlert(bool up, const QString& sentence);
    void showAlertText(const QString& text);
    // The history file and the settings window's import, export and login switch.
    void beginHistory();
    void addSettingsExtras();
    void chooseSettingsFile(bool import);

    // Services (shared instances, alive until the process ends).
    Mac_objects* m_obj = nullptr;
    Mac_media* m_media = nullptr;
    Mac_system* m_system = nullptr;
    Strings* m_st = nullptr;
    FS* m_fs = nullptr;
    Debug* m_db = nullptr;

    // The interface: windows, tray, menu and the controls they hold.
    std::unique_ptr<Ui::SettingsWindow> m_settingsUi;
    std::unique_ptr<Ui::AlertWindow> m_alertUi;
    std::unique_ptr<Ui::AboutWindow> m_aboutUi;
    QSystemTrayIcon* m_statusBar = nullptr;
    QMenu* m_MenuMain = nullptr;
    QWidget* m_windowSettings = nullptr;
    QWidget* m_windowAlert = nullptr;
    QWidget* m_windowAbout = nullptr;

    // Check state.
    bool m_internetOK = true;
    bool m_internetPrevious = false;
    bool m_internetStateChanged = false;
    bool m_toggle = false;
    bool m_successFired = false;
    bool m_failFired = false;
    int m_tick = 0;
    int m_otherUrlPointer = 0;
    bool m_settingsIsActive = false;
    QStringList m_latest;
    QString m_hostList;      // the host list as set
    QString m_hostListShown; // what the view gave back for it

    QTimer* m_timer = nullptr;
    TickSchedule m_tickSchedule{12}; // one tick every 0.0833333333 s
    bool m_watchingWindows = false;
    QString m_statusImageName;
    QString m_lampImageName;
    QHash<QString, QPixmap> m_images;

    // Hosts whose probe has not answered yet: none is probed again before it has.
    QSet<QString> m_probing;
    bool m_answered = false;
    QDateTime m_stateSince;
    QDateTime m_lastCheck;
    QPlainTextEdit* m_windowLog = nullptr;

    std::unique_ptr<OutageHistory> m_history;
    HistoryWindow* m_windowHistory = nullptr;
    QCheckBox* m_startAtLogin = nullptr;

    // Alarms.
    std::unique_ptr<Ui::AlarmOptions> m_alarmUi;
    QWidget* m_alarmOptions = nullptr;
    int m_pendingChecks = 0; // answers in a row that differ from internetOK
    QString m_answerReason;  // the reason that came with the probe answer being handled
    QString m_failureReason; // of the latest failed primary check
    QString m_firstFailureReason;
    bool m_checkSoon = false; // the network changed: probe at the next check tick
    bool m_sleeping = false;
    bool m_graceCheckPending = false;
    double m_graceUntil = 0; // monotonic seconds
    bool m_watchingNetwork = false;
    bool m_notifyFailureTraced = false;
};
