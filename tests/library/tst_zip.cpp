// Archive classes: entries written here are checked by Info-ZIP (unzip -t,
// zipinfo, unzip -P) and by Python's zipfile, and archives those tools write
// are read here; stored, fast, default and best levels, appended archives,
// UTF-8 names and password entries both ways. Bad archives (truncated, headers
// lying about sizes) must raise ZipException; the zip fuzz target runs hostile
// archives (a ZIP64 header claiming 5 GB among them) under the sanitizers and
// memory limits.

#include "TestText.h"
#include "ZipFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <zlib.h>

namespace {

struct Run
{
    int code = -1;
    QByteArray out;
};

Run run(const QString& program, const QStringList& args, const QString& dir = QString())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!dir.isEmpty()) {
        process.setWorkingDirectory(dir);
    }
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        return {};
    }
    return {process.exitCode(), process.readAll()};
}

Run python(const QString& script, const QStringList& args = {})
{
    return run(s("python3"), QStringList{s("-c"), script} + args);
}

// Text lines and pseudo-random bytes: compresses, but not to nothing.
QByteArray sampleData(int size, quint32 seed = 7)
{
    QByteArray data;
    data.reserve(size);
    quint32 x = seed;
    while (data.size() < size) {
        data += "line " + QByteArray::number(data.size()) + " of the sample, with some words repeated\n";
        for (int i = 0; i < 64; ++i) {
            x = x * 1103515245u + 12345u;
            data += char(x >> 24);
        }
    }
    data.truncate(size);
    return data;
}

quint32 crcOf(const QByteArray& data)
{
    return quint32(crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.constData()), uInt(data.size())));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Entry
{
    QString name;
    QByteArray data;
    int level = -1;
    QString password;
};

void writeArchive(const QString& path, int mode, const QList<Entry>& entries)
{
    ZipFile zip(path, mode);
    const QDateTime date(QDate(2026, 12, 5), QTime(9, 5, 4), Qt::LocalTime);
    for (const Entry& entry : entries) {
        auto stream = entry.password.isNull()
                          ? zip.writeFileInZipWithNameFileDateCompressionLevel(entry.name, date, entry.level)
                          : zip.writeFileInZipWithNameFileDateCompressionLevelPasswordCrc32(
                                entry.name, date, entry.level, entry.password, crcOf(entry.data));
        stream->writeData(entry.data);
        stream->finishedWriting();
    }
    zip.close();
}

// Reads the selected entry in chunks of chunkSize bytes.
QByteArray readCurrent(ZipFile& zip, const QString* password = nullptr, int chunkSize = 4096)
{
    auto stream = password ? zip.readCurrentFileInZipWithPassword(*password) : zip.readCurrentFileInZip();
    QByteArray all;
    QByteArray chunk(chunkSize, '\0');
    while (const qint64 n = stream->readDataWithBuffer(chunk)) {
        all.append(chunk.constData(), n);
    }
    stream->finishedReading();
    return all;
}

// The reason of the ZipException that action raises, or "(none)".
QString reasonOf(const std::function<void()>& action, qint64* error = nullptr)
{
    try {
        action();
    } catch (const ZipException& e) {
        if (error) {
            *error = e.error();
        }
        return e.reason();
    }
    return s("(none)");
}

// Python: argv[1] with one stored entry "lie.txt" of 2000 bytes (written here
// unless argv[3] says it exists) whose local and central headers claim argv[2]
// bytes uncompressed.
const char* kSizeLiar = R"(
import struct, sys, zipfile
if len(sys.argv) < 4:
    with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_STORED) as z:
        z.writestr('lie.txt', b'0123456789' * 200)
b = bytearray(open(sys.argv[1], 'rb').read())
claim = int(sys.argv[2])
struct.pack_into('<I', b, 22, claim)
c = b.find(b'PK\x01\x02')
struct.pack_into('<I', b, c + 24, claim)
open(sys.argv[1], 'wb').write(bytes(b))
)";

} // namespace

class TestZip : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void writtenLevelsReadByOthers_data();
    void writtenLevelsReadByOthers();
    void infoZipLevelsReadHere_data();
    void infoZipLevelsReadHere();
    void appendedArchive();
    void utf8Names();
    void passwordEntriesWrittenHere_data();
    void passwordEntriesWrittenHere();
    void passwordEntriesFromInfoZip_data();
    void passwordEntriesFromInfoZip();
    void wrongOrMissingPassword();
    void passwordCrcMismatchRaises();
    void headerLyingAboutSize_data();
    void headerLyingAboutSize();
    void truncatedArchive();
    void modesAndMisuse();
    void emptyArchiveAndNavigation();
    void wholeEntryInOneBuffer();

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
};

void TestZip::initTestCase()
{
    QVERIFY(m_dir.isValid());
    for (const char* tool : {"zip", "unzip", "zipinfo", "python3"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            QSKIP(qPrintable(s("%1 is not installed").arg(QString::fromLatin1(tool))));
        }
    }
}

void TestZip::writtenLevelsReadByOthers_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("method");
    QTest::addColumn<int>("levelBits");   // (flags >> 1) & 3
    QTest::addColumn<QString>("subtype"); // zipinfo -v's name for the deflate level
    QTest::newRow("stored") << 0 << 0 << 0 << QString();
    QTest::newRow("fastest") << 1 << 8 << 3 << s("superfast");
    QTest::newRow("default") << -1 << 8 << 0 << s("normal");
    QTest::newRow("best") << 9 << 8 << 1 << s("maximum");
}

void TestZip::writtenLevelsReadByOthers()
{
    QFETCH(int, level);
    QFETCH(int, method);
    QFETCH(int, levelBits);
    QFETCH(QString, subtype);
    const QString archive = path(s("levels%1.zip").arg(level + 1));
    const QByteArray data = sampleData(300000);
    writeArchive(archive, ZipFile::ZipFileModeCreate,
                 {{s("dir/data.bin"), data, level, {}}, {s("empty.txt"), {}, level, {}}});

    const Run test = run(s("unzip"), {s("-t"), archive});
    QVERIFY2(test.code == 0 && test.out.contains("No errors detected"), test.out.constData());

    const Run info = run(s("zipinfo"), {s("-v"), archive});
    QCOMPARE(info.code, 0);
    if (method == 0) {
        QVERIFY(info.out.contains("compression method:                             none (stored)"));
    } else {
        QVERIFY2(info.out.contains("compression sub-type (deflation):               " + subtype.toUtf8()),
                 info.out.constData());
    }

    const Run py = python(s("import sys, zipfile, hashlib\n"
                            "z = zipfile.ZipFile(sys.argv[1])\n"
                            "i = z.getinfo('dir/data.bin')\n"
                            "print(i.compress_type, (i.flag_bits >> 1) & 3, i.file_size,\n"
                            "      hashlib.sha1(z.read(i)).hexdigest(), i.date_time,\n"
                            "      i.create_system, i.external_attr, i.internal_attr)\n"),
                          {archive});
    QCOMPARE(py.code, 0);
    const QByteArray expected =
        QByteArray::number(method) + ' ' + QByteArray::number(levelBits) + ' ' + QByteArray::number(data.size()) + ' ' +
        QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex() + " (2026, 12, 5, 9, 5, 4) 3 0 0\n";
    QCOMPARE(py.out, expected);

    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    const QList<FileInZipInfo> infos = zip.listFileInZipInfos();
    QCOMPARE(infos.size(), 2);
    QCOMPARE(infos[0].level(), level);
    QCOMPARE(infos[0].length(), quint64(data.size()));
    QCOMPARE(infos[0].crc32(), quint64(crcOf(data)));
    QCOMPARE(infos[0].date(), QDateTime(QDate(2026, 12, 5), QTime(9, 5, 4), Qt::LocalTime));
    QVERIFY(!infos[0].crypted());
    QVERIFY(zip.locateFileInZip(s("dir/data.bin")));
    QCOMPARE(readCurrent(zip), data);
    QVERIFY(zip.locateFileInZip(s("empty.txt")));
    QCOMPARE(readCurrent(zip), QByteArray());
    zip.close();
}

void TestZip::infoZipLevelsReadHere_data()
{
    QTest::addColumn<QStringList>("command"); // program and options before the archive and file names
    QTest::addColumn<int>("level");
    QTest::newRow("zip -0") << QStringList{s("zip"), s("-q0")} << 0;
    QTest::newRow("zip -1") << QStringList{s("zip"), s("-q1")} << 1;
    QTest::newRow("zip -6") << QStringList{s("zip"), s("-q6")} << -1;
    QTest::newRow("zip -9") << QStringList{s("zip"), s("-q9")} << 9;
    // Python's zipfile leaves the level bits clear whatever level it used: the
    // flags say "default".
    QTest::newRow("python level 9") << QStringList{s("python3"), s("-c"),
                                                   s("import sys, zipfile\n"
                                                     "with zipfile.ZipFile(sys.argv[1], 'w', "
                                                     "zipfile.ZIP_DEFLATED, compresslevel=9) as z:\n"
                                                     "    for f in sys.argv[2:]: z.write(f)\n")}
                                    << -1;
}

void TestZip::infoZipLevelsReadHere()
{
    QFETCH(QStringList, command);
    QFETCH(int, level);
    QTemporaryDir source;
    const QByteArray big = sampleData(200000, 3);
    const QByteArray small = "hello\n";
    QVERIFY(writeFile(source.filePath(s("big.bin")), big));
    QVERIFY(writeFile(source.filePath(s("small.txt")), small));
    const QString archive = path(s("foreign.zip"));
    QFile::remove(archive);
    const QString program = command.takeFirst();
    const Run made = run(program, command + QStringList{archive, s("big.bin"), s("small.txt")}, source.path());
    QVERIFY2(made.code == 0, made.out.constData());

    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    QCOMPARE(zip.numFilesInZip(), quint64(2));
    const QList<FileInZipInfo> infos = zip.listFileInZipInfos();
    QCOMPARE(infos[0].name(), s("big.bin"));
    QCOMPARE(infos[0].level(), level);
    QCOMPARE(infos[0].length(), quint64(big.size()));
    QVERIFY(zip.locateFileInZip(s("big.bin")));
    QCOMPARE(readCurrent(zip, nullptr, 1000), big);
    QVERIFY(zip.locateFileInZip(s("small.txt")));
    QCOMPARE(readCurrent(zip), small);
    zip.close();
}

void TestZip::appendedArchive()
{
    const QString archive = path(s("append.zip"));
    writeArchive(archive, ZipFile::ZipFileModeCreate, {{s("first.txt"), "one\n", 9, {}}});
    writeArchive(archive, ZipFile::ZipFileModeAppend,
                 {{s("second.txt"), "two\n", 0, {}}, {s("third.bin"), sampleData(5000), 1, {}}});
    // Info-ZIP's zip can append to it as well, and we still read everything.
    QTemporaryDir source;
    QVERIFY(writeFile(source.filePath(s("fourth.txt")), "four\n"));
    QCOMPARE(run(s("zip"), {s("-q"), archive, s("fourth.txt")}, source.path()).code, 0);

    const Run test = run(s("unzip"), {s("-t"), archive});
    QVERIFY2(test.code == 0, test.out.constData());
    const Run py = python(s("import sys, zipfile\n"
                            "z = zipfile.ZipFile(sys.argv[1])\n"
                            "print(z.namelist(), z.read('second.txt'), z.testzip())\n"),
                          {archive});
    QCOMPARE(py.out, QByteArray("['first.txt', 'second.txt', 'third.bin', "
                                "'fourth.txt'] b'two\\n' None\n"));

    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    QVERIFY(zip.locateFileInZip(s("third.bin")));
    QCOMPARE(readCurrent(zip), sampleData(5000));
    QVERIFY(zip.locateFileInZip(s("first.txt")));
    QCOMPARE(readCurrent(zip), QByteArray("one\n"));
    zip.close();
}

void TestZip::utf8Names()
{
    const QString name = s("Gr\u00fc\u00dfe/\u65e5\u672c \u2713 caf\u00e9.txt");
    const QString archive = path(s("utf8.zip"));
    writeArchive(archive, ZipFile::ZipFileModeCreate, {{name, "umlauts\n", -1, {}}});

    const Run py = python(s("import sys, zipfile\n"
                            "i = zipfile.ZipFile(sys.argv[1]).infolist()[0]\n"
                            "print(i.filename == sys.argv[2], i.flag_bits & 0x800)\n"),
                          {archive, name});
    QCOMPARE(py.out, QByteArray("True 2048\n"));
    const Run test = run(s("unzip"), {s("-tq"), archive});
    QVERIFY2(test.code == 0, test.out.constData());

    // And a name written by Python comes back the same.
    const QString other = path(s("utf8-python.zip"));
    const QString otherName = s("\u00e9t\u00e9/\u0436.txt");
    QCOMPARE(python(s("import sys, zipfile\n"
                      "with zipfile.ZipFile(sys.argv[1], 'w') as z: "
                      "z.writestr(sys.argv[2], 'x')\n"),
                    {other, otherName})
                 .code,
             0);
    ZipFile zip(other, ZipFile::ZipFileModeUnzip);
    QVERIFY(zip.locateFileInZip(otherName));
    QCOMPARE(zip.getCurrentFileInZipInfo().name(), otherName);
    QCOMPARE(readCurrent(zip), QByteArray("x"));
    zip.close();
}

void TestZip::passwordEntriesWrittenHere_data()
{
    QTest::addColumn<int>("level");
    QTest::newRow("stored") << 0;
    QTest::newRow("best") << 9;
}

void TestZip::passwordEntriesWrittenHere()
{
    QFETCH(int, level);
    const QString archive = path(s("secret%1.zip").arg(level + 1));
    const QString password = s("s3cr\u00e9t pass");
    const QByteArray data = sampleData(150000, 11);
    writeArchive(archive, ZipFile::ZipFileModeCreate,
                 {{s("secret.bin"), data, level, password}, {s("plain.txt"), "open\n", level, {}}});

    const Run test = run(s("unzip"), {s("-t"), s("-P"), password, archive});
    QVERIFY2(test.code == 0 && test.out.contains("No errors detected"), test.out.constData());
    const Run piped = run(s("unzip"), {s("-p"), s("-P"), password, archive, s("secret.bin")});
    QCOMPARE(piped.out.size(), data.size());
    QVERIFY(piped.out == data);
    const Run wrong = run(s("unzip"), {s("-t"), s("-P"), s("nope"), archive});
    QVERIFY(wrong.code != 0);

    const Run py = python(s("import sys, zipfile, hashlib\n"
                            "z = zipfile.ZipFile(sys.argv[1])\n"
                            "i = z.getinfo('secret.bin')\n"
                            "print(i.flag_bits & 1, hashlib.sha1(z.read(i, "
                            "pwd=sys.argv[2].encode())).hexdigest())\n"
                            "try:\n"
                            "    z.read(i, pwd=b'nope'); print('read')\n"
                            "except RuntimeError: print('refused')\n"),
                          {archive, password});
    QCOMPARE(py.out, "1 " + QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex() + "\nrefused\n");

    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    const QList<FileInZipInfo> infos = zip.listFileInZipInfos();
    QVERIFY(infos[0].crypted());
    QVERIFY(!infos[1].crypted());
    QVERIFY(zip.locateFileInZip(s("secret.bin")));
    QCOMPARE(readCurrent(zip, &password, 777), data);
    // A plain entry opens with or without a password.
    QVERIFY(zip.locateFileInZip(s("plain.txt")));
    QCOMPARE(readCurrent(zip, &password), QByteArray("open\n"));
    zip.close();
}

void TestZip::passwordEntriesFromInfoZip_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("level");
    QTest::newRow("zip -0 -P") << s("-q0") << 0;
    QTest::newRow("zip -9 -P") << s("-q9") << 9;
}

void TestZip::passwordEntriesFromInfoZip()
{
    QFETCH(QString, option);
    QFETCH(int, level);
    QTemporaryDir source;
    const QByteArray data = sampleData(120000, 5);
    QVERIFY(writeFile(source.filePath(s("a.bin")), data));
    QVERIFY(writeFile(source.filePath(s("b.txt")), "bee\n"));
    const QString archive = path(s("infozip-secret.zip"));
    QFile::remove(archive);
    const Run made = run(s("zip"), {option, s("-P"), s("pa55"), archive, s("a.bin"), s("b.txt")}, source.path());
    QVERIFY2(made.code == 0, made.out.constData());

    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    const QString password = s("pa55");
    const QList<FileInZipInfo> infos = zip.listFileInZipInfos();
    QVERIFY(infos[0].crypted());
    QCOMPARE(infos[0].level(), level);
    QVERIFY(zip.locateFileInZip(s("a.bin")));
    QCOMPARE(readCurrent(zip, &password, 65536), data);
    QVERIFY(zip.locateFileInZip(s("b.txt")));
    QCOMPARE(readCurrent(zip, &password), QByteArray("bee\n"));
    zip.close();
}

void TestZip::wrongOrMissingPassword()
{
    const QString archive = path(s("wrong.zip"));
    const QByteArray data = sampleData(40000);
    writeArchive(archive, ZipFile::ZipFileModeCreate, {{s("s.bin"), data, 9, s("right")}});
    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    QVERIFY(zip.locateFileInZip(s("s.bin")));
    const QString expected = s("Error opening current file in '%1'").arg(archive);
    QCOMPARE(reasonOf([&] { zip.readCurrentFileInZip(); }), expected);
    // Most wrong passwords fail the header check; the few that pass it fail the
    // data's CRC-32 or the inflater. None may answer the entry as read.
    int refusedAtOpen = 0;
    for (int i = 0; i < 40; ++i) {
        const QString wrong = s("wrong%1").arg(i);
        qint64 error = 0;
        const QString reason = reasonOf(
            [&] {
                auto stream = zip.readCurrentFileInZipWithPassword(wrong);
                QByteArray buffer(8192, '\0');
                while (stream->readDataWithBuffer(buffer) > 0) {
                }
                stream->finishedReading();
            },
            &error);
        QVERIFY2(reason != s("(none)"), qPrintable(wrong));
        refusedAtOpen += reason == expected ? 1 : 0;
    }
    QVERIFY(refusedAtOpen >= 30);
    const QString right = s("right");
    QCOMPARE(readCurrent(zip, &right), data);
    zip.close();

    // An empty password is a password: the entry is encrypted and opens only with
    // "".
    const QString blank = s("");
    writeArchive(archive, ZipFile::ZipFileModeCreate, {{s("e.txt"), "empty key", 9, blank}});
    QCOMPARE(python(s("import sys, "
                      "zipfile\nprint(zipfile.ZipFile(sys.argv[1]).infolist()[0]."
                      "flag_bits & 1)"),
                    {archive})
                 .out,
             QByteArray("1\n"));
    ZipFile encrypted(archive, ZipFile::ZipFileModeUnzip);
    encrypted.goToFirstFileInZip();
    QCOMPARE(reasonOf([&] { encrypted.readCurrentFileInZip(); }), expected);
    QCOMPARE(readCurrent(encrypted, &blank), QByteArray("empty key"));
    encrypted.close();
}

void TestZip::passwordCrcMismatchRaises()
{
    // The encryption header carries the CRC the caller announced; data with
    // another CRC would make an entry that opens with no password, so finishing
    // it raises.
    ZipFile zip(path(s("badcrc.zip")), ZipFile::ZipFileModeCreate);
    auto stream = zip.writeFileInZipWithNameFileDateCompressionLevelPasswordCrc32(
        s("x.txt"), QDateTime::currentDateTime(), 9, s("pw"), 1234);
    stream->writeData("not the data whose crc was given");
    QCOMPARE(reasonOf([&] { stream->finishedWriting(); }), s("Error closing 'x.txt' in the zipfile"));
    zip.close();
}

void TestZip::headerLyingAboutSize_data()
{
    QTest::addColumn<int>("claim");
    QTest::addColumn<QString>("password"); // null: a plain entry
    QTest::newRow("claims more") << 1000000 << QString();
    QTest::newRow("claims less") << 10 << QString();
    QTest::newRow("claims 4 GB - 1") << -2 << QString();
    // Password entries are read raw, where only the reader itself keeps to the
    // claimed length.
    QTest::newRow("password entry claims less") << 10 << s("pw");
}

// The data reads to its end (never past the claim); finishing the entry raises,
// since its length or CRC-32 does not match the header.
void TestZip::headerLyingAboutSize()
{
    QFETCH(int, claim);
    QFETCH(QString, password);
    const QString archive = path(s("lie.zip"));
    QStringList args{archive, QString::number(quint32(claim))};
    if (!password.isNull()) {
        const QByteArray data = QByteArray("0123456789").repeated(200);
        writeArchive(archive, ZipFile::ZipFileModeCreate, {{s("lie.txt"), data, 0, password}});
        args << s("exists");
    }
    QCOMPARE(python(QString::fromUtf8(kSizeLiar), args).code, 0);
    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    QVERIFY(zip.locateFileInZip(s("lie.txt")));
    QCOMPARE(zip.getCurrentFileInZipInfo().length(), quint64(quint32(claim)));
    auto stream = zip.readCurrentFileInZipWithPassword(password);
    QByteArray chunk(4096, '\0');
    qint64 total = 0;
    while (const qint64 n = stream->readDataWithBuffer(chunk)) {
        total += n;
    }
    QVERIFY(total <= 2000 && total <= quint32(claim));
    QCOMPARE(reasonOf([&] { stream->finishedReading(); }), s("Error closing 'lie.txt' in the zipfile"));
    zip.close();
}

void TestZip::truncatedArchive()
{
    const QString whole = path(s("whole.zip"));
    writeArchive(whole, ZipFile::ZipFileModeCreate,
                 {{s("a.bin"), sampleData(100000), 9, {}}, {s("b.bin"), sampleData(1000), 0, {}}});
    QByteArray bytes = readFile(whole);
    bytes.chop(30);
    const QString archive = path(s("truncated.zip"));
    QVERIFY(writeFile(archive, bytes));
    QCOMPARE(reasonOf([&] { ZipFile zip(archive, ZipFile::ZipFileModeUnzip); }), s("Can't open '%1'").arg(archive));

    // Data cut short behind an intact directory: the directory of the whole
    // archive glued to its first 20000 bytes. Reading must raise, not answer a
    // short entry.
    const QByteArray full = readFile(whole);
    const qsizetype directory = full.lastIndexOf("PK\x01\x02", full.lastIndexOf("PK\x01\x02") - 1);
    QByteArray cut = full.left(20000) + QByteArray(int(directory - 20000), '\0') + full.mid(directory);
    QVERIFY(writeFile(archive, cut));
    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    QVERIFY(zip.locateFileInZip(s("a.bin")));
    QVERIFY(reasonOf([&] { readCurrent(zip); }) != s("(none)"));
}

void TestZip::modesAndMisuse()
{
    const QString missing = path(s("no/such.zip"));
    qint64 error = -1;
    QCOMPARE(reasonOf([&] { ZipFile zip(missing, 0); }, &error), s("Can't open '%1'").arg(missing));
    QCOMPARE(error, qint64(0));
    QCOMPARE(reasonOf([&] { ZipFile zip(path(s("m.zip")), 3); }), s("Unknown mode 3"));

    const QString archive = path(s("modes.zip"));
    {
        ZipFile zip(archive, ZipFile::ZipFileModeCreate);
        QCOMPARE(zip.fileName(), archive);
        const QString without = s("Operation not permitted without Unzip mode");
        QCOMPARE(reasonOf([&] { zip.listFileInZipInfos(); }), without);
        QCOMPARE(reasonOf([&] { zip.readCurrentFileInZip(); }), without);
        auto stream = zip.writeFileInZipWithNameCompressionLevel(s("now.txt"), -1);
        stream->writeData("now");
        stream->finishedWriting();
        zip.close();
        QCOMPARE(reasonOf([&] { zip.close(); }, &error), s("Error closing '%1'").arg(archive));
        QVERIFY(error != 0);
    }
    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    QCOMPARE(reasonOf([&] { zip.writeFileInZipWithNameCompressionLevel(s("x"), 0); }),
             s("Operation not permitted with Unzip mode"));
    const FileInZipInfo info = zip.listFileInZipInfos().value(0);
    QVERIFY(qAbs(info.date().secsTo(QDateTime::currentDateTime())) < 5);

    // Released without close: the archive is closed and written all the same.
    {
        ZipFile unclosed(path(s("unclosed.zip")), ZipFile::ZipFileModeCreate);
        auto stream = unclosed.writeFileInZipWithNameCompressionLevel(s("u.txt"), 9);
        stream->writeData("u");
        stream->finishedWriting();
    }
    QCOMPARE(run(s("unzip"), {s("-tq"), path(s("unclosed.zip"))}).code, 0);
}

void TestZip::emptyArchiveAndNavigation()
{
    const QString empty = path(s("empty.zip"));
    writeArchive(empty, ZipFile::ZipFileModeCreate, {});
    QCOMPARE(python(s("import sys, "
                      "zipfile\nprint(zipfile.ZipFile(sys.argv[1]).namelist())"),
                    {empty})
                 .out,
             QByteArray("[]\n"));
    {
        ZipFile zip(empty, ZipFile::ZipFileModeUnzip);
        QCOMPARE(zip.numFilesInZip(), quint64(0));
        QVERIFY(zip.listFileInZipInfos().isEmpty());
        QVERIFY(!zip.locateFileInZip(s("anything")));
        QCOMPARE(reasonOf([&] { zip.getCurrentFileInZipInfo(); }),
                 s("Error getting current file info in '%1'").arg(empty));
        zip.close();
    }

    const QString archive = path(s("nav.zip"));
    writeArchive(archive, ZipFile::ZipFileModeCreate,
                 {{s("a"), "1", 0, {}}, {s("b"), "22", 0, {}}, {s("c"), "333", 0, {}}});
    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    QCOMPARE(zip.listFileInZipInfos().size(), 3);
    // Listing leaves the last entry selected.
    QCOMPARE(zip.getCurrentFileInZipInfo().name(), s("c"));
    QVERIFY(!zip.goToNextFileInZip());
    zip.goToFirstFileInZip();
    QVERIFY(zip.goToNextFileInZip());
    QCOMPARE(readCurrent(zip), QByteArray("22"));
    QVERIFY(!zip.locateFileInZip(s("B")));
    zip.close();
}

void TestZip::wholeEntryInOneBuffer()
{
    const QString archive = path(s("whole-read.zip"));
    const QByteArray data = sampleData(500000, 9);
    const QString password = s("pw");
    writeArchive(archive, ZipFile::ZipFileModeCreate, {{s("d.bin"), data, 9, {}}, {s("e.bin"), data, 9, password}});
    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    for (const QString& name : {s("d.bin"), s("e.bin")}) {
        QVERIFY(zip.locateFileInZip(name));
        const FileInZipInfo info = zip.getCurrentFileInZipInfo();
        auto stream = zip.readCurrentFileInZipWithPassword(password);
        QByteArray buffer(qsizetype(info.length()), '\0');
        QCOMPARE(stream->readDataWithBuffer(buffer), qint64(data.size()));
        QVERIFY(buffer == data);
        QCOMPARE(stream->readDataWithBuffer(buffer), qint64(0));
        stream->finishedReading();
    }
    zip.close();
}

QTEST_GUILESS_MAIN(TestZip)
#include "tst_zip.moc"
