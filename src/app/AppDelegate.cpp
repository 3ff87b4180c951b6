#include "AppDelegate.h"
#include "AppControls.h"

#include "ui_AboutWindow.h"
#include "ui_AlarmOptions.h"
#include "ui_AlertWindow.h"
#include "ui_SettingsWindow.h"

#include "Arrays.h"
#include "Debug.h"
#include "FS.h"
#include "Format.h"
#include "HistoryWindow.h"
#include "LibMath.h"
#include "Mac_fs.h"
#include "Mac_media.h"
#include "Mac_objects.h"
#include "Mac_system.h"
#include "OutageHistory.h"
#include "Platform.h"
#include "ProcessLog.h"
#include "Strings.h"
#include "Trace.h"
#include "Workspace.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <chrono>

using namespace app_controls;

namespace {

qint64 monotonicNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

AppDelegate::AppDelegate(QObject* parent) : QObject(parent)
{
    loadInterface();
    setupAlarms();
    arrangeWindows();
    awakeFromNib();
}

AppDelegate::~AppDelegate()
{
    stopAlarms();
    if (m_watchingWindows) {
        qApp->removeEventFilter(this);
    }
    delete m_windowSettings;
    delete m_windowAlert;
    delete m_windowAbout;
    delete m_windowLog;
    delete m_windowHistory;
    delete m_MenuMain;
}

QString AppDelegate::applicationDirectoryName()
{
    return s("com.velbor.Carrowen");
}

QString AppDelegate::builtInHostList()
{
    return s("www.kernel.org\nwww.debian.org");
}

// The interface files: the three windows, their controls, the tray menu and the connections between
// the controls and the controller's actions.
void AppDelegate::loadInterface()
{
    m_windowSettings = new QWidget;
    m_settingsUi = std::make_unique<Ui::SettingsWindow>();
    m_settingsUi->setupUi(m_windowSettings);
    m_windowAlert = new QWidget;
    m_alertUi = std::make_unique<Ui::AlertWindow>();
    m_alertUi->setupUi(m_windowAlert);
    m_windowAbout = new QWidget;
    m_aboutUi = std::make_unique<Ui::AboutWindow>();
    m_aboutUi->setupUi(m_windowAbout);

    const Ui::SettingsWindow& u = *m_settingsUi;
    m_MenuMain = new QMenu;
    const auto item = [this](const QString& title, auto action) {
        connect(m_MenuMain->addAction(title), &QAction::triggered, this, action);
    };
    item(QStringLiteral("Settings\u2026"), [this] { showSettings(); });
    item(s("Show Alert"), [this] { showAlert(); });
    item(s("About"), [this] { about(); });
    m_MenuMain->addSeparator();
    item(s("Show Log"), [this] { showLog(); });
    item(s("Clear Log"), [this] { clrLog(); });
    m_MenuMain->addSeparator();
    item(s("Quit"), [this] { quit_app(); });
    item(QStringLiteral("History\u2026"), [this] { showHistory(); });

    connect(m_alertUi->btnAlertOK, &QPushButton::clicked, this, [this] { alertOK(m_alertUi->btnAlertOK); });
    connect(u.intSlider, &QSlider::valueChanged, this, [this] { intSliderSender(m_settingsUi->intSlider); });

    // The checkbox actions follow the user's clicks only: loading the settings sets the states without
    // enabling fields or speaking previews.
    const auto box = [this](QCheckBox* sender, void (AppDelegate::*action)(QObject*)) {
        connect(sender, &QCheckBox::clicked, this, [this, sender, action] { (this->*action)(sender); });
    };
    box(u.checkingEnabled, &AppDelegate::chk_enabled);
    box(u.checkOKSpk, &AppDelegate::spk_ok);
    box(u.checkOKAlert, &AppDelegate::alert_ok);
    box(u.checkFailSpk, &AppDelegate::spk_fail);
    box(u.checkFailAlert, &AppDelegate::alert_fail);
    box(u.checkUrlsEnabled, &AppDelegate::urls_enabled);
    box(u.checkUrlListSuccess, &AppDelegate::urls_success);
    box(u.checkUrlListFailed, &AppDelegate::urls_fail);

    const auto button = [this](QPushButton* sender, void (AppDelegate::*action)(QObject*)) {
        connect(sender, &QPushButton::clicked, this, [this, sender, action] { (this->*action)(sender); });
    };
    // "Visit Website/Help" buttons lead to the product page, "Velbor Website" buttons to the home page.
    button(u.settingsLink, &AppDelegate::about_visit_website);
    button(m_aboutUi->aboutLink, &AppDelegate::about_visit_website);
    button(m_aboutUi->about_visit_website_btn, &AppDelegate::about_visit_website);
    button(u.settingsMainLink, &AppDelegate::visitMainWebsite);
    button(m_aboutUi->aboutMainLink, &AppDelegate::visitMainWebsite);
    button(u.setAsDefault, &AppDelegate::setAsDefault);
    button(u.resetToDefault, &AppDelegate::resetToDefault);
    connect(u.resetDefaults, &QPushButton::clicked, this, [this] { resetDefaults(); });
    button(u.saveSettings, &AppDelegate::saveSettings);
    addSettingsExtras();
}

// ---- Start-up ----

void AppDelegate::awakeFromNib()
{
    m_statusBar = new QSystemTrayIcon(this);
    // The icon opens the menu on a click as well as on the context-menu button.
    m_statusBar->setContextMenu(m_MenuMain);
    connect(m_statusBar, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) {
            m_MenuMain->popup(QCursor::pos());
        }
    });
    // The tool tip tells the state, since when it holds and when the last check ran.
    setStatusImage(s("checkOk.png"));
    updateToolTip();
    m_statusBar->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable() && QGuiApplication::platformName() != s("offscreen")) {
        TRACE("no system tray yet: the monitor runs on, and its icon docks when a tray appears");
    }
}

void AppDelegate::applicationDidFinishLaunching()
{
    initClasses();
    initVars();
    setHostList(builtInHostList());
    beginHistory();
    startAlarms();

    // Each wait runs to the next deadline of an exact schedule: a repeating timer of whole
    // milliseconds (83) would make every period run 0.4 % fast.
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, [this] {
        gameLoop();
        m_timer->start(m_tickSchedule.next(monotonicNanoseconds()));
    });
    m_timer->start(m_tickSchedule.start(monotonicNanoseconds()));

    // Every window of the process that is about to close saves the settings.
    qApp->installEventFilter(this);
    m_watchingWindows = true;
}

void AppDelegate::applicationWillTerminate() {}

void AppDelegate::initClasses()
{
    m_obj = Mac_objects::sharedEngineInstance();
    m_media = Mac_media::sharedEngineInstance(); // starts the speech queue's poll
    m_system = Mac_system::sharedEngineInstance();
    m_st = Strings::sharedEngineInstance();
    m_fs = FS::sharedEngineInstance();
    Mac_fs::sharedEngineInstance(); // created at start, not used further
    Arrays::sharedEngineInstance(); // created at start, not used further
    m_db = Debug::sharedEngineInstance();
    LibMath::sharedEngineInstance(); // created at start, not used further
}

void AppDelegate::initVars()
{
    m_tick = 0;
    m_successFired = false;
    m_failFired = false;
    m_internetOK = true;
    m_latest.clear();

    if (enterDocumentDirectory() && m_fs->doesItemExist(applicationDirectoryName()) != -1) {
        loadSettingsFromFile();
    } else {
        saveSettingsToFile();
    }
    const QColor blue(Qt::blue);
    m_obj->btnTxtTxtColor(ui().settingsLink, s("Visit Website/Help"), blue);
    m_obj->btnTxtTxtColor(m_aboutUi->aboutLink, s("Visit Website/Help"), blue);
    m_obj->btnTxtTxtColor(ui().settingsMainLink, s("Velbor Website"), blue);
    m_obj->btnTxtTxtColor(m_aboutUi->aboutMainLink, s("Velbor Website"), blue);
}

// ---- Windows ----

void AppDelegate::showWindow(QWidget* window)
{
    // A window never shown yet takes the size of its layout first, so that it is centred as it will be.
    if (!window->isVisible() && !window->testAttribute(Qt::WA_Resized)) {
        window->adjustSize();
    }
    m_obj->windowPositionAnimated(window, 6, false); // centred on the active screen
    window->setAttribute(Qt::WA_ShowWithoutActivating, false);
    m_obj->windowShow(window, true);      // shown, raised and activated
    m_obj->windowKeepAbove(window, true); // above normal windows, as status windows are
}

void AppDelegate::showSettings(QObject*)
{
    m_settingsIsActive = true;
    showWindow(m_windowSettings);
}

void AppDelegate::showAlert(QObject*)
{
    if (!m_settingsIsActive) {
        showWindow(m_windowAlert);
    }
}

void AppDelegate::about(QObject*)
{
    showWindow(m_windowAbout);
}

void AppDelegate::alertOK(QObject*)
{
    m_windowAlert->hide();
}

void AppDelegate::quit_app(QObject*)
{
    processLog(s("Menu_Quit"));
    // exit() rather than quit(): quit() first closes every open window, and each close would save
    // the settings. Quitting saves nothing.
    QCoreApplication::exit(0);
}

void AppDelegate::windowClosed(QWidget* window)
{
    if (window == m_windowSettings) {
        m_settingsIsActive = false; // so that "Show Alert" works again
    }
    saveSettingsToFile();
    saveOptions();
}

void AppDelegate::intSliderSender(QObject*)
{
    const int value = ui().intSlider->value();
    ui().txtSlider->setText(format("chk every: %d secs", value));
    TRACE("sender:%d", value);
}

QString AppDelegate::productPageUrl()
{
    return s("https://www.velbor.example/carrowen");
}

QString AppDelegate::homePageUrl()
{
    return s("https://www.velbor.example/");
}

// Without a browser the address is shown in a small message instead (and the failure traced).
void AppDelegate::about_visit_website(QObject*)
{
    openAddressOrShowIt(productPageUrl());
}

void AppDelegate::visitMainWebsite(QObject*)
{
    openAddressOrShowIt(homePageUrl());
}

// ---- Checkbox actions ----

// The sender's state decides; without a checkbox as sender the checkbox of the field is read.
bool AppDelegate::enableFieldOf(QObject* sender, QAbstractButton* box, QWidget* field)
{
    const auto* button = qobject_cast<const QAbstractButton*>(sender);
    const bool on = isOn(button ? button : box);
    field->setEnabled(on);
    return on;
}

void AppDelegate::enableAndPreview(QObject* sender, QAbstractButton* box, QLineEdit* field)
{
    if (enableFieldOf(sender, box, field)) {
        m_media->ttsAddToQueue(field->text()); // also when empty: the queue speaks nothing for it
    }
}

void AppDelegate::chk_enabled(QObject* sender)
{
    enableFieldOf(sender, ui().checkingEnabled, ui().txtUrl);
}

void AppDelegate::spk_ok(QObject* sender)
{
    enableAndPreview(sender, ui().checkOKSpk, ui().txtNetOkSpk);
}

void AppDelegate::alert_ok(QObject* sender)
{
    enableFieldOf(sender, ui().checkOKAlert, ui().txtNetOkAlert);
}

void AppDelegate::spk_fail(QObject* sender)
{
    enableAndPreview(sender, ui().checkFailSpk, ui().txtNetFailSpk);
}

void AppDelegate::alert_fail(QObject* sender)
{
    enableFieldOf(sender, ui().checkFailAlert, ui().txtNetFailAlert);
}

void AppDelegate::urls_enabled(QObject* sender)
{
    enableFieldOf(sender, ui().checkUrlsEnabled, ui().txtUrlsInterval);
}

void AppDelegate::urls_success(QObject* sender)
{
    enableAndPreview(sender, ui().checkUrlListSuccess, ui().txtUrlListSuccess);
}

void AppDelegate::urls_fail(QObject* sender)
{
    enableAndPreview(sender, ui().checkUrlListFailed, ui().txtUrlListFailed);
}

void AppDelegate::saveSettings(QObject*)
{
    m_system->tm(s("say -v Otoya hello"));
    m_system->tm(s("ls"));
    const std::optional<QString> output = m_system->tm(s("open cigarette.txt"));
    TRACE("OUTPUT: %@", output.value_or(QString()));
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        if (widget->isWindow() && type != Qt::Popup && type != Qt::ToolTip) {
            windowClosed(widget);
        }
    }
    return QObject::eventFilter(watched, event);
}
