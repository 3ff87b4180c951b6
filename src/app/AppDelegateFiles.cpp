// The event log, the latest list, the settings file and the defaults.
#include "AppControls.h"
#include "AppDelegate.h"

#include "Numbers.h"

#include "ui_SettingsWindow.h"

#include "AtomicFile.h"
#include "FS.h"
#include "Format.h"
#include "Mac_system.h"
#include "Strings.h"
#include "Trace.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QStandardPaths>

#include <algorithm>
#include <limits>
#include <optional>

using namespace app_controls;

namespace {

const qsizetype LatestCapacity = 16;

bool isAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0x7F) {
            return false;
        }
    }
    return true;
}

} // namespace

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
    if (appendToFile(m_fs->getPathToItem(s("log.txt")), line.toLatin1()) && m_windowLog) {
        followLog(line);
    }
}

void AppDelegate::latestChange(const QString& message)
{
    m_latest.prepend(format("%@-%@\n", m_st->getDateTime(), message));
    while (m_latest.size() > LatestCapacity) {
        m_latest.removeLast();
    }
    ui().latestView->setPlainText(m_latest.join(QString()));
}

void AppDelegate::showLog(QObject*)
{
    if (!enterDocumentDirectory()) {
        return;
    }
    m_fs->changeDir(applicationDirectoryName());
    openLogOrShowIt(m_fs->getPathToItem(s("log.txt")));
}

void AppDelegate::clrLog(QObject*)
{
    // Deleting must never act on the documents directory itself.
    if (!enterDocumentDirectory() || !m_fs->changeDir(applicationDirectoryName())) {
        return;
    }
    const QString name = s("log.txt");
    m_fs->deleteItem(name);
    if (m_windowLog) {
        m_windowLog->clear();
    }
    if (m_fs->doesItemExist(name) == -1) {
        logChange(s("Log Cleared"));
        return;
    }
    // The old log could not be removed: replace its content with the one line instead.
    const QString line = format("%@-%@\n", m_st->getDateTime(), s("Log Cleared"));
    if (m_fs->writeTxtToFileData(name, line) && m_windowLog) {
        followLog(line);
    }
}

// ---- Settings file ----

namespace {

// The settings keys and the controls they are stored from and loaded into, in key order. The kind of
// control decides the kind of entry: a field or view holds text, a checkbox its state, the slider
// its value.
struct SettingsEntry
{
    const char* key;
    QWidget* control;
};

QList<SettingsEntry> settingsTable(const Ui::SettingsWindow& u)
{
    return {
        {"gen0", u.txtUrl},
        {"gen1", u.txtNetOkSpk},
        {"gen2", u.txtNetOkAlert},
        {"gen3", u.txtNetOKInterval},
        {"gen4", u.checkingEnabled},
        {"gen5", u.checkOKSpk},
        {"gen6", u.checkOKAlert},
        {"gen7", u.checkOKRepeats},
        {"gen8", u.txtNetFailSpk},
        {"gen9", u.txtNetFailAlert},
        {"gen10", u.txtNetFailInterval},
        {"gen11", u.checkFailSpk},
        {"gen12", u.checkFailAlert},
        {"gen13", u.checkFailRepeats},
        {"gen14", u.txtUrlList},
        {"gen15", u.txtUrlListSuccess},
        {"gen16", u.txtUrlsInterval},
        {"gen17", u.txtUrlListFailed},
        {"gen18", u.checkUrlsEnabled},
        {"gen19", u.checkUrlListSuccess},
        {"gen20", u.checkUrlListFailed},
        {"gen21", u.okIconFlashes},
        {"gen22", u.failIconFlashes},
        {"gen23", u.intSlider},
    };
}

// A text entry, or a number written out; none for a missing entry or one of another kind.
std::optional<QString> textOf(const QVariant& entry)
{
    switch (entry.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return entry.toString();
    default:
        return std::nullopt;
    }
}

} // namespace

// The view turns "\r", U+2028 and U+2029 into line breaks of its own and gives them back as "\n". The
// text as it was set is kept beside it and answered for as long as the view shows it unedited, so a
// stored list survives a load and a save unchanged.
QString AppDelegate::hostList() const
{
    const QString shown = ui().txtUrlList->toPlainText();
    return shown == m_hostListShown ? m_hostList : shown;
}

void AppDelegate::setHostList(const QString& text)
{
    ui().txtUrlList->setPlainText(text);
    m_hostList = text;
    m_hostListShown = ui().txtUrlList->toPlainText();
}

QVariantMap AppDelegate::settingsDictionary() const
{
    QVariantMap d;
    for (const SettingsEntry& entry : settingsTable(ui())) {
        QVariant value;
        if (const auto* field = qobject_cast<const QLineEdit*>(entry.control)) {
            value = field->text();
        } else if (qobject_cast<const QPlainTextEdit*>(entry.control)) {
            value = hostList();
        } else if (const auto* box = qobject_cast<const QAbstractButton*>(entry.control)) {
            value = stateOf(box);
        } else if (const auto* slider = qobject_cast<const QSlider*>(entry.control)) {
            value = slider->value();
        }
        d.insert(s(entry.key), value);
    }
    return d;
}

// A text control takes a text entry (or a number written out); a missing entry or one of another kind
// leaves it as it is. A checkbox takes the integer value of any entry, the slider too, limited to its
// range.
void AppDelegate::applySettings(const QVariantMap& settings)
{
    for (const SettingsEntry& entry : settingsTable(ui())) {
        const QVariant value = settings.value(s(entry.key));
        if (auto* field = qobject_cast<QLineEdit*>(entry.control)) {
            if (const std::optional<QString> text = textOf(value)) {
                field->setText(*text);
            }
        } else if (qobject_cast<QPlainTextEdit*>(entry.control)) {
            if (const std::optional<QString> text = textOf(value)) {
                setHostList(*text);
            }
        } else if (auto* box = qobject_cast<QAbstractButton*>(entry.control)) {
            setStateOf(box, intValue(value));
        } else if (auto* slider = qobject_cast<QSlider*>(entry.control)) {
            const QSignalBlocker quiet(slider);
            slider->setValue(intValue(value));
        }
    }
    ui().txtSlider->setText(format("chk every: %d secs", ui().intSlider->value()));
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
        // The first defaults are written wherever the settings go, also when the new directory
        // could not be made or entered.
        saveSettingsAfile(s("Defaults.txt"));
    }
    if (!entered) {
        // Fails when "com.velbor.Carrowen" is a plain file or could not be made: the settings are
        // then written in the documents directory itself.
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

// ---- Defaults and reset ----

bool AppDelegate::enterApplicationDirectory()
{
    return enterDocumentDirectory() && m_fs->changeDir(applicationDirectoryName());
}

// The copy replaces the target in one step, so the target is either the old file or the complete new
// one; a missing source leaves the target alone.
bool AppDelegate::replaceWithCopy(const QString& source, const QString& target)
{
    QFile from(m_fs->getPathToItem(source));
    if (!from.open(QIODevice::ReadOnly)) {
        TRACE("%@ could not be copied: %@ stays as it was", source, target);
        return false;
    }
    const QByteArray bytes = from.readAll();
    if (from.error() != QFileDevice::NoError || !writeFileAtomically(m_fs->getPathToItem(target), bytes)) {
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
    // Without a Defaults.txt (or when it cannot be copied) the controls stay as they are and become
    // the settings file, so that no unsaved edit is lost.
    if (replaceWithCopy(s("Defaults.txt"), s("TestFile.txt"))) {
        loadSettingsFromFile();
    } else {
        saveSettingsToFile();
    }
    // The alarm options have no defaults file of their own: they go back to their built-in values.
    setOptions(AppOptions());
    saveOptions();
}
