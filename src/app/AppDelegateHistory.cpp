// The outage history and its window, settings import and export, and the "Start at login" switch.
#include "AppControls.h"
#include "AppDelegate.h"

#include "ui_SettingsWindow.h"

#include "AtomicFile.h"
#include "FS.h"
#include "Format.h"
#include "HistoryWindow.h"
#include "OutageHistory.h"
#include "Plist.h"
#include "PlistValue.h"
#include "Trace.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

using namespace app_controls;

namespace {

// A settings file is a few kilobytes; anything near this is not one.
const qint64 MaxSettingsFileSize = 1024 * 1024;
const int SettingsKeys = 24;

// The keys whose entries are texts; every other key holds an integer (a checkbox state or the slider).
bool isTextKey(int key)
{
    return (key >= 0 && key <= 3) || (key >= 8 && key <= 10) || (key >= 14 && key <= 17);
}

// Why dictionary is not a settings dictionary; "" when it is one.
QString settingsProblem(const QVariantMap& dictionary)
{
    for (int key = 0; key < SettingsKeys; ++key) {
        const QString name = format("gen%d", key);
        if (!dictionary.contains(name)) {
            return format("the entry \"%@\" is missing", name);
        }
        const QVariant& value = dictionary.value(name);
        if (isTextKey(key) ? value.typeId() != QMetaType::QString : !PlistValue::isIntegerOrBool(value)) {
            return format("the entry \"%@\" is not %@", name, isTextKey(key) ? s("a text") : s("a number"));
        }
    }
    if (dictionary.size() != SettingsKeys) {
        return s("it holds entries that are not settings");
    }
    return {};
}

// A value for a desktop entry's Exec key: quoted when it holds anything but plain path characters.
QString execArgument(const QString& path)
{
    static const QString plain = s("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-+");
    for (const QChar c : path) {
        if (!plain.contains(c)) {
            QString quoted = path;
            quoted.replace(QLatin1Char('\\'), s("\\\\\\\\"));
            quoted.replace(QLatin1Char('"'), s("\\\\\""));
            quoted.replace(QLatin1Char('`'), s("\\\\`"));
            quoted.replace(QLatin1Char('$'), s("\\\\$"));
            return QLatin1Char('"') + quoted.replace(QLatin1Char('%'), s("%%")) + QLatin1Char('"');
        }
    }
    return path;
}

} // namespace

// ---- Outage history ----

void AppDelegate::beginHistory()
{
    // Beside log.txt: in the application directory, or where the settings live when it cannot be entered.
    QString path = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                       .filePath(applicationDirectoryName() + s("/history.csv"));
    if (enterDocumentDirectory()) {
        m_fs->changeDir(applicationDirectoryName());
        path = m_fs->getPathToItem(s("history.csv"));
    }
    m_history = std::make_unique<OutageHistory>(path);
    m_history->begin();
}

void AppDelegate::showHistory(QObject*)
{
    if (!m_history) {
        return;
    }
    if (!m_windowHistory) {
        m_windowHistory = new HistoryWindow(m_history.get());
    } else {
        m_windowHistory->reload();
    }
    showWindow(m_windowHistory);
}

// ---- Settings import and export ----

QString AppDelegate::exportSettingsTo(const QString& path)
{
    const std::optional<QByteArray> bytes = Plist::toXml(settingsDictionary());
    if (!bytes || !writeFileAtomically(path, *bytes)) {
        return format("The settings could not be written to %@.", path);
    }
    return {};
}

QString AppDelegate::importSettingsFrom(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        return format("%@ is not a file.", path);
    }
    if (info.size() > MaxSettingsFileSize) {
        return format("%@ is too large to be a settings file. The settings are unchanged.", path);
    }
    const std::optional<QVariant> value = Plist::readFile(path);
    if (!value) {
        return format("%@ is not a settings file (it is not a property list). The settings are unchanged.", path);
    }
    if (value->typeId() != QMetaType::QVariantMap) {
        return format("%@ is not a settings file (it holds no dictionary). The settings are unchanged.", path);
    }
    const QString problem = settingsProblem(value->toMap());
    if (!problem.isEmpty()) {
        return format("%@ is not a settings file: %@. The settings are unchanged.", path, problem);
    }
    applySettings(value->toMap());
    saveSettingsToFile();
    return {};
}

void AppDelegate::chooseSettingsFile(bool import)
{
    QWidget* parent = m_windowSettings;
    const QString filter = s("Settings files (*.plist *.txt);;All files (*)");
    const QString path =
        import ? QFileDialog::getOpenFileName(parent, s("Import Settings"), QString(), filter)
               : QFileDialog::getSaveFileName(parent, s("Export Settings"), s("carrowen-settings.plist"), filter);
    if (path.isEmpty()) {
        return;
    }
    const QString error = import ? importSettingsFrom(path) : exportSettingsTo(path);
    if (!error.isEmpty()) {
        TRACE("%@", error);
        QMessageBox::warning(parent, s("Carrowen"), error);
    }
}

// ---- Start at login ----

QString AppDelegate::autostartPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + s("/autostart/carrowen.desktop");
}

bool AppDelegate::setStartAtLogin(bool on)
{
    const QString path = autostartPath();
    if (!on) {
        return !QFile::exists(path) || QFile::remove(path);
    }
    const QString entry = format("[Desktop Entry]\nType=Application\nName=Carrowen\n"
                                 "Comment=Watches the Internet connection from the system tray\n"
                                 "Exec=%@\nIcon=carrowen\nTerminal=false\nX-GNOME-Autostart-enabled=true\n",
                                 execArgument(QCoreApplication::applicationFilePath()));
    return QDir().mkpath(QFileInfo(path).absolutePath()) && writeFileAtomically(path, entry.toUtf8());
}

// The extra controls go beside the link buttons, so the window keeps its height.
void AppDelegate::addSettingsExtras()
{
    auto* importButton = new QPushButton(QStringLiteral("Import Settings\u2026"));
    auto* exportButton = new QPushButton(QStringLiteral("Export Settings\u2026"));
    importButton->setObjectName(s("importSettings"));
    exportButton->setObjectName(s("exportSettings"));
    m_startAtLogin = new QCheckBox(s("Start at login"));
    m_startAtLogin->setObjectName(s("startAtLogin"));
    m_startAtLogin->setChecked(QFile::exists(autostartPath()));
    QHBoxLayout* row = ui().linksLayout;
    row->addStretch();
    row->addWidget(m_startAtLogin);
    row->addWidget(importButton);
    row->addWidget(exportButton);
    connect(importButton, &QPushButton::clicked, this, [this] { chooseSettingsFile(true); });
    connect(exportButton, &QPushButton::clicked, this, [this] { chooseSettingsFile(false); });
    connect(m_startAtLogin, &QCheckBox::clicked, this, [this](bool on) {
        if (!setStartAtLogin(on)) {
            TRACE("%@ could not be %@", autostartPath(), on ? s("written") : s("removed"));
            const QSignalBlocker quiet(m_startAtLogin);
            m_startAtLogin->setChecked(!on);
        }
    });
}
