#include "Mac_fs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// Drives the real (non-native) dialog that NSfileChooser opens, the way a user would: type names into
// the file name field and press Return, or press Cancel.
class TestMacFs : public QObject
{
    Q_OBJECT
    Mac_fs* fs = Mac_fs::sharedEngineInstance();
    QTemporaryDir dir;
    QStringList seen; // selectedFiles() of the dialog just before it was confirmed

    // Runs step on the dialog once it is open; step answers whether the dialog should then be gone.
    void whenOpen(std::function<void(QFileDialog*)> step)
    {
        QTimer::singleShot(0, this, [this, step] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) {
                whenOpen(step);
                return;
            }
            step(dialog);
        });
    }

    void type(QFileDialog* dialog, const QString& names)
    {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit);
        edit->setText(names);
        seen = dialog->selectedFiles();
        QTest::keyClick(edit, Qt::Key_Return);
    }

    static void cancel(QFileDialog* dialog)
    {
        auto* box = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        box->button(QDialogButtonBox::Cancel)->click();
    }

    QUrl url(const QString& name) const { return QUrl::fromLocalFile(dir.filePath(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        QDir::setCurrent(dir.path()); // the dialog opens in the current directory
    }

    void picksFilesAndFolders()
    {
        fs->NSfileChooseFilesChooseDirsAllowMultiple(true, false, false);
        whenOpen([this](QFileDialog* d) { type(d, QStringLiteral("b.txt")); });
        QVERIFY(fs->NSfileChooser());
        QCOMPARE(fs->fc_fileList(), QList<QUrl>{url(QStringLiteral("b.txt"))});

        fs->NSfileChooseFilesChooseDirsAllowMultiple(true, false, true);
        whenOpen([this](QFileDialog* d) { type(d, QStringLiteral("\"c.txt\" \"a.txt\"")); });
        QVERIFY(fs->NSfileChooser());
        QCOMPARE(fs->fc_fileList().size(), 2);
        QList<QUrl> expected;
        for (const QString& path : seen)
            expected << QUrl::fromLocalFile(path);
        QCOMPARE(fs->fc_fileList(), expected); // in the dialog's order
        for (const QUrl& u : fs->fc_fileList())
            QVERIFY(u.isLocalFile());

        fs->NSfileChooseFilesChooseDirsAllowMultiple(false, true, false);
        whenOpen([this](QFileDialog* d) { type(d, QStringLiteral("sub")); });
        QVERIFY(fs->NSfileChooser());
        QCOMPARE(fs->fc_fileList(), QList<QUrl>{url(QStringLiteral("sub"))});

        // Files and folders together: "Open" on a folder chooses it.
        fs->NSfileChooseFilesChooseDirsAllowMultiple(true, true, true);
        whenOpen([this](QFileDialog* d) { type(d, QStringLiteral("\"sub\" \"a.txt\"")); });
        QVERIFY(fs->NSfileChooser());
        QCOMPARE(fs->fc_fileList().size(), 2);
    }

    void cancelAndRefusalsLeaveTheListEmpty()
    {
        fs->NSfileChooseFilesChooseDirsAllowMultiple(true, false, false);
        whenOpen([this](QFileDialog* d) { type(d, QStringLiteral("a.txt")); });
        QVERIFY(fs->NSfileChooser());
        whenOpen([](QFileDialog* d) { cancel(d); });
        QVERIFY(!fs->NSfileChooser());
        QVERIFY(fs->fc_fileList().isEmpty()); // even though the dialog before had filled it

        // Options are respected: a folder is not a file, a file is not a folder; the dialog stays open.
        const auto refuse = [this](const QString& name) {
            whenOpen([this, name](QFileDialog* d) {
                type(d, name);
                QVERIFY(d->isVisible());
                cancel(d);
            });
            QVERIFY(!fs->NSfileChooser());
        };
        refuse(QStringLiteral("sub"));
        fs->NSfileChooseFilesChooseDirsAllowMultiple(false, true, true);
        refuse(QStringLiteral("a.txt"));
        fs->NSfileChooseFilesChooseDirsAllowMultiple(false, true, false);
        refuse(QStringLiteral("a.txt"));

        fs->NSfileChooseFilesChooseDirsAllowMultiple(false, false, true);
        QVERIFY(!fs->NSfileChooser()); // nothing could be chosen: no dialog at all
        QVERIFY(!QApplication::activeModalWidget());
    }
};

QTEST_MAIN(TestMacFs)
#include "tst_mac_fs.moc"
