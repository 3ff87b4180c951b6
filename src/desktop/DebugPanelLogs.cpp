// The debug panel's saved logs: saving, paging through and deleting them.
//
// Logs live in the documents directory as "yyMMdd_HHmmss.log", in UTF-8. Only names of exactly that
// shape that are plain files count as the panel's: a user's own "notes.log" or a ".log" directory is
// never listed, shown or deleted. Paths are built from the documents directory, so the process's
// current directory is left where the host put it.
#include "DebugPanel.h"

#include "AtomicFile.h"
#include "FS.h"
#include "ProcessLog.h"
#include "Strings.h"
#include "Trace.h"
#include "ui_DebugPanel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {
// Larger files are not the panel's logs (which hold at most about 1 MB of main text).
constexpr qint64 MaxLogBytes = 32 * 1024 * 1024;

QString separator()
{
    return u'\n' + QString(90, u'!') + u'\n';
}

// Drops the one blank that joining the pieces put at each end of a section.
QString unjoined(QString section)
{
    if (section.startsWith(u' ')) {
        section.remove(0, 1);
    }
    if (section.endsWith(u' ')) {
        section.chop(1);
    }
    return section;
}

// The log's text, or none for a file that is not UTF-8 text (a binary file with a log's name).
std::optional<QString> readLog(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxLogBytes) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0')) {
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}
} // namespace

QStringList DebugPanel::ownLogs(const QString& dir) const
{
    static const QRegularExpression ownName(QStringLiteral("^\\d{6}_\\d{6}\\.log$"));
    if (dir.isEmpty()) {
        return {};
    }
    // Fixed-width digits: sorting by name is sorting by time.
    return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name).filter(ownName);
}

void DebugPanel::saveLog()
{
    processLog(QStringLiteral("saveLog"));
    for (int i = 0; i < NumStatus; ++i) {
        removeTrailingCharFromTextField(lblStatus(i));
    }
    QString labels;
    for (int i = 0; i < NumStatus; ++i) {
        labels += lblStatus(i)->text() + u'\n';
    }
    QStringList confirms;
    for (int i = 0; i < NumConfirms; ++i) {
        confirms << m_confirmStr[size_t(i)];
    }
    const QString sep = separator();
    const QString content = QStringList{fullOutStr(),
                                        sep,
                                        txt(0)->toPlainText(),
                                        sep,
                                        txt(1)->toPlainText(),
                                        txt(2)->toPlainText(),
                                        txt(3)->toPlainText(),
                                        sep,
                                        labels,
                                        sep,
                                        confirms.join(QStringLiteral(" \n"))}
                                .join(u' ');

    const QString name = m_st->createFilenameFromDateAndExt(QStringLiteral("log"));
    const QString dir = m_fs->getDocumentDir();
    // Success is reported only once the file is really there.
    if (dir.isEmpty() || !writeFileAtomically(dir + u'/' + name, content.toUtf8())) {
        TRACE("could not write the log %@ in %@", name, dir);
        updateTxt(format("Could not save the log %@\n", name));
        return;
    }
    updateTxt(format("Logged Data to: %@\n", name));
    const int count = int(ownLogs(dir).size());
    title(m_ui->viewLogBtn, format("%d Log%@", count, count >= 2 ? QStringLiteral("s") : QString()), m_colours.yellow);
}

void DebugPanel::viewLogs()
{
    const QString dir = m_fs->getDocumentDir();
    const QStringList logs = ownLogs(dir);
    if (logs.isEmpty()) {
        m_ui->viewLogBtn->setText(QStringLiteral("No logs"));
        return;
    }
    if (!m_pauseUpdates) {
        pauseBtnAction();
    }
    clrBtn();
    if (m_currentLog < 0 || m_currentLog >= logs.size()) {
        m_currentLog = 0;
    }
    showLog(dir, logs.at(m_currentLog));
    m_ui->viewLogBtn->setText(format("Log:%d of %d", m_currentLog + 1, int(logs.size())));
    ++m_currentLog;
}

void DebugPanel::showLog(const QString& dir, const QString& name)
{
    const std::optional<QString> text = readLog(dir + u'/' + name);
    if (!text) {
        setFullOutStr(format("Listing of:%@\n\nThis file is not a readable log.\n", name));
        return;
    }
    // A log written by hand or cut short may lack sections, lines or confirm texts: what is missing
    // stays as clrBtn left it.
    const QStringList sections = text->split(separator());
    QString mainText = sections.value(0);
    if (sections.size() > 1 && mainText.endsWith(u' ')) {
        mainText.chop(1); // the blank that joined it to the next piece
    }
    setFullOutStr(format("Listing of:%@\n\n%@", name, mainText));
    for (int i = 1; i <= 4 && i < sections.size(); ++i) {
        txt(i - 1)->setPlainText(unjoined(sections.at(i)));
    }
    if (sections.size() > 3) {
        const QStringList labels = unjoined(sections.at(3)).split(u'\n');
        for (int i = 0; i < NumStatus && i < labels.size(); ++i) {
            lblStatus(i)->setText(labels.at(i));
        }
    }
    if (sections.size() > 4) {
        const QStringList confirms = unjoined(sections.at(4)).split(u'\n');
        const QColor colours[3] = {m_colours.red, m_colours.yellow, m_colours.green};
        for (int i = 0; i < NumConfirms && i < confirms.size(); ++i) {
            QString confirmText = confirms.at(i);
            if (i < NumConfirms - 1 && confirmText.endsWith(u' ')) {
                confirmText.chop(1);
            }
            if (confirmText.isEmpty()) {
                continue;
            }
            // Restored confirm texts stand still in their colour instead of flashing.
            m_confirmStr[size_t(i)] = confirmText;
            m_confirmActive[size_t(i)] = true;
            back(i)->show();
            confirm(i)->show();
            title(confirm(i), confirmText, colours[i % 3]);
        }
    }
}

void DebugPanel::deleteAllLogs()
{
    const QString dir = m_fs->getDocumentDir();
    qulonglong deleted = 0;
    for (const QString& name : ownLogs(dir)) {
        const QString path = dir + u'/' + name;
        if (QFileInfo(path).isFile() && !QFileInfo(path).isSymLink() && QFile::remove(path)) {
            ++deleted;
        }
    }
    updateTxt(format("Deleted %lu logs\n", deleted));
    title(m_ui->viewLogBtn, QStringLiteral("No Logs"), m_colours.blue);
}
