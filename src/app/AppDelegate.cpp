#include "AppDelegate.h"

#include "ui_AboutWindow.h"
#include "ui_AlertWindow.h"
#include "ui_SettingsWindow.h"

#include "Arrays.h"
#include "Debug.h"
#include "FS.h"
#include "Format.h"
#include "LibMath.h"
#include "Mac_fs.h"
#include "Mac_media.h"
#include "Mac_objects.h"
#include "Mac_system.h"
#include "Platform.h"
#include "ProcessLog.h"
#include "Resources.h"
#include "Strings.h"
#include "Trace.h"
#include "Workspace.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <limits>
#include <type_traits>
#include <unistd.h>

namespace {

const int TickLimit = 32000;
const int FlashTicks = 6;
const int CheckTicks = 12;
// One twelfth of a second (0.0833333333 s), as whole milliseconds for QTimer.
const int TickIntervalMs = 83;
const qsizetype LatestCapacity = 16;

QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// Checkbox state as the settings and the checks see it: 1 on, 0 off.
int stateOf(const QAbstractButton* box)
{
    return box->isChecked() ? 1 : 0;
}
// Any state but 0 checks the box (the boxes have two states).
void setStateOf(QAbstractButton* box, int state)
{
    box->setChecked(state != 0);
}
bool isOn(const QAbstractButton* box)
{
    return stateOf(box) != 0;
}
bool isExactlyOn(const QAbstractButton* box)
{
    return stateOf(box) == 1;
}

bool isAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7F) {
            return false;
        }
    }
    return true;
}

// S modulo period == 0, with the period's magnitude (a negative interval acts as its magnitude) and
// without overflow for the most negative integer.
bool isDue(int seconds, int period)
{
    const qint64 magnitude = std::llabs(qint64(period));
    return magnitude != 0 && qint64(seconds) % magnitude == 0;
}

// Appends bytes to the file with one write(2), creating it when missing.
bool appendToFile(const QString& path, const QByteArray& bytes)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    ssize_t written;
    do {
        written = ::write(fd, bytes.constData(), size_t(bytes.size()));
    } while (written < 0 && errno == EINTR);
    ::close(fd);
    return written == bytes.size();
}

} // namespace

AppDelegate::AppDelegate(QObject* parent) : QObject(parent)
{
    loadInterface();
    awakeFromNib();
}

AppDelegate::~AppDelegate()
{
    if (m_watchingWindows) {
        qApp->removeEventFilter(this);
    }
    delete m_windowSettings;
    delete m_windowAlert;
    delete m_windowAbout;
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
    m_txtUrl = u.txtUrl;
    m_checkingEnabled = u.checkingEnabled;
    m_txtNetOkSpk = u.txtNetOkSpk;
    m_checkOKSpk = u.checkOKSpk;
    m_txtNetOkAlert = u.txtNetOkAlert;
    m_checkOKAlert = u.checkOKAlert;
    m_txtNetOKInterval = u.txtNetOKInterval;
    m_checkOKRepeats = u.checkOKRepeats;
    m_txtNetFailSpk = u.txtNetFailSpk;
    m_checkFailSpk = u.checkFailSpk;
    m_txtNetFailAlert = u.txtNetFailAlert;
    m_checkFailAlert = u.checkFailAlert;
    m_txtNetFailInterval = u.txtNetFailInterval;
    m_checkFailRepeats = u.checkFailRepeats;
    m_okIconFlashes = u.okIconFlashes;
    m_txtUrlList = u.txtUrlList;
    m_txtUrlsInterval = u.txtUrlsInterval;
    m_checkUrlsEnabled = u.checkUrlsEnabled;
    m_txtUrlListSuccess = u.txtUrlListSuccess;
    m_checkUrlListSuccess = u.checkUrlListSuccess;
    m_txtUrlListFailed = u.txtUrlListFailed;
    m_checkUrlListFailed = u.checkUrlListFailed;
    m_failIconFlashes = u.failIconFlashes;
    m_logEnabled = u.logEnabled;
    m_showLatest = u.showLatest;
    m_latestView = u.latestView;
    m_settingsLink = u.settingsLink;
    m_settingsMainLink = u.settingsMainLink;
    m_checkLed = u.checkLed;
    m_intSlider = u.intSlider;
    m_txtSlider = u.txtSlider;
    m_txtUrlListLeading = u.txtUrlListLeading;
    m_txtAlert = m_alertUi->txtAlert;
    m_btnAlertOK = m_alertUi->btnAlertOK;
    m_aboutLink = m_aboutUi->aboutLink;
    m_aboutMainLink = m_aboutUi->aboutMainLink;
    m_about_visit_website_btn = m_aboutUi->about_visit_website_btn;

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

    connect(m_btnAlertOK, &QPushButton::clicked, this, [this] { alertOK(m_btnAlertOK); });
    connect(m_intSlider, &QSlider::valueChanged, this, [this] { intSliderSender(m_intSlider); });

    // The checkbox actions follow the user's clicks only: loading the settings sets the states without
    // enabling fields or speaking previews.
    const auto box = [this](QCheckBox* sender, void (AppDelegate::*action)(QObject*)) {
        connect(sender, &QCheckBox::clicked, this, [this, sender, action] { (this->*action)(sender); });
    };
    box(m_checkingEnabled, &AppDelegate::chk_enabled);
    box(m_checkOKSpk, &AppDelegate::spk_ok);
    box(m_checkOKAlert, &AppDelegate::alert_ok);
    box(m_checkFailSpk, &AppDelegate::spk_fail);
    box(m_checkFailAlert, &AppDelegate::alert_fail);
    box(m_checkUrlsEnabled, &AppDelegate::urls_enabled);
    box(m_checkUrlListSuccess, &AppDelegate::urls_success);
    box(m_checkUrlListFailed, &AppDelegate::urls_fail);

    const auto button = [this](QPushButton* sender, void (AppDelegate::*action)(QObject*)) {
        connect(sender, &QPushButton::clicked, this, [this, sender, action] { (this->*action)(sender); });
    };
    // "Visit Website/Help" buttons lead to the product page, "Velbor Website" buttons to the home page.
    button(m_settingsLink, &AppDelegate::about_visit_website);
    button(m_aboutLink, &AppDelegate::about_visit_website);
    button(m_about_visit_website_btn, &AppDelegate::about_visit_website);
    button(m_settingsMainLink, &AppDelegate::visitMainWebsite);
    button(m_aboutMainLink, &AppDelegate::visitMainWebsite);
    button(u.setAsDefault, &AppDelegate::setAsDefault);
    button(u.resetToDefault, &AppDelegate::resetToDefault);
    connect(u.resetDefaults, &QPushButton::clicked, this, [this] { resetDefaults(); });
    button(u.saveSettings, &AppDelegate::saveSettings);
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
    // The status item has no title and no tool tip, only its image; the tray draws the highlight.
    setStatusImage(s("checkOk.png"));
    m_statusBar->show();
    if (!QSystemTrayIcon::isSystemTrayAvailable() && QGuiApplication::platformName() != s("offscreen")) {
        TRACE("no system tray yet: the monitor runs on, and its icon docks when a tray appears");
    }
}

void AppDelegate::applicationDidFinishLaunching()
{
    initClasses();
    initVars();
    m_txtUrlList->setPlainText(builtInHostList());

    m_timer = new QTimer(this);
    m_timer->setInterval(TickIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &AppDelegate::gameLoop);
    m_timer->start();

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
    m_obj->btnTxtTxtColor(m_settingsLink, s("Visit Website/Help"), blue);
    m_obj->btnTxtTxtColor(m_aboutLink, s("Visit Website/Help"), blue);
    m_obj->btnTxtTxtColor(m_settingsMainLink, s("Velbor Website"), blue);
    m_obj->btnTxtTxtColor(m_aboutMainLink, s("Velbor Website"), blue);
}

// ---- The tick ----

void AppDelegate::gameLoop()
{
    if (stateOf(m_checkingEnabled) == 0) {
        return;
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
        const int period = qMax(1, m_intSlider->value());
        if (m_tick % (period * CheckTicks) == 0) {
            setLampImage(m_internetOK ? s("greenLed.png") : s("redLed.png"));
        }
    }
}

void AppDelegate::iconStep()
{
    if (m_toggle) {
        setStatusImage(m_internetOK ? s("checkOk.png") : s("checkFail.png"));
        return;
    }
    const QCheckBox* flashes = m_internetOK ? m_okIconFlashes : m_failIconFlashes;
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

void AppDelegate::internetUrlCheck()
{
    const int seconds = m_tick / CheckTicks;
    const int intervalUp = intervalOf(m_txtNetOKInterval, s("60"));
    const int intervalDown = intervalOf(m_txtNetFailInterval, s("10"));

    if (isDue(seconds, qMax(1, m_intSlider->value()))) {
        m_internetOK = m_db->isDataSourceAvailable(m_txtUrl->text());
    }
    m_internetStateChanged = m_internetOK != m_internetPrevious;
    m_internetPrevious = m_internetOK;

    const bool up = m_internetOK;
    const int interval = up ? intervalUp : intervalDown;
    if (!isDue(seconds, interval) && !m_internetStateChanged) {
        return;
    }
    const QCheckBox* repeats = up ? m_checkOKRepeats : m_checkFailRepeats;
    bool& ownFired = up ? m_successFired : m_failFired;
    bool& otherFired = up ? m_failFired : m_successFired;
    if (!isExactlyOn(repeats) && ownFired) {
        m_internetStateChanged = false;
        debugSystem();
        return;
    }
    ownFired = true;
    otherFired = false;

    const QString sentence = (up ? m_txtNetOkSpk : m_txtNetFailSpk)->text();
    if (isOn(up ? m_checkOKSpk : m_checkFailSpk) && !sentence.isEmpty()) {
        m_media->ttsAddToQueue(sentence);
    }
    if (isOn(up ? m_checkOKAlert : m_checkFailAlert)) {
        m_txtAlert->setText((up ? m_txtNetOkAlert : m_txtNetFailAlert)->text());
        showWindow(m_windowAlert);
    }
    if (isOn(m_logEnabled)) {
        logChange(sentence);
    }
    if (isOn(m_showLatest)) {
        latestChange(sentence);
    }
    m_internetStateChanged = false;
    debugSystem();
}

void AppDelegate::otherUrlsCheck()
{
    if (!isOn(m_checkUrlsEnabled)) {
        return;
    }
    const int interval = intervalOf(m_txtUrlsInterval, s("60"));
    if (!isDue(m_tick / CheckTicks, interval)) {
        return;
    }
    const QString text = m_txtUrlList->toPlainText();
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
    const QString leading = m_txtUrlListLeading->text();

    QString result;
    if (m_db->isDataSourceAvailable(host)) {
        if (!isOn(m_checkUrlListSuccess)) {
            return;
        }
        result = m_txtUrlListSuccess->text();
    } else {
        if (!isOn(m_checkUrlListFailed)) {
            return;
        }
        result = m_txtUrlListFailed->text();
    }
    const QString sentence = format("%@ %@ %@", leading, host, result);
    m_media->ttsAddToQueue(sentence);
    if (isOn(m_logEnabled)) {
        logChange(sentence);
    }
    if (isOn(m_showLatest)) {
        latestChange(sentence);
    }
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
    m_checkLed->setPixmap(imageNamed(name));
}

// ---- Event log and latest list ----

bool AppDelegate::enterDocumentDirectory()
{
    return m_fs->changeToDocDir();
}

void AppDelegate::logChange(const QString& message)
{
    const QString line = format("%@-%@\n", m_st->getDateTime(), message);
    if (!isAscii(line) || !enterDocumentDirectory()) {
        return;
    }
    // When the application directory cannot be entered the log lives in the documents directory,
    // next to the settings file that is then written there as well.
    m_fs->changeDir(applicationDirectoryName());
    // One append per entry: a crash cannot lose the earlier lines, and the cost does not grow with
    // the log.
    appendToFile(m_fs->getPathToItem(s("log.txt")), line.toLatin1());
}

void AppDelegate::latestChange(const QString& message)
{
    m_latest.prepend(format("%@-%@\n", m_st->getDateTime(), message));
    while (m_latest.size() > LatestCapacity) {
        m_latest.removeLast();
    }
    m_latestView->setPlainText(m_latest.join(QString()));
}

void AppDelegate::showLog(QObject*)
{
    if (!enterDocumentDirectory()) {
        return;
    }
    m_fs->changeDir(applicationDirectoryName());
    m_system->tm(format("open %@", s("log.txt")));
}

void AppDelegate::clrLog(QObject*)
{
    // Deleting must never act on the documents directory itself.
    if (!enterDocumentDirectory() || !m_fs->changeDir(applicationDirectoryName())) {
        return;
    }
    const QString name = s("log.txt");
    m_fs->deleteItem(name);
    if (m_fs->doesItemExist(name) == -1) {
        logChange(s("Log Cleared"));
        return;
    }
    // The old log could not be removed: replace its content with the one line instead.
    m_fs->writeTxtToFileData(name, format("%@-%@\n", m_st->getDateTime(), s("Log Cleared")));
}

// ---- Settings file ----

QVariantMap AppDelegate::settingsDictionary() const
{
    QVariantMap d;
    d.insert(s("gen0"), m_txtUrl->text());
    d.insert(s("gen1"), m_txtNetOkSpk->text());
    d.insert(s("gen2"), m_txtNetOkAlert->text());
    d.insert(s("gen3"), m_txtNetOKInterval->text());
    d.insert(s("gen4"), stateOf(m_checkingEnabled));
    d.insert(s("gen5"), stateOf(m_checkOKSpk));
    d.insert(s("gen6"), stateOf(m_checkOKAlert));
    d.insert(s("gen7"), stateOf(m_checkOKRepeats));
    d.insert(s("gen8"), m_txtNetFailSpk->text());
    d.insert(s("gen9"), m_txtNetFailAlert->text());
    d.insert(s("gen10"), m_txtNetFailInterval->text());
    d.insert(s("gen11"), stateOf(m_checkFailSpk));
    d.insert(s("gen12"), stateOf(m_checkFailAlert));
    d.insert(s("gen13"), stateOf(m_checkFailRepeats));
    d.insert(s("gen14"), m_txtUrlList->toPlainText());
    d.insert(s("gen15"), m_txtUrlListSuccess->text());
    d.insert(s("gen16"), m_txtUrlsInterval->text());
    d.insert(s("gen17"), m_txtUrlListFailed->text());
    d.insert(s("gen18"), stateOf(m_checkUrlsEnabled));
    d.insert(s("gen19"), stateOf(m_checkUrlListSuccess));
    d.insert(s("gen20"), stateOf(m_checkUrlListFailed));
    d.insert(s("gen21"), stateOf(m_okIconFlashes));
    d.insert(s("gen22"), stateOf(m_failIconFlashes));
    d.insert(s("gen23"), m_intSlider->value());
    return d;
}

// A number entry as a 32-bit integer (saturated), a text entry by its leading decimal integer, a
// missing or other entry 0.
int AppDelegate::integerValueOf(const QVariant& entry) const
{
    switch (entry.typeId()) {
    case QMetaType::QString:
        return m_st->NSStringToInt(entry.toString());
    case QMetaType::Bool:
        return entry.toBool() ? 1 : 0;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        const qint64 value = entry.toLongLong();
        return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double value = entry.toDouble();
        if (value != value) {
            return 0;
        }
        return int(std::clamp(value, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
    }
    default:
        return 0;
    }
}

void AppDelegate::applySettings(const QVariantMap& settings)
{
    // A text control takes a text entry (or a number written out); a missing entry or one of another
    // kind leaves the control as it is.
    const auto text = [&settings](const char* key, auto* control) {
        const QVariant entry = settings.value(s(key));
        QString value;
        switch (entry.typeId()) {
        case QMetaType::QString:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Bool:
            value = entry.toString();
            break;
        default:
            return;
        }
        if constexpr (std::is_same_v<decltype(control), QPlainTextEdit*>) {
            control->setPlainText(value);
        } else {
            control->setText(value);
        }
    };
    const auto state = [this, &settings](const char* key, QAbstractButton* box) {
        setStateOf(box, integerValueOf(settings.value(s(key))));
    };

    text("gen0", m_txtUrl);
    text("gen1", m_txtNetOkSpk);
    text("gen2", m_txtNetOkAlert);
    text("gen3", m_txtNetOKInterval);
    state("gen4", m_checkingEnabled);
    state("gen5", m_checkOKSpk);
    state("gen6", m_checkOKAlert);
    state("gen7", m_checkOKRepeats);
    text("gen8", m_txtNetFailSpk);
    text("gen9", m_txtNetFailAlert);
    text("gen10", m_txtNetFailInterval);
    state("gen11", m_checkFailSpk);
    state("gen12", m_checkFailAlert);
    state("gen13", m_checkFailRepeats);
    text("gen14", m_txtUrlList);
    text("gen15", m_txtUrlListSuccess);
    text("gen16", m_txtUrlsInterval);
    text("gen17", m_txtUrlListFailed);
    state("gen18", m_checkUrlsEnabled);
    state("gen19", m_checkUrlListSuccess);
    state("gen20", m_checkUrlListFailed);
    state("gen21", m_okIconFlashes);
    state("gen22", m_failIconFlashes);
    // The slider limits the value to its range; the label shows what it holds.
    {
        const QSignalBlocker quiet(m_intSlider);
        m_intSlider->setValue(integerValueOf(settings.value(s("gen23"))));
    }
    m_txtSlider->setText(format("chk every: %d secs", m_intSlider->value()));
}

void AppDelegate::saveSettingsAfile(const QString& name)
{
    m_fs->writeDictionaryToFileData(name, settingsDictionary());
}

void AppDelegate::saveSettingsToFile()
{
    if (!enterDocumentDirectory()) {
        return;
    }
    const QString dir = applicationDirectoryName();
    bool entered = false;
    if (m_fs->doesDirExist(dir) == -1) {
        m_fs->makeDir(dir);
        entered = m_fs->changeDir(dir);
        if (entered) {
            saveSettingsAfile(s("Defaults.txt"));
        }
    }
    if (!entered) {
        // Fails when "com.velbor.Carrowen" is a plain file: the settings are then written in the
        // documents directory itself.
        m_fs->changeDir(dir);
    }
    saveSettingsAfile(s("TestFile.txt"));
}

void AppDelegate::loadSettingsFromFile()
{
    if (!enterDocumentDirectory()) {
        return;
    }
    m_fs->changeDir(applicationDirectoryName());
    if (m_fs->doesItemExist(s("TestFile.txt")) == -1) {
        saveSettingsToFile();
        return;
    }
    const std::optional<QVariantMap> settings = m_fs->readDictionaryFromFile(s("TestFile.txt"));
    if (!settings) {
        TRACE("TestFile.txt holds no settings dictionary; the settings stay as they are");
        return;
    }
    applySettings(*settings);
}

// ---- Windows ----

void AppDelegate::showWindow(QWidget* window)
{
    // A window never shown yet takes the size of its layout first, so that it is centred as it will be.
    if (!window->isVisible() && !window->testAttribute(Qt::WA_Resized)) {
        window->adjustSize();
    }
    m_obj->windowPositionAnimated(window, 6, false); // centred on the active screen
    m_obj->windowShow(window, true);                 // shown, raised and activated
    m_obj->windowKeepAbove(window, true);            // above normal windows, as status windows are
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
    QCoreApplication::quit();
}

void AppDelegate::windowClosed(QWidget* window)
{
    if (window == m_windowSettings) {
        m_settingsIsActive = false; // so that "Show Alert" works again
    }
    saveSettingsToFile();
}

void AppDelegate::intSliderSender(QObject*)
{
    const int value = m_intSlider->value();
    m_txtSlider->setText(format("chk every: %d secs", value));
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

// The platform's answer is ignored: without a browser nothing happens (its opener writes a trace line).
void AppDelegate::about_visit_website(QObject*)
{
    Platform::workspace()->open(productPageUrl());
}

void AppDelegate::visitMainWebsite(QObject*)
{
    Platform::workspace()->open(homePageUrl());
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
    enableFieldOf(sender, m_checkingEnabled, m_txtUrl);
}

void AppDelegate::spk_ok(QObject* sender)
{
    enableAndPreview(sender, m_checkOKSpk, m_txtNetOkSpk);
}

void AppDelegate::alert_ok(QObject* sender)
{
    enableFieldOf(sender, m_checkOKAlert, m_txtNetOkAlert);
}

void AppDelegate::spk_fail(QObject* sender)
{
    enableAndPreview(sender, m_checkFailSpk, m_txtNetFailSpk);
}

void AppDelegate::alert_fail(QObject* sender)
{
    enableFieldOf(sender, m_checkFailAlert, m_txtNetFailAlert);
}

void AppDelegate::urls_enabled(QObject* sender)
{
    enableFieldOf(sender, m_checkUrlsEnabled, m_txtUrlsInterval);
}

void AppDelegate::urls_success(QObject* sender)
{
    enableAndPreview(sender, m_checkUrlListSuccess, m_txtUrlListSuccess);
}

void AppDelegate::urls_fail(QObject* sender)
{
    enableAndPreview(sender, m_checkUrlListFailed, m_txtUrlListFailed);
}

// ---- Defaults and reset ----

bool AppDelegate::enterApplicationDirectory()
{
    return enterDocumentDirectory() && m_fs->changeDir(applicationDirectoryName());
}

// The copy goes to a hidden name first and is then renamed over the target, so the target is either
// the old file or the complete new one; a missing source leaves the target alone.
bool AppDelegate::replaceWithCopy(const QString& source, const QString& target)
{
    const QString partial = format(".%@.part", target);
    m_fs->deleteItem(partial); // a leftover of an interrupted copy
    if (!m_fs->cpyItemToItem(source, partial)) {
        TRACE("%@ could not be copied: %@ stays as it was", source, target);
        return false;
    }
    const QByteArray from = QFile::encodeName(m_fs->getPathToItem(partial));
    const QByteArray to = QFile::encodeName(m_fs->getPathToItem(target));
    if (std::rename(from.constData(), to.constData()) != 0) {
        m_fs->deleteItem(partial);
        TRACE("%@ could not be replaced", target);
        return false;
    }
    return true;
}

void AppDelegate::setAsDefault(QObject*)
{
    if (enterApplicationDirectory()) {
        replaceWithCopy(s("TestFile.txt"), s("Defaults.txt"));
    }
}

void AppDelegate::resetToDefault(QObject*)
{
    if (enterApplicationDirectory()) {
        replaceWithCopy(s("Defaults.txt"), s("TestFile.txt"));
    }
}

void AppDelegate::resetDefaults()
{
    if (!enterApplicationDirectory()) {
        return;
    }
    replaceWithCopy(s("Defaults.txt"), s("TestFile.txt"));
    loadSettingsFromFile();
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
