#pragma once

#include "SharedInstance.h"

#include <QList>
#include <QUrl>

/**
 * Lets the user pick files or folders in a modal open dialog and keeps the choice for the caller.
 * The three options persist between dialogs until set again; fc_fileList holds the items of the last
 * confirmed dialog as file URLs, in the dialog's order, and is emptied by every new dialog.
 *
 * The dialog is Qt's own (not the desktop's native one), so that it behaves the same everywhere and
 * honours every combination of the options. Main thread only.
 */
class Mac_fs : public SharedInstance<Mac_fs>
{
    friend class SharedInstance<Mac_fs>;

public:
    bool fc_canChooseFiles() const { return m_canChooseFiles; }
    bool fc_canChooseDirs() const { return m_canChooseDirs; }
    bool fc_allowMultiple() const { return m_allowMultiple; }
    QList<QUrl> fc_fileList() const { return m_fileList; }
    void setFc_fileList(const QList<QUrl>& list) { m_fileList = list; }

    /** Sets the three options for the next dialog. */
    void NSfileChooseFilesChooseDirsAllowMultiple(bool files, bool dirs, bool multiple);
    /**
     * Empties fc_fileList, opens the dialog in the current directory and waits for the user. YES, with
     * the chosen items in fc_fileList, when the user confirmed; NO with the list empty when the user
     * cancelled. With neither files nor folders allowed nothing could be chosen: NO at once, with a
     * trace line, and no dialog.
     */
    bool NSfileChooser();
    /** Writes "hello from Mac_fs" to the process log. */
    void greet() const;

private:
    Mac_fs() = default;

    bool m_canChooseFiles = false;
    bool m_canChooseDirs = false;
    bool m_allowMultiple = false;
    QList<QUrl> m_fileList;
};
