#include "FS.h"
#include "TestText.h"

#include "FSWeb.h"
#include "Resources.h"
#include "TestHome.h"
#include "ZipException.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

namespace {

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

// Every file below root with its contents, as "relative=contents" lines: a
// picture of a tree that a test compares before and after an operation.
QStringList snapshot(const QString& root)
{
    QStringList out;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        out.append(base.relativeFilePath(path) + u'=' +
                   (QFileInfo(path).isDir() ? QStringLiteral("<dir>") : QString::fromLatin1(contents(path))));
    }
    out.sort();
    return out;
}

// Runs a Python script with arguments; the test fails when it does not exit
// with 0.
bool python(const QString& script, const QStringList& args = {})
{
    QProcess p;
    p.start(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), script} + args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        qWarning() << p.readAllStandardError();
        return false;
    }
    return true;
}

// Python: the names of an archive's entries, one a line.
QStringList zipNames(const QString& archive)
{
    QProcess p;
    p.start(QStringLiteral("python3"), {QStringLiteral("-c"),
                                        s("import sys,zipfile\nfor i in "
                                          "zipfile.ZipFile(sys.argv[1]).infolist(): print(i.filename)"),
                                        archive});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class TestFSExtras : public QObject
{
    Q_OBJECT

private:
    FS* fs = FS::sharedEngineInstance();
    std::unique_ptr<TestHome> home;
    QString docs;
    QString savedDir;

private slots:
    void init()
    {
        savedDir = QDir::currentPath();
        home = std::make_unique<TestHome>();
        docs = home->documents();
        QVERIFY(QDir::setCurrent(docs));
    }
    void cleanup()
    {
        QDir::setCurrent(savedDir);
        setResourceDirectory(QString());
        fs_web::setTimeouts(0, 0, 0);
        home.reset();
    }

    // ---- Moving ----

    void moveOntoExistingInEveryMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("targetExists");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QByteArray>("targetAfter");
        QTest::addColumn<bool>("sourceAfter");
        QTest::newRow("0 replaces") << 0 << true << true << QByteArray("src") << false;
        QTest::newRow("1 keeps both") << 1 << true << false << QByteArray("old") << true;
        QTest::newRow("1 onto free") << 1 << false << true << QByteArray("src") << false;
        QTest::newRow("2 deletes source") << 2 << true << false << QByteArray("old") << false;
        QTest::newRow("7 keeps both") << 7 << true << false << QByteArray("old") << true;
    }
    void moveOntoExistingInEveryMode()
    {
        QFETCH(int, mode);
        QFETCH(bool, targetExists);
        QFETCH(bool, answer);
        QFETCH(QByteArray, targetAfter);
        QFETCH(bool, sourceAfter);
        QVERIFY(touch(docs + s("/a.txt"), "src"));
        QVERIFY(QDir().mkpath(docs + s("/box")));
        if (targetExists) {
            QVERIFY(touch(docs + s("/box/a.txt"), "old"));
        }
        QCOMPARE(fs->moveItemToDirMode(s("a.txt"), s("box"), mode), answer);
        QCOMPARE(contents(docs + s("/box/a.txt")), targetAfter);
        QCOMPARE(QFile::exists(docs + s("/a.txt")), sourceAfter);
        QCOMPARE(QDir::currentPath(), docs);
    }

    void moveReplacesDirectoriesAndRefusesBadTargets()
    {
        // Mode 0 replaces a non-empty directory as a whole.
        QVERIFY(touch(docs + s("/d/inner.txt"), "new"));
        QVERIFY(touch(docs + s("/box/d/stale.txt"), "stale"));
        QVERIFY(fs->moveItemToDirMode(s("d"), s("box"), 0));
        QCOMPARE(snapshot(docs + s("/box")), QStringList({s("d/inner.txt=new"), s("d=<dir>")}));
        // It replaces what deleteItem() would delete: without the exact name, the
        // match ignoring case.
        QVERIFY(touch(docs + s("/Notes.TXT"), "new"));
        QVERIFY(touch(docs + s("/box/notes.txt"), "old"));
        QVERIFY(fs->moveItemToDirMode(s("Notes.TXT"), s("box"), 0));
        QCOMPARE(snapshot(docs + s("/box")), QStringList({s("Notes.TXT=new"), s("d/inner.txt=new"), s("d=<dir>")}));
        // Renaming by case alone replaces nothing.
        QVERIFY(fs->moveItemInDirToItemInDirMode(s("Notes.TXT"), s("box"), s("notes.txt"), s("box"), 0));
        QCOMPARE(contents(docs + s("/box/notes.txt")), QByteArray("new"));

        // A missing target directory: nothing is deleted, not even a same-named
        // item in the documents directory that a failed "enter" would have left
        // current.
        QVERIFY(touch(docs + s("/x.txt"), "keep"));
        QVERIFY(touch(docs + s("/sub/x.txt"), "src"));
        const QStringList before = snapshot(docs);
        QVERIFY(!fs->moveItemInDirToItemInDirMode(s("x.txt"), s("sub"), s("x.txt"), s("nowhere"), 0));
        QCOMPARE(snapshot(docs), before);

        // A missing source never costs the target.
        QVERIFY(!fs->moveItemToDirMode(s("ghost.txt"), s("sub"), 0));
        QVERIFY(!fs->moveItemInDirToItemInDirMode(s("ghost.txt"), QString(), s("x.txt"), QString(), 0));
        // Onto itself, and into itself.
        QVERIFY(!fs->moveItemInDirToItemInDirMode(s("x.txt"), QString(), s("x.txt"), QString(), 0));
        QVERIFY(!fs->moveItemInDirToItemInDirMode(s("sub"), QString(), s("sub"), s("sub"), 0));
        QCOMPARE(snapshot(docs), before);

        QVERIFY(!fs->moveItemToDirMode(s("x.txt"), QString(), 0));
        QVERIFY(!fs->moveItemToDirMode(s("../x.txt"), s("sub"), 0));
        // "." names the documents directory itself: "sub/." exists, and mode 2 must
        // not delete it all.
        QVERIFY(!fs->moveItemToDirMode(s("."), s("sub"), 2));
        QVERIFY(!fs->moveItemInDirToItemInDirMode(s("sub"), QString(), s("."), QString(), 0));
        QCOMPARE(snapshot(docs), before);
    }

    void moveItemsStopsAtFirstFailure()
    {
        QVERIFY(touch(docs + s("/a"), "a"));
        QVERIFY(touch(docs + s("/c"), "c"));
        QVERIFY(QDir().mkpath(docs + s("/box")));
        QVERIFY(!fs->moveItemsToDirMode({s("a"), s("b"), s("c")}, s("box"), 1));
        QVERIFY(QFile::exists(docs + s("/box/a")));
        QVERIFY(QFile::exists(docs + s("/c")));
        QVERIFY(fs->moveItemsToDirMode({}, s("box"), 1));
    }

    void moveAllImages()
    {
        for (const char* name : {"a.png", "b.JPG", "c.jpg", "d.PNG", "e.jpeg", "f.txt"}) {
            QVERIFY(touch(docs + u'/' + s(name), name));
        }
        QCOMPARE(fs->moveAllImgsToDirMode(s("pics"), 0), 4);
        QCOMPARE(QDir(docs + s("/pics")).entryList(QDir::Files),
                 QStringList({s("a.png"), s("b.JPG"), s("c.jpg"), s("d.PNG")}));
        QVERIFY(QFile::exists(docs + s("/e.jpeg")));
        // A plain file in the way of the directory: nothing moves, and the images
        // found are counted.
        QVERIFY(touch(docs + s("/g.png")));
        QVERIFY(touch(docs + s("/h.JPG")));
        QVERIFY(touch(docs + s("/blocked")));
        QCOMPARE(fs->moveAllImgsToDirMode(s("blocked"), 0), 2);
        QVERIFY(QFile::exists(docs + s("/g.png")));
    }

    // ---- Copying ----

    void copyNeverReplaces()
    {
        QVERIFY(touch(docs + s("/a.txt"), "a"));
        QVERIFY(touch(docs + s("/b.txt"), "b"));
        QVERIFY(!fs->cpyItemToItem(s("a.txt"), s("b.txt")));
        QCOMPARE(contents(docs + s("/b.txt")), QByteArray("b"));
        QVERIFY(fs->cpyItemToItem(s("a.txt"), s("c.txt")));
        QCOMPARE(contents(docs + s("/c.txt")), QByteArray("a"));
    }

    void copyDirectories()
    {
        QVERIFY(touch(docs + s("/tree/one.txt"), "1"));
        QVERIFY(touch(docs + s("/tree/deep/two.txt"), "2"));
        QVERIFY(QFile::link(s("one.txt"), docs + s("/tree/link")));
        QVERIFY(QDir().mkpath(docs + s("/box")));
        QVERIFY(fs->cpyItemToDir(s("tree"), s("box")));
        QCOMPARE(snapshot(docs + s("/box/tree")), snapshot(docs + s("/tree")));
        QVERIFY(QFileInfo(docs + s("/box/tree/link")).isSymLink());
        // A second copy onto the same name, and a copy into itself, are refused and
        // leave no trace.
        const QStringList before = snapshot(docs);
        QVERIFY(!fs->cpyItemToDir(s("tree"), s("box")));
        QVERIFY(!fs->cpyItemToDir(s("tree"), s("tree")));
        QVERIFY(!fs->cpyItemToDir(s("tree"), s("tree/deep")));
        QCOMPARE(snapshot(docs), before);
        QVERIFY(!fs->cpyItemToDir(s("tree"), QString()));
    }

    void copyItemsAndDuplicateDir()
    {
        QVERIFY(touch(docs + s("/src/a"), "a"));
        QVERIFY(touch(docs + s("/src/b"), "b"));
        QVERIFY(touch(docs + s("/dst/b"), "old"));
        QVERIFY(!fs->cpyItemsToDir({s("src/a"), s("src/b")}, s("dst")));
        QVERIFY(fs->cpyItemsToDir({}, s("dst")));
        QVERIFY(!fs->cpyItemsToDir({}, QString()));

        QVERIFY(touch(docs + s("/dup/stale"), "x"));
        QVERIFY(fs->dupDirToDir(s("src"), s("dup")));
        QCOMPARE(snapshot(docs + s("/dup")), snapshot(docs + s("/src")));
        QCOMPARE(QDir::currentPath(), docs);
        // A source that does not exist empties nothing.
        const QStringList before = snapshot(docs);
        QVERIFY(!fs->dupDirToDir(s("nowhere"), s("dup")));
        QVERIFY(!fs->dupDirToDir(s("src"), s(".")));
        QVERIFY(!fs->dupDirToDir(s("."), s("src")));
        QCOMPARE(snapshot(docs), before);
    }

    // ---- Renaming ----

    void renameRandomly()
    {
        QVERIFY(touch(docs + s("/Photo.JPG"), "p"));
        QVERIFY(touch(docs + s("/photo0.jpg"), "0"));
        fs->renameItemRandomly(s("Photo.JPG"));
        QCOMPARE(contents(docs + s("/photo1.jpg")), QByteArray("p"));
        QVERIFY(touch(docs + s("/README")));
        fs->renameItemRandomly(s("README"));
        QVERIFY(QFile::exists(docs + s("/readme0")));
    }

    void renameToCase_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("lower") << 1 << QStringList({s("abc.txt"), s("hello world.txt"), s("sub")});
        QTest::newRow("upper") << 2 << QStringList({s("ABC.TXT"), s("HELLO WORLD.TXT"), s("sub")});
        QTest::newRow("capitalised") << 3 << QStringList({s("Abc.txt"), s("Hello World.txt"), s("sub")});
        QTest::newRow("unchanged") << 0 << QStringList({s("abc.txt"), s("hello world0.txt"), s("sub")});
    }
    void renameToCase()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, after);
        QVERIFY(touch(docs + s("/work/abc.txt")));
        QVERIFY(touch(docs + s("/work/HELLO world.txt")));
        QVERIFY(QDir().mkpath(docs + s("/work/sub")));
        fs->renameItemsInDirToCase(s("work"), mode);
        QDir dir(docs + s("/work"));
        QStringList names = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        names.sort();
        QCOMPARE(names, after);
        QCOMPARE(QDir::currentPath(), docs);
    }

    void renameInMissingDirChangesNothing()
    {
        QVERIFY(touch(docs + s("/UPPER.txt"), "u"));
        QVERIFY(touch(docs + s("/names.txt"), "one\ntwo\n"));
        QVERIFY(touch(docs + s("/a.jpg"), "a"));
        const QStringList before = snapshot(docs);
        fs->renameItemsInDirToCase(s("nowhere"), 1);
        QCOMPARE(fs->renameItemsInDirWithExtToReference(s("nowhere"), s("jpg"), s("names.txt")), 0);
        fs->renameItemsInDirToCase(s("../.."), 1);
        QCOMPARE(snapshot(docs), before);
    }

    void renameToReference_data()
    {
        QTest::addColumn<QByteArray>("reference"); // "<none>" for no reference file
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("after");
        const QStringList untouched{s("1.jpg"), s("2.jpg"), s("3.jpg"), s("x.txt")};
        QTest::newRow("missing") << QByteArray("<none>") << -2 << untouched;
        QTest::newRow("empty") << QByteArray("") << -1 << untouched;
        QTest::newRow("one line, commas")
            << QByteArray("ann,bob,cy,dee") << 4 << QStringList({s("ann.jpg"), s("bob.jpg"), s("cy.jpg"), s("x.txt")});
        // The pieces are names as they stand: after a split at "\r" each later one
        // starts with "\n", and an empty piece names a file ".jpg".
        QTest::newRow("crlf") << QByteArray("ann\r\nbob\r\ncy\r\n") << 4
                              << QStringList({s("\nbob.jpg"), s("\ncy.jpg"), s("ann.jpg"), s("x.txt")});
        QTest::newRow("empty piece") << QByteArray(" ann;;cy;dee") << -1
                                     << QStringList({s(" ann.jpg"), s(".jpg"), s("cy.jpg"), s("x.txt")});
        // Three names for three pictures: the later x.txt finds the names used up.
        QTest::newRow("punctuation") << QByteArray("ann!\nbob?\ncy\n") << -1
                                     << QStringList({s("ann.jpg"), s("bob.jpg"), s("cy.jpg"), s("x.txt")});
        QTest::newRow("no path in a name")
            << QByteArray("../up\nbob\ncy\n") << -1 << QStringList({s("1.jpg"), s("bob.jpg"), s("cy.jpg"), s("x.txt")});
    }
    void renameToReference()
    {
        QFETCH(QByteArray, reference);
        QFETCH(int, answer);
        QFETCH(QStringList, after);
        for (const char* name : {"1.jpg", "2.jpg", "3.jpg", "x.txt"}) {
            QVERIFY(touch(docs + s("/pics/") + s(name), name));
        }
        if (reference != "<none>") {
            QVERIFY(touch(docs + s("/names.lst"), reference));
        }
        QCOMPARE(fs->renameItemsInDirWithExtToReference(s("pics"), s("jpg"), s("names.lst")), answer);
        QStringList names = QDir(docs + s("/pics")).entryList(QDir::Files | QDir::Hidden);
        names.sort();
        QCOMPARE(names, after);
        QVERIFY(!QFile::exists(docs + s("/up.jpg")));
        QCOMPARE(QDir::currentPath(), docs);
    }

    // ---- Resources ----

    void resources()
    {
        QTemporaryDir resources;
        setResourceDirectory(resources.path());
        QVERIFY(touch(resources.path() + s("/words.txt"), "hello"));
        QVERIFY(touch(resources.path() + s("/beep.wav"), "RIFF"));
        QVERIFY(touch(resources.path() + s("/list.txt"), "words.txt\nbeep.wav\n\nmissing.wav"));
        QVERIFY(fs->doesFileExistInBundle(s("words.txt")));
        QVERIFY(!fs->doesFileExistInBundle(s("a.b.c")));
        QCOMPARE(fs->readTxtFromBundle(s("../x")), std::nullopt);
        QStringList top = fs->getBundleDir();
        top.sort();
        QCOMPARE(top, QStringList({s("beep.wav"), s("list.txt"), s("words.txt")}));

        QVERIFY(fs->cpyBundleFileToDocDir(s("words.txt")));
        QVERIFY(!fs->cpyBundleFileToDocDir(s("words.txt")));
        QCOMPARE(contents(docs + s("/words.txt")), QByteArray("hello"));

        // Three non-empty lines of four: NO, but the two that exist are installed.
        QVERIFY(touch(docs + s("/inst/old"), "old"));
        QVERIFY(!fs->initFilelistIntoDirClr(s("list.txt"), s("inst"), true));
        QCOMPARE(snapshot(docs + s("/inst")), QStringList({s("beep.wav=RIFF"), s("words.txt=hello")}));
        QVERIFY(touch(resources.path() + s("/one.txt"), "beep.wav"));
        QVERIFY(fs->initFilelistIntoDirClr(s("one.txt"), s("inst2"), false) == false); // inst2 is missing
        QVERIFY(QDir().mkpath(docs + s("/inst2")));
        QVERIFY(fs->initFilelistIntoDirClr(s("one.txt"), s("inst2"), false));
        // A missing dir empties nothing, in particular not the documents directory.
        const QStringList before = snapshot(docs);
        QVERIFY(!fs->initFilelistIntoDirClr(s("list.txt"), s("nowhere"), true));
        QVERIFY(!fs->initFilelistIntoDirClr(s("list.txt"), s("."), true));
        QCOMPARE(snapshot(docs), before);
    }

    // ---- Archives ----

    void zipOneFileAndUnzipRoundTrip()
    {
        QVERIFY(touch(docs + s("/notes.txt"), "some notes"));
        fs->zipOneFile(s("notes.txt"));
        QCOMPARE(zipNames(docs + s("/notes.zip")), QStringList({s("notes.txt")}));
        QVERIFY(python(s("import sys,zipfile,time\n"
                         "i=zipfile.ZipFile(sys.argv[1]).getinfo('notes.txt')\n"
                         "age=time.time()-time.mktime(i.date_time+(0,0,-1))\n"
                         "assert i.compress_type==8 and 86000<age<87000, "
                         "(i.compress_type, age)"),
                       {docs + s("/notes.zip")}));
        fs->zipOneFile(s("notes.zip")); // would replace the archive with an archive of itself
        QCOMPARE(zipNames(docs + s("/notes.zip")), QStringList({s("notes.txt")}));
        fs->zipOneFile(s("missing.txt"));
        QVERIFY(!QFile::exists(docs + s("/missing.zip")));
    }

    void zipAllFiles()
    {
        QVERIFY(touch(docs + s("/box/a.txt"), "a"));
        QVERIFY(touch(docs + s("/box/b.bin"), QByteArray(300000, '\x01')));
        QVERIFY(touch(docs + s("/box/sub/c.txt"), "c"));
        QVERIFY(QDir().mkpath(docs + s("/box/sub/empty")));
        fs->zipAllFilesInDirIntoFile(s("box"), s("all.zip"));
        const QStringList packed{s("a.txt"), s("b.bin"), s("sub/"), s("sub/c.txt"), s("sub/empty/")};
        QCOMPARE(zipNames(docs + s("/box/all.zip")), packed);
        QVERIFY(python(s("import sys,zipfile\nz=zipfile.ZipFile(sys.argv[1])\nassert "
                         "z.testzip() is None\n"
                         "assert z.read('b.bin')==b'\\x01'*300000"),
                       {docs + s("/box/all.zip")}));
        // Packing again does not pack the archive into itself; an empty or missing
        // dir makes nothing.
        fs->zipAllFilesInDirIntoFile(s("box"), s("all.zip"));
        QCOMPARE(zipNames(docs + s("/box/all.zip")), packed);
        // Unpacked again, the tree comes back whole.
        QVERIFY(QDir(docs + s("/box")).rename(s("all.zip"), s("../all.zip")));
        const QStringList tree = snapshot(docs + s("/box"));
        QVERIFY(QDir(docs + s("/box")).removeRecursively());
        QVERIFY(QDir().mkpath(docs + s("/box")));
        QVERIFY(QFile::rename(docs + s("/all.zip"), docs + s("/box/all.zip")));
        QCOMPARE(fs->unzipAllFilesInDir(s("box")), 1);
        QCOMPARE(snapshot(docs + s("/box")).filter(QRegularExpression(s("^(?!all.zip)"))), tree);
        // "" is the documents directory itself, for packing and for unpacking.
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
        fs->zipAllFilesInDirIntoFile(QString(), s("docs.zip"));
        QVERIFY(zipNames(docs + s("/docs.zip")).contains(s("box/sub/c.txt")));
        QVERIFY(QDir(docs + s("/box")).removeRecursively());
        QCOMPARE(fs->unzipAllFilesInDir(QString()), 1);
        QCOMPARE(contents(docs + s("/box/sub/c.txt")), QByteArray("c"));
        QVERIFY(QDir().mkpath(docs + s("/empty")));
        fs->zipAllFilesInDirIntoFile(s("empty"), s("e.zip"));
        fs->zipAllFilesInDirIntoFile(s("nowhere"), s("e.zip"));
        QVERIFY(!QFile::exists(docs + s("/empty/e.zip")));
        QVERIFY(!QFile::exists(docs + s("/e.zip")));
    }

    // The archive is path "/" name from the current directory; its entries go
    // below the documents directory's path; a missing archive or folder raises.
    void unzipFromCurrentDirectory()
    {
        QVERIFY(touch(docs + s("/notes.txt"), "n"));
        fs->zipOneFile(s("notes.txt"));
        QTemporaryDir elsewhere;
        QVERIFY(QDir().mkpath(elsewhere.path() + s("/in")));
        QVERIFY(QFile::rename(docs + s("/notes.zip"), elsewhere.path() + s("/in/notes.zip")));
        QVERIFY(QDir().mkpath(docs + s("/in")));
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        fs->unZipFileAtPath(s("notes.zip"), s("in"));
        QCOMPARE(contents(docs + s("/in/notes.txt")), QByteArray("n"));
        QVERIFY_THROWS_EXCEPTION(ZipException, fs->unZipFileAtPath(s("notes.zip"), s("nowhere")));
        QVERIFY_THROWS_EXCEPTION(ZipException, fs->unZipInDocDir(s("notes.zip")));
        QVERIFY(QFile::rename(elsewhere.path() + s("/in/notes.zip"), docs + s("/notes.zip")));
        QVERIFY(QFile::remove(docs + s("/notes.txt")));
        fs->unZipInDocDir(s("notes.zip"));
        QCOMPARE(contents(docs + s("/notes.txt")), QByteArray("n"));
    }

    void unzipNeverWritesOutsideItsDirectory()
    {
        QTemporaryDir outside;
        const QString absolute = outside.path() + s("/abs.txt");
        QVERIFY(QDir().mkpath(docs + s("/in/keep")));
        QVERIFY(QFile::link(outside.path(), docs + s("/in/link")));
        QVERIFY(python(s("import sys,zipfile\n"
                         "z=zipfile.ZipFile(sys.argv[1],'w')\n"
                         "for n in "
                         "['../x','a/../../y',sys.argv[2],'./dot','ok.txt','d/"
                         "e.txt','__MACOSX/m',\n"
                         "          'link/evil.txt','keep','back\\\\slash']:\n"
                         "    i=zipfile.ZipInfo('ok'); i.filename=n; z.writestr(i, "
                         "'data:'+n)\n"
                         "z.writestr('dir/','')\n"),
                       {docs + s("/in/evil.zip"), absolute}));
        fs->unZipFileAtPath(s("evil.zip"), s("in"));
        QCOMPARE(snapshot(outside.path()), QStringList());
        QVERIFY(!QFile::exists(docs + s("/x")));
        QVERIFY(!QFile::exists(home->path() + s("/y")));
        QVERIFY(!QFile::exists(home->path() + s("/x")));
        QCOMPARE(contents(docs + s("/in/ok.txt")), QByteArray("data:ok.txt"));
        QCOMPARE(contents(docs + s("/in/d/e.txt")), QByteArray("data:d/e.txt"));
        QVERIFY(QFileInfo(docs + s("/in/dir")).isDir());
        QVERIFY(!QFile::exists(docs + s("/in/__MACOSX")));
        QVERIFY(QFileInfo(docs + s("/in/keep")).isDir());
        QVERIFY(!QFile::exists(docs + s("/in/dot")));
    }

    void unzipBrokenArchives_data()
    {
        QTest::addColumn<QString>("damage"); // Python statements on the bytes b of a good archive
        QTest::newRow("truncated") << s("b=b[:len(b)//2]");
        QTest::newRow("not an archive") << s("b=b'hello'*100");
        // Local and central headers both claim one byte more, and one byte less,
        // than the data.
        QTest::newRow("length too large") << s("b=b.replace(struct.pack('<I',N),struct.pack('<I',N+1))");
        QTest::newRow("claims 4 GB") << s("b=b.replace(struct.pack('<I',N),struct.pack('<I',0xFFFFFFF0))");
    }
    void unzipBrokenArchives()
    {
        QFETCH(QString, damage);
        QVERIFY(touch(docs + s("/in/victim.txt"), "precious"));
        QVERIFY(python(s("import sys,zipfile,struct,io\n"
                         "N=100003\n"
                         "m=io.BytesIO(); z=zipfile.ZipFile(m,'w',zipfile.ZIP_STORED)\n"
                         "z.writestr('victim.txt', b'v'*N); z.close(); b=m.getvalue()\n") +
                           damage + s("\nopen(sys.argv[1],'wb').write(b)\n"),
                       {docs + s("/in/bad.zip")}));
        bool raised = false;
        try {
            fs->unZipFileAtPath(s("bad.zip"), s("in"));
        } catch (const ZipException& e) {
            raised = true;
            QCOMPARE(e.name(), s("ZipException"));
        }
        QVERIFY(raised);
        // The existing file is neither replaced by bad data nor deleted, and no
        // temporary file stays.
        QCOMPARE(contents(docs + s("/in/victim.txt")), QByteArray("precious"));
        QCOMPARE(QDir(docs + s("/in")).entryList(QDir::Files | QDir::Hidden),
                 QStringList({s("bad.zip"), s("victim.txt")}));
    }

    // ---- Web reads ----

    void webReads()
    {
        const QString script = s(R"(
import http.server, sys
class H(http.server.BaseHTTPRequestHandler):
    def log_message(self, *a): pass
    def do_GET(self):
        if self.path == '/ok':
            body = 'Gr\u00fc\u00dfe'.encode('utf-8'); self.send_response(200)
        elif self.path == '/redirect':
            self.send_response(302); self.send_header('Location', '/ok'); self.end_headers(); return
        elif self.path == '/latin1':
            body = b'Gr\xfc\xdfe'; self.send_response(200)
        elif self.path == '/to-file':
            self.send_response(302); self.send_header('Location', 'file:///etc/hostname'); self.end_headers(); return
        else:
            body = b'no'; self.send_response(404)
        self.send_header('Content-Length', str(len(body))); self.end_headers(); self.wfile.write(body)
s = http.server.HTTPServer(('127.0.0.1', 0), H)
print(s.server_address[1], flush=True)
s.serve_forever()
)");
        QProcess server;
        server.start(s("python3"), {s("-c"), script});
        QVERIFY(server.waitForReadyRead(10000));
        const int port = server.readLine().trimmed().toInt();
        QVERIFY(port > 0);
        const QString base = s("http://127.0.0.1:%1").arg(port);

        QVERIFY(fs->doesUrlExist(base + s("/ok")));
        QCOMPARE(fs->readTxtFromUrl(base + s("/ok")), QString::fromUtf8("Gr\u00fc\u00dfe"));
        QCOMPARE(fs->doesUrlExistWithError(base + s("/ok")), std::nullopt);
        QCOMPARE(fs->readTxtFromUrl(base + s("/redirect")), QString::fromUtf8("Gr\u00fc\u00dfe"));

        QVERIFY(!fs->doesUrlExist(base + s("/missing")));
        QCOMPARE(fs->readTxtFromUrl(base + s("/missing")), QString());
        const std::optional<QString> error = fs->doesUrlExistWithError(base + s("/missing"));
        QVERIFY(error && error->contains(s("404")));

        QCOMPARE(fs->readTxtFromUrl(base + s("/latin1")), QString());
        QVERIFY(fs->doesUrlExistWithError(base + s("/latin1")));
        QCOMPARE(fs->readTxtFromUrl(base + s("/to-file")), QString());

        for (const char* bad : {"", "ht!tp://x", "http://[::1", "no scheme at all", "gopher://127.0.0.1/"}) {
            QVERIFY2(!fs->doesUrlExist(s(bad)), bad);
            QVERIFY2(fs->doesUrlExistWithError(s(bad)).has_value(), bad);
            QCOMPARE(fs->readTxtFromUrl(s(bad)), QString());
        }
        server.kill();
        server.waitForFinished();
    }

    void webReadOfServerThatNeverAnswers()
    {
        // Connections are accepted by the kernel but nobody ever reads or writes:
        // the fetch must end by itself with an error (the wait is bounded by the
        // limits set here).
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        fs_web::setTimeouts(1000, 3000, 2000);
        const QString address = s("http://127.0.0.1:%1/").arg(silent.serverPort());
        const std::optional<QString> error = fs->doesUrlExistWithError(address);
        QVERIFY(error.has_value());
        QCOMPARE(fs->readTxtFromUrl(address), QString());
    }

    // ---- Volumes ----

    void volumes()
    {
        const QString info = fs->getVolumeInfo(QDir::tempPath());
        QVERIFY2(QRegularExpression(s("^removable=[01] writable=1 unmountable=[01] "
                                      "description=.+ type=\\S+$"))
                     .match(info)
                     .hasMatch(),
                 qPrintable(info));
        QCOMPARE(fs->getVolumeInfo(docs + s("/missing")), QString());
        QCOMPARE(fs->getVolumeName(docs), s("Documents"));
        QCOMPARE(fs->getVolumeName(docs + s("/missing")), QString());
    }
};

QTEST_GUILESS_MAIN(TestFSExtras)
#include "tst_fsextras.moc"
