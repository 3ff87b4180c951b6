#include "FS.h"
#include "TestText.h"

#include "Format.h"
#include "KeyedArchive.h"
#include "Plist.h"
#include "TestHome.h"

#include <QDir>
#include <QFile>
#include <QPoint>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

QStringList list(std::initializer_list<const char*> texts)
{
    QStringList out;
    for (const char* t : texts) {
        out.append(QString::fromUtf8(t));
    }
    return out;
}

bool touch(const QString& path, const QByteArray& bytes = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestFS : public QObject
{
    Q_OBJECT

private:
    FS* fs = FS::sharedEngineInstance();
    std::unique_ptr<TestHome> m_home;
    QString m_savedDir;
    QString m_work;

    QString work(const QString& name) const { return m_work + u'/' + name; }

private slots:
    // Every test runs in a fresh directory inside a temporary HOME; the process's
    // current directory comes back afterwards.
    void init()
    {
        m_savedDir = QDir::currentPath();
        m_home = std::make_unique<TestHome>();
        m_work = m_home->path() + QStringLiteral("/work");
        QVERIFY(QDir().mkpath(m_work));
        QVERIFY(QDir::setCurrent(m_work));
    }
    void cleanup()
    {
        QDir::setCurrent(m_savedDir);
        m_home.reset();
    }

    // ---- Listing order and index answers ----

    void listingOrder_data()
    {
        QTest::addColumn<QStringList>("sorted");
        QTest::newRow("digit runs by value") << list({"img1.png", "img9.png", "img10.png", "img100.png"});
        QTest::newRow("hidden entries by code") << list({".hidden", "1", "10", "Visible", "_under", "visible"});
        QTest::newRow("leading zeros tie by code") << list({"a01", "a1", "a2", "a010"});
        QTest::newRow("runs longer than 64 bits")
            << list({"f99999999999999999999", "f100000000000000000000", "f100000000000000000001"});
    }
    void listingOrder()
    {
        QFETCH(QStringList, sorted);
        for (auto it = sorted.crbegin(); it != sorted.crend(); ++it) {
            QVERIFY(touch(work(*it)));
        }
        QCOMPARE(fs->listDir(QString()), sorted);
        QVERIFY(QDir().mkpath(work(s("sub"))));
        QVERIFY(QDir::setCurrent(m_home->path()));
        QCOMPARE(fs->listDir(s("work")).size(), sorted.size() + 1);
        QCOMPARE(fs->listDir(s("missing")), QStringList());
    }

    void indexAnswers_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("expected");
        // The directory holds .dot, B.txt, a.txt, b.txt and sub/x.txt: listing
        // .dot, B.txt, a.txt, b.txt, sub.
        QTest::newRow("first entry is 0") << s("exists") << s(".dot") << 0;
        QTest::newRow("exact") << s("exists") << s("a.txt") << 2;
        QTest::newRow("case-sensitive") << s("exists") << s("A.TXT") << -1;
        QTest::newRow("in sub-directory") << s("exists") << s("sub/x.txt") << 0;
        QTest::newRow("trailing slash") << s("exists") << s("sub/") << 4;
        QTest::newRow("plain file counts as dir") << s("dirExists") << s("b.txt") << 3;
        QTest::newRow("ignoring case") << s("noCase") << s("A.TXT") << 2;
        QTest::newRow("ignoring case, first in order") << s("noCase") << s("b.TXT") << 1;
    }
    void indexAnswers()
    {
        QFETCH(QString, op);
        QFETCH(QString, name);
        QFETCH(int, expected);
        for (const char* n : {".dot", "B.txt", "a.txt", "b.txt", "sub/x.txt"}) {
            QVERIFY(touch(work(s(n))));
        }
        const int answer = op == u"exists"      ? fs->doesItemExist(name)
                           : op == u"dirExists" ? fs->doesDirExist(name)
                                                : fs->getItemIndexInCurrentDir(name);
        QCOMPARE(answer, expected);
    }

    void indexInDocumentsSubDirectory()
    {
        const QString documents = m_home->documents();
        QVERIFY(touch(documents + s("/app/b.txt")));
        QVERIFY(touch(documents + s("/app/a.txt")));
        QCOMPARE(fs->getIndexOfItemInDir(s("b.txt"), s("app")), 1);
        QCOMPARE(QDir::currentPath(), documents + s("/app"));
        // A missing sub-directory answers -1 and leaves the documents directory
        // current.
        QCOMPARE(fs->getIndexOfItemInDir(s("b.txt"), s("nodir")), -1);
        QCOMPARE(QDir::currentPath(), documents);
        // Refused names answer at once without moving.
        QVERIFY(QDir::setCurrent(m_work));
        QCOMPARE(fs->getIndexOfItemInDir(QString(), s("app")), -1);
        QCOMPARE(fs->getIndexOfItemInDir(s("b.txt"), s("../Documents/app")), -1);
        QCOMPARE(QDir::currentPath(), m_work);
    }

    void extensions()
    {
        for (const char* n : {"b.txt", "a.txt", "c.TXT", "README", "dot.", "a.b.txt", "archive.tar.gz", ".txt"}) {
            QVERIFY(touch(work(s(n))));
        }
        QCOMPARE(fs->listItemsWithExt(s("txt")), list({".txt", "a.b.txt", "a.txt", "b.txt"}));
        QCOMPARE(fs->numItemsWithExt(s("txt")), 4);
        QCOMPARE(fs->listItemsWithExt(s("gz")), list({"archive.tar.gz"}));
        QCOMPARE(fs->listItemsWithExt(QString()), list({"README", "dot."}));
        // Counting needs a ".": the name without one has no empty last piece.
        QCOMPARE(fs->numItemsWithExt(QString()), 1);
        QCOMPARE(fs->deleteAllItemsWithExt(s("txt")), 4);
        QCOMPARE(fs->listDir(QString()), list({"README", "archive.tar.gz", "c.TXT", "dot."}));
    }

    // ---- Directories ----

    void directories()
    {
        QVERIFY(fs->makeDir(s("a/b/c")));
        QVERIFY(fs->makeDir(s("a/b")));
        QVERIFY(touch(work(s("file"))));
        QVERIFY(!fs->makeDir(s("file")));
        QVERIFY(!fs->makeDir(s("file/below")));

        QVERIFY(fs->changeDir(s("a/b")));
        QVERIFY(!fs->changeDir(s("nowhere")));
        QVERIFY(!fs->changeDir(work(s("file"))));
        QCOMPARE(fs->getCurrentDir(), work(s("a/b")));
        QVERIFY(fs->changeDir(s("../..")));
        QCOMPARE(fs->getCurrentDir(), m_work);
        QCOMPARE(fs->getPathToItemInDir(s("x"), s("a")), work(s("a/x")));
    }

    void documentsDirectory()
    {
        const QString documents = m_home->documents();
        QVERIFY(QDir(documents).removeRecursively());
        QCOMPARE(fs->getDocumentDir(), documents);
        QVERIFY(QFileInfo(documents).isDir());
        QVERIFY(fs->changeToDocDir());
        QCOMPARE(fs->getCurrentDir(), documents);
        QCOMPARE(fs->getSystemDir(FS::UserDirectory), m_home->path());
        QCOMPARE(fs->getSystemDir(4242), QString());
        QVERIFY(!fs->changeToSystemDir(4242));

        // Without HOME the other standard directories would land at the root: none
        // is answered.
        qunsetenv("HOME");
        QCOMPARE(fs->getSystemDir(FS::DesktopDirectory), QString());
    }

    // ---- Deleting ----

    void deleteItemPrefersExactName()
    {
        QVERIFY(touch(work(s("README")), "upper"));
        QVERIFY(touch(work(s("readme")), "lower"));
        QVERIFY(touch(work(s("Readme")), "mixed"));
        // "README" sorts first, but "readme" must not go when it is asked for by
        // its own name.
        QVERIFY(fs->deleteItem(s("readme")));
        QCOMPARE(fs->listDir(QString()), list({"README", "Readme"}));
        // Without an exact match the first case-insensitive entry in listing order
        // goes.
        QVERIFY(fs->deleteItem(s("rEADME")));
        QCOMPARE(fs->listDir(QString()), list({"Readme"}));
        QVERIFY(fs->deleteItem(s("README")));
        QVERIFY(!fs->deleteItem(s("README")));
        QCOMPARE(fs->doesItemExist(s("README")), -1);
    }

    void deleteItemTrees()
    {
        QVERIFY(touch(work(s("tree/a/b/c.txt"))));
        QVERIFY(touch(work(s("tree/.hidden"))));
        QVERIFY(touch(work(s("kept/inside.txt"))));
        QVERIFY(QFile::link(work(s("kept")), work(s("link"))));
        QVERIFY(fs->deleteItem(s("tree")));
        QVERIFY(!QFileInfo::exists(work(s("tree"))));
        // A link goes, never what it points to; also when named with a trailing
        // "/".
        QVERIFY(fs->deleteItem(s("link/")));
        QVERIFY(!QFileInfo(work(s("link"))).isSymLink());
        QVERIFY(QFileInfo::exists(work(s("kept/inside.txt"))));
        QVERIFY(fs->deleteItem(s("kept/inside.txt")));
        QCOMPARE(fs->listDir(s("kept")), QStringList());
    }

    void wipeCurrentDir()
    {
        QVERIFY(fs->wipeCurrentDir());
        QVERIFY(touch(work(s("a.txt"))));
        QVERIFY(touch(work(s("d/e/f.txt"))));
        QVERIFY(touch(work(s(".hidden"))));
        QVERIFY(fs->wipeCurrentDir());
        QCOMPARE(fs->listDir(QString()), QStringList());
        QVERIFY(QFileInfo(m_work).isDir());
    }

    void deleteAllItemsFromDir_data()
    {
        QTest::addColumn<QString>("dir");
        QTest::addColumn<bool>("wiped");
        QTest::addColumn<QString>("currentAfter"); // relative to the documents
                                                   // directory; "-" for unchanged
        QTest::newRow("existing") << s("victims") << true << s("victims");
        QTest::newRow("missing: nothing removed") << s("nodir") << false << QString();
        QTest::newRow("empty: refused") << QString() << false << s("-");
        QTest::newRow("dot: not the documents directory") << s(".") << false << QString();
        QTest::newRow("dot-dot: refused") << s("../Documents/victims") << false << s("-");
    }
    void deleteAllItemsFromDir()
    {
        QFETCH(QString, dir);
        QFETCH(bool, wiped);
        QFETCH(QString, currentAfter);
        const QString documents = m_home->documents();
        QVERIFY(touch(documents + s("/precious.txt")));
        QVERIFY(touch(documents + s("/victims/a.txt")));
        QVERIFY(touch(documents + s("/victims/sub/b.txt")));
        fs->deleteAllItemsFromDir(dir);
        QVERIFY(QFileInfo::exists(documents + s("/precious.txt")));
        QCOMPARE(QDir(documents + s("/victims")).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot), wiped);
        const QString expected = currentAfter == u"-"     ? m_work
                                 : currentAfter.isEmpty() ? documents
                                                          : documents + u'/' + currentAfter;
        QCOMPARE(QDir::currentPath(), expected);
    }

    // ---- Refused names ----

    void refusedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("dot-dot") << s("..");
        QTest::newRow("leads out") << s("../outside.txt");
        QTest::newRow("leads out and back") << s("sub/../../outside.txt");
        QTest::newRow("missing directory") << s("nodir/file.txt");
        QTest::newRow("NUL inside") << (s("outside.txt") + QChar(0) + s("x"));
    }
    void refusedNames()
    {
        QFETCH(QString, name);
        // The current directory is work/inner; work/outside.txt is what ".." would
        // reach.
        QVERIFY(touch(work(s("outside.txt")), "keep"));
        QVERIFY(QDir().mkpath(work(s("inner/sub"))));
        QVERIFY(fs->changeDir(s("inner")));
        QVERIFY(!fs->writeTxtToFileData(name, s("new")));
        QVERIFY(!fs->writeDictionaryToFileData(name, {{s("k"), 1}}));
        QVERIFY(!fs->writeNSArrayToFileData(name, {1}));
        QVERIFY(!fs->readTxtFromFile(name));
        QVERIFY(!fs->readDictionaryFromFile(name));
        QCOMPARE(fs->doesItemExist(name), -1);
        QVERIFY(!fs->deleteItem(name));
        QCOMPARE(fs->getItemAttributeAttribType(name, 2), s("UNKNOWN_ATTRIB"));
        QCOMPARE(fs->getItemSize(name), 0);
        QVERIFY(!fs->isItemFile(name));
        QVERIFY(!fs->isItemDeletable(name));
        QVERIFY(!fs->getModifiedDateOfItem(name));
        if (name.contains(u'/')) {
            // Bases without a "/" are harmless ("0.txt", "..0.txt"); these must write
            // nothing.
            fs->writeFileExtDataOverwrite(name, s("txt"), s("x"), false);
        }
        if (name.isEmpty() || name.contains(s("..")) || name.contains(QChar(0))) {
            QVERIFY(!fs->makeDir(name));
        }
        QCOMPARE(contents(work(s("outside.txt"))), QByteArray("keep"));
        QCOMPARE(QDir(work(s("inner"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 list({"sub"}));
        QVERIFY(!QFileInfo::exists(work(s("inner/nodir"))));
    }

    // ---- Attributes ----

    void attributes()
    {
        QVERIFY(touch(work(s("five.txt")), "12345"));
        QVERIFY(QDir().mkpath(work(s("dir"))));
        QVERIFY(QFile::link(work(s("five.txt")), work(s("link"))));
        QCOMPARE(fs->getItemAttributeAttribType(s("five.txt"), 2), s("5"));
        QCOMPARE(fs->getItemAttributeAttribType(s("five.txt"), 3), s("NSFileTypeRegular"));
        QCOMPARE(fs->getItemAttributeAttribType(s("dir"), 3), s("NSFileTypeDirectory"));
        QCOMPARE(fs->getItemAttributeAttribType(s("link"), 3), s("NSFileTypeSymbolicLink"));
        QCOMPARE(fs->getItemAttributeAttribType(s("five.txt"), 7), s("UNKNOWN_ATTRIB"));
        QCOMPARE(fs->getItemAttributeAttribType(s("none"), 0), s("UNKNOWN_ATTRIB"));
        QVERIFY(fs->isItemDir(s("dir")) && !fs->isItemFile(s("dir")));
        QVERIFY(!fs->isItemFile(s("link")));
        QVERIFY(fs->isItemExecutable(s("dir")));

        const QDateTime date(QDate(2020, 2, 29), QTime(23, 59, 58, 250), Qt::UTC);
        fs->setItemModificationDate(s("five.txt"), date);
        QCOMPARE(fs->getModifiedDateOfItem(s("five.txt")), std::optional<QDateTime>(date));
        QCOMPARE(fs->getItemAttributeAttribType(s("five.txt"), 1), s("2020-02-29 23:59:58 +0000"));
        QVERIFY(!fs->getItemAttributeAttribType(s("five.txt"), 0).isEmpty());
        QVERIFY(!fs->getModifiedDateOfItem(s("none")));
    }

    void compareItems()
    {
        for (const char* root : {"orig", "copy", "changed", "extra"}) {
            QVERIFY(touch(work(s(root) + s("/f.txt")), "abc"));
            QVERIFY(touch(work(s(root) + s("/d/g.txt")), QByteArray(100000, 'x')));
        }
        QVERIFY(touch(work(s("changed/d/g.txt")), QByteArray(99999, 'x') + 'y'));
        QVERIFY(touch(work(s("extra/.more"))));
        QVERIFY(fs->cmpItemWithItem(s("orig"), s("copy")));
        QVERIFY(fs->cmpItemWithItem(s("orig/f.txt"), work(s("copy/f.txt"))));
        for (const char* other : {"changed", "extra", "none", "orig/f.txt"}) {
            QVERIFY2(!fs->cmpItemWithItem(s("orig"), s(other)), other);
        }
    }

    // ---- Text files ----

    void textFiles()
    {
        const QString text = s("2026:12:5 9:05:03-Internet connection lost\r\n\t");
        QVERIFY(fs->writeTxtToFileData(s("t.txt"), text));
        QCOMPARE(contents(work(s("t.txt"))), text.toLatin1());
        QCOMPARE(fs->readTxtFromFile(s("t.txt")), std::optional<QString>(text));
        // A character outside ASCII writes nothing, and an earlier file stays as it
        // was.
        QVERIFY(touch(work(s("keep.txt")), "old"));
        QVERIFY(!fs->writeTxtToFileData(s("keep.txt"), s("caf\xC3\xA9")));
        QCOMPARE(contents(work(s("keep.txt"))), QByteArray("old"));
    }

    void textEncodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::optional<QString>>("expected");
        const std::optional<QString> none;
        QTest::newRow("utf-8") << QByteArray("Gr\xC3\xBC\xC3\x9F"
                                             "e")
                               << std::optional(s("Gr\xC3\xBC\xC3\x9F"
                                                  "e"));
        QTest::newRow("utf-8 mark") << QByteArray("\xEF\xBB\xBFok") << std::optional(s("ok"));
        QTest::newRow("utf-16le mark") << QByteArray("\xFF\xFEh\0i\0", 6) << std::optional(s("hi"));
        QTest::newRow("utf-16le unmarked") << QByteArray("h\0i\0", 4) << std::optional(s("hi"));
        QTest::newRow("latin-1") << QByteArray("caf\xE9") << std::optional(s("caf\xC3\xA9"));
        QTest::newRow("empty") << QByteArray() << std::optional(QString());
        QTest::newRow("utf-16 cut off") << QByteArray("\xFF\xFEh\0i", 5) << none;
        QTest::newRow("binary") << QByteArray("\x7F"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10)
                                << none;
    }
    void textEncodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(std::optional<QString>, expected);
        QVERIFY(touch(work(s("in.txt")), bytes));
        QCOMPARE(fs->readTxtFromFile(s("in.txt")), expected);
    }

    void writeFileChoosesName()
    {
        QVERIFY(touch(work(s("log0.txt"))));
        QVERIFY(touch(work(s("log1.txt"))));
        QVERIFY(touch(work(s("log3.txt"))));
        fs->writeFileExtDataOverwrite(s("log"), s("txt"), s("two"), false);
        QCOMPARE(contents(work(s("log2.txt"))), QByteArray("two"));
        fs->writeFileExtDataOverwrite(s("log"), s("txt"), s("four"), false);
        QCOMPARE(contents(work(s("log4.txt"))), QByteArray("four"));
        QVERIFY(QDir().mkpath(work(s("sub"))));
        fs->writeFileExtDataOverwrite(s("sub/notes"), s("txt"), s("x"), false);
        QCOMPARE(contents(work(s("sub/notes0.txt"))), QByteArray("x"));
        fs->writeFileExtDataOverwrite(s("log"), s("txt"), s("first"), true);
        fs->writeFileExtDataOverwrite(s("log"), s("txt"), s("second"), true);
        QCOMPARE(contents(work(s("log.txt"))), QByteArray("second"));
    }

    // ---- Property-list and archive files ----

    void plistRoundTrips()
    {
        const QVariantMap dictionary{{s("gen0"), s("www.debian.org")},
                                     {s("gen1"), 5},
                                     {s("nested"), QVariantMap{{s("list"), QVariantList{1, s("two"), 3.5}}}}};
        QVERIFY(fs->writeDictionaryToFileData(s("TestFile.txt"), dictionary));
        QVERIFY(contents(work(s("TestFile.txt"))).startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        QCOMPARE(fs->readDictionaryFromFile(s("TestFile.txt")), std::optional(dictionary));
        QVERIFY(!fs->readArrayFromFile(s("TestFile.txt")));

        const QVariantList array{s("a"), 2, QVariantMap{{s("k"), true}}};
        QVERIFY(fs->writeArrayToFileData(s("array.plist"), array));
        QCOMPARE(fs->readMutableArrayFromFile(s("array.plist")), std::optional(array));
        QVERIFY(!fs->readDictionaryFromFile(s("array.plist")));

        // The binary form reads as well.
        QVERIFY(touch(work(s("binary.plist")), *Plist::toBinary(dictionary)));
        QCOMPARE(fs->readDictionaryFromFile(s("binary.plist")), std::optional(dictionary));
    }

    void customClassRoundTrip()
    {
        const QVariantMap object{{s("name"), s("probe")}, {s("count"), 3}};
        QVERIFY(fs->writeCustomClassToFileData(s("object.archive"), object));
        QCOMPARE(fs->readCustomClassFromFile(s("object.archive")), std::optional<QVariant>(object));
        QVERIFY(!fs->writeCustomClassToFileData(s("nodir/object.archive"), object));
    }

    void failedWriteKeepsOldFile()
    {
        QVERIFY(touch(work(s("settings.plist")), "old settings"));
        // A value with no property-list form makes the write fail before anything
        // is replaced.
        QVERIFY(!fs->writeDictionaryToFileData(s("settings.plist"), {{s("bad"), QVariant::fromValue(QPoint(1, 2))}}));
        QVERIFY(!fs->writeNSArrayToFileData(s("settings.plist"), {QVariant::fromValue(QPoint(1, 2))}));
        QCOMPARE(contents(work(s("settings.plist"))), QByteArray("old settings"));
        // A directory in the way and a missing directory fail without creating
        // anything.
        QVERIFY(QDir().mkpath(work(s("adir"))));
        QVERIFY(!fs->writeTxtToFileData(s("adir"), s("x")));
        QVERIFY(QFileInfo(work(s("adir"))).isDir());
        QVERIFY(!fs->writeTxtToFileData(s("nodir/x.txt"), s("x")));
        QVERIFY(!QFileInfo::exists(work(s("nodir"))));
        // No temporary files are left behind.
        QCOMPARE(fs->listDir(QString()), list({"adir", "settings.plist"}));
    }

    // Malformed property lists of every kind are the plist fuzz target's; here
    // the readers' answers.
    void readersRefuseBadFiles()
    {
        const QByteArray binary = *Plist::toBinary(QVariantList{1, 2, 3});
        for (const QByteArray& bytes : {binary.left(binary.size() - 5), QByteArray("<html><body>hi</body></html>")}) {
            QVERIFY(touch(work(s("bad")), bytes));
            QVERIFY(!fs->readDictionaryFromFile(s("bad")));
            QVERIFY(!fs->readArrayFromFile(s("bad")));
            QVERIFY(!fs->readCustomClassFromFile(s("bad")));
        }
    }

    void readersRefuseHugeAndSpecialFiles()
    {
        // 50 MB of plain text: over every reader's bound.
        QFile big(work(s("big.txt")));
        QVERIFY(big.open(QIODevice::WriteOnly));
        const QByteArray line(1024 * 1024, 'a');
        for (int i = 0; i < 50; ++i) {
            QVERIFY(big.write(line) == line.size());
        }
        big.close();
        QVERIFY(!fs->readTxtFromFile(s("big.txt")));
        QVERIFY(!fs->readDictionaryFromFile(s("big.txt")));
        QVERIFY(!fs->readArrayFromFile(s("big.txt")));
        QVERIFY(!fs->readCustomClassFromFile(s("big.txt")));
        QVERIFY(QFile::remove(work(s("big.txt"))));

        // A named pipe with no writer and a directory answer none at once.
        QVERIFY(::mkfifo(QFile::encodeName(work(s("pipe"))).constData(), 0600) == 0);
        QVERIFY(!fs->readTxtFromFile(s("pipe")));
        QVERIFY(!fs->readDictionaryFromFile(s("pipe")));
        QVERIFY(QDir().mkpath(work(s("adir"))));
        QVERIFY(!fs->readTxtFromFile(s("adir")));
        QVERIFY(!fs->readTxtFromFile(s("missing")));
    }
};

QTEST_GUILESS_MAIN(TestFS)
#include "tst_fs.moc"
