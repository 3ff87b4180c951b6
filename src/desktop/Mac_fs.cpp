#include "Mac_fs.h"

#include "ProcessLog.h"
#include "Trace.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace {

// Qt's dialog picks either files or one folder. Folders together with files, and several folders,
// need a dialog that accepts whatever existing entries are selected: "Open" on a selected folder
// then chooses it, while a double click still enters it.
class ChooserDialog : public QFileDialog
{
public:
    ChooserDialog(bool files, bool dirs, bool multiple) : m_acceptAny(dirs && (files || multiple))
    {
        setOption(QFileDialog::DontUseNativeDialog);
        setAcceptMode(QFileDialog::AcceptOpen);
        setDirectory(QDir::currentPath());
        if (dirs && !files) {
            setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
        }
        if (m_acceptAny) {
            setFileMode(QFileDialog::ExistingFiles);
        } else if (dirs) {
            setFileMode(QFileDialog::Directory);
            setOption(QFileDialog::ShowDirsOnly);
        } else {
            setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
        }
        m_dirsOnly = dirs && !files;
        m_multiple = multiple;
        setWindowTitle(multiple ? QStringLiteral("Choose Items") : QStringLiteral("Choose an Item"));
    }

    void accept() override
    {
        if (!m_acceptAny) {
            QFileDialog::accept();
            return;
        }
        const QStringList chosen = selectedFiles();
        if (chosen.isEmpty() || (!m_multiple && chosen.size() > 1)) {
            return;
        }
        for (const QString& path : chosen) {
            const QFileInfo info(path);
            if (!info.exists() || (m_dirsOnly && !info.isDir())) {
                return;
            }
        }
        QDialog::accept();
    }

private:
    bool m_acceptAny = false;
    bool m_dirsOnly = false;
    bool m_multiple = false;
};

} // namespace

void Mac_fs::greet() const
{
    processLog(QStringLiteral("hello from Mac_fs"));
}

void Mac_fs::NSfileChooseFilesChooseDirsAllowMultiple(bool files, bool dirs, bool multiple)
{
    m_canChooseFiles = files;
    m_canChooseDirs = dirs;
    m_allowMultiple = multiple;
}

bool Mac_fs::NSfileChooser()
{
    m_fileList.clear();
    if (!m_canChooseFiles && !m_canChooseDirs) {
        TRACE("neither files nor folders may be chosen: no dialog");
        return false;
    }
    ChooserDialog dialog(m_canChooseFiles, m_canChooseDirs, m_allowMultiple);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    for (const QString& path : dialog.selectedFiles()) {
        m_fileList << QUrl::fromLocalFile(path);
    }
    return true;
}
