#include "Plist.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QtEndian>

#include <clocale>
#include <cmath>
#include <cstring>

namespace {

// The monitor's settings dictionary: texts as strings, checkboxes and the slider as integers.
QVariantMap settingsDictionary()
{
    QVariantMap map;
    const QList<int> texts = {0, 1, 2, 3, 8, 9, 10, 14, 15, 16, 17};
    for (int i = 0; i < 24; ++i) {
        const QString key = QStringLiteral("gen%1").arg(i);
        if (texts.contains(i)) {
            map.insert(key, QStringLiteral("text %1 <&> caf\u00e9").arg(i));
        } else {
            map.insert(key, i == 23 ? 37 : i % 2);
        }
    }
    map.insert(QStringLiteral("gen14"), QStringLiteral("www.kernel.org\nwww.debian.org"));
    map.insert(QStringLiteral("gen3"), QString());
    return map;
}

QDateTime utc(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), QTimeZone::utc());
}

// Python's plistlib is the reference: it is the platform's own format in a second implementation.
struct Python
{
    static bool available() { return !QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty(); }

    // Runs a script with arguments; answers its standard output, or none when it failed.
    static std::optional<QByteArray> run(const QString& script, const QStringList& args = {})
    {
        QProcess p;
        p.start(QStringLiteral("python3"), QStringList{QStringLiteral("-c"), script} + args);
        if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            qWarning().noquote() << QString::fromUtf8(p.readAllStandardError());
            return std::nullopt;
        }
        return p.readAllStandardOutput();
    }
};

// A value of every type, nested, as both sides write it; kept in step with pythonRichValue.
QVariant richValue()
{
    QVariantMap inner;
    inner.insert(QStringLiteral("empty list"), QVariantList());
    inner.insert(QStringLiteral("empty dict"), QVariantMap());
    inner.insert(QStringLiteral("deep"),
                 QVariantList{QVariantList{QVariantMap{{QStringLiteral("x"), QByteArray(90, 'z')}}}});
    QVariantMap map;
    map.insert(QStringLiteral("string"), QStringLiteral("plain"));
    map.insert(QStringLiteral("unicode \u00e9 \U0001F600"), QStringLiteral("\u4e2d\u6587 \U0001F600 tab\there"));
    map.insert(QStringLiteral("empty"), QString());
    map.insert(QStringLiteral("int"), qint64(42));
    map.insert(QStringLiteral("negative"), qint64(-7));
    map.insert(QStringLiteral("min"), std::numeric_limits<qint64>::min());
    map.insert(QStringLiteral("max"), std::numeric_limits<qint64>::max());
    map.insert(QStringLiteral("reals"), QVariantList{0.1, 1.5, 3.0, -0.0, 1e20, 1.5e-5, 1e16, 123456789.125, -2.5});
    map.insert(QStringLiteral("true"), true);
    map.insert(QStringLiteral("false"), false);
    map.insert(QStringLiteral("data"), QByteArray("\x00\x01\xfe\xff binary", 11));
    map.insert(QStringLiteral("long data"), QByteArray(200, '\x5a'));
    map.insert(QStringLiteral("date"), utc(2026, 12, 5, 9, 5, 3));
    map.insert(QStringLiteral("old date"), utc(1900, 1, 1, 0, 0, 0));
    map.insert(QStringLiteral("nested"), inner);
    return map;
}

const char* pythonRichValue = R"(
import datetime
inner = {"empty list": [], "empty dict": {}, "deep": [[{"x": b"z" * 90}]]}
value = {"string": "plain", "unicode \u00e9 \U0001F600": "\u4e2d\u6587 \U0001F600 tab\there", "empty": "",
         "int": 42, "negative": -7, "min": -2**63, "max": 2**63 - 1,
         "reals": [0.1, 1.5, 3.0, -0.0, 1e20, 1.5e-5, 1e16, 123456789.125, -2.5],
         "true": True, "false": False, "data": b"\x00\x01\xfe\xff binary", "long data": b"\x5a" * 200,
         "date": datetime.datetime(2026, 12, 5, 9, 5, 3), "old date": datetime.datetime(1900, 1, 1),
         "nested": inner}
)";

QByteArray writeTemp(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        return {};
    }
    return dir.filePath(name).toUtf8();
}

// A binary plist of arrays built by hand: object i is an array of the given references (up to 14).
QByteArray handBinary(const QList<QList<quint8>>& arrays)
{
    QByteArray out("bplist00");
    QByteArray table;
    for (const auto& refs : arrays) {
        table.append(char(out.size()));
        out.append(char(0xA0 | refs.size()));
        for (quint8 r : refs) {
            out.append(char(r));
        }
    }
    const char count = char(arrays.size());
    const char tableOffset = char(out.size());
    return out + table + QByteArray(6, '\0') + QByteArray("\1\1", 2) + QByteArray(7, '\0') + count +
           QByteArray(15, '\0') + tableOffset;
}

QByteArray nestedXml(int depth)
{
    return "<plist>" + QByteArray("<array>").repeated(depth) + QByteArray("</array>").repeated(depth) + "</plist>";
}

} // namespace

class TestPlist : public QObject
{
    Q_OBJECT

private slots:
    void settingsXmlIsWhatThePlatformWrites()
    {
        if (!Python::available()) {
            QSKIP("python3 is not installed");
        }
        QTemporaryDir dir;
        const QVariantMap settings = settingsDictionary();
        const auto xml = Plist::toXml(settings);
        QVERIFY(xml);
        const QByteArray ours = writeTemp(dir, QStringLiteral("ours.plist"), *xml);
        const QByteArray json = writeTemp(dir, QStringLiteral("expected.json"),
                                          QJsonDocument(QJsonObject::fromVariantMap(settings)).toJson());
        const auto out = Python::run(QStringLiteral(R"(
import json, plistlib, sys
ours = open(sys.argv[1], "rb").read()
expected = json.load(open(sys.argv[2]))
read = plistlib.loads(ours)
assert read == expected, (read, expected)
assert all(type(read[k]) is type(expected[k]) for k in expected)
assert plistlib.dumps(expected) == ours, plistlib.dumps(expected)
print("same")
)"),
                                     {QString::fromUtf8(ours), QString::fromUtf8(json)});
        QVERIFY(out);
        QCOMPARE(out->trimmed(), QByteArray("same"));
        QVERIFY(xml->contains("\t<key>gen5</key>\n\t<integer>1</integer>\n"));
        QVERIFY(xml->endsWith("</dict>\n</plist>\n"));
    }

    void everyTypeIsWrittenAsThePlatformWritesIt()
    {
        if (!Python::available()) {
            QSKIP("python3 is not installed");
        }
        QTemporaryDir dir;
        const auto xml = Plist::toXml(richValue());
        QVERIFY(xml);
        const QByteArray ours = writeTemp(dir, QStringLiteral("ours.plist"), *xml);
        const auto theirs = Python::run(QString::fromUtf8(pythonRichValue) + QStringLiteral(R"(
import plistlib, sys
sys.stdout.buffer.write(plistlib.dumps(value))
assert plistlib.loads(open(sys.argv[1], "rb").read()) == value
)"),
                                        {QString::fromUtf8(ours)});
        QVERIFY(theirs);
        QCOMPARE(*xml, *theirs);
    }

    void binaryIsReadAsThePlatformReadsIt()
    {
        if (!Python::available()) {
            QSKIP("python3 is not installed");
        }
        // Every type, and sizes past each width of the format: counts over 14, over 255 and 65,535
        // objects (wider references), over 64 KiB of objects (wider offsets), integers and UIDs of
        // every width, equal values repeated.
        QVariantMap value = richValue().toMap();
        value.remove(QStringLiteral("old date"));
        QVariantList many;
        for (qint64 i = 0; i < 70000; ++i) {
            many.append(i * 65537 - 1000);
        }
        value.insert(QStringLiteral("many"), many);
        value.insert(QStringLiteral("long text"), QString(300, QChar(0x263A)));
        value.insert(QStringLiteral("uids"),
                     QVariantList{QVariant::fromValue(Plist::Uid{1}), QVariant::fromValue(Plist::Uid{300}),
                                  QVariant::fromValue(Plist::Uid{70000}), QVariant::fromValue(Plist::Uid{1ull << 40})});
        value.insert(QStringLiteral("repeated"), QVariantList(1000, QVariant(QStringLiteral("same text"))));
        const auto binary = Plist::toBinary(value);
        QVERIFY(binary);
        QTemporaryDir dir;
        const auto out = Python::run(QString::fromUtf8(pythonRichValue) + QStringLiteral(R"(
import plistlib, sys
del value["old date"]
value["many"] = [i * 65537 - 1000 for i in range(70000)]
value["long text"] = "\u263a" * 300
value["uids"] = [plistlib.UID(1), plistlib.UID(300), plistlib.UID(70000), plistlib.UID(1 << 40)]
value["repeated"] = ["same text"] * 1000
ours = open(sys.argv[1], "rb").read()
assert plistlib.loads(ours) == value
print(int.from_bytes(ours[-24:-16], "big"))
)"),
                                     {QString::fromUtf8(writeTemp(dir, QStringLiteral("ours.plist"), *binary))});
        QVERIFY(out);
        QVERIFY2(out->trimmed().toInt() < 70100, out->constData()); // each equal value stored once
        QCOMPARE(Plist::fromData(*binary), QVariant(value));
    }

    void equalValuesAreStoredOnce()
    {
        // Data equal by value is stored once however long it is (here from separate buffers), while
        // long data that differ only in the middle are both kept; numbers of different kinds stay apart.
        const QByteArray big(100000, 'x');
        QByteArray middle = big;
        middle[50000] = 'y';
        const QVariantList list{big,
                                QByteArray(big.constData(), big.size()),
                                middle,
                                QByteArray("ab"),
                                QByteArray("ab"),
                                1,
                                1.0,
                                true,
                                QStringLiteral("1")};
        const auto binary = Plist::toBinary(list);
        QVERIFY(binary);
        QCOMPARE(Plist::fromData(*binary), QVariant(list));
        const quint64 objects = qFromBigEndian<quint64>(binary->constData() + binary->size() - 24);
        QCOMPARE(objects, 8u); // the array, big, middle, "ab", 1, 1.0, true and "1"
    }

    void readsWhatThePlatformWrites_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("xml") << QStringLiteral("FMT_XML");
        QTest::newRow("binary") << QStringLiteral("FMT_BINARY");
    }

    void readsWhatThePlatformWrites()
    {
        QFETCH(QString, format);
        if (!Python::available()) {
            QSKIP("python3 is not installed");
        }
        const auto bytes =
            Python::run(QString::fromUtf8(pythonRichValue) +
                        QStringLiteral("\nimport plistlib, sys\n"
                                       "sys.stdout.buffer.write(plistlib.dumps(value, fmt=plistlib.%1))\n")
                            .arg(format));
        QVERIFY(bytes);
        const auto read = Plist::fromData(*bytes);
        QVERIFY(read);
        QCOMPARE(*read, richValue());
    }

    void largeUnsignedFromThePlatformWraps()
    {
        if (!Python::available()) {
            QSKIP("python3 is not installed");
        }
        for (const char* fmt : {"FMT_XML", "FMT_BINARY"}) {
            const auto bytes = Python::run(QStringLiteral("import plistlib, sys\nsys.stdout.buffer.write("
                                                          "plistlib.dumps([2**64 - 1, 2**63], fmt=plistlib.%1))")
                                               .arg(QLatin1String(fmt)));
            QVERIFY(bytes);
            QCOMPARE(Plist::fromData(*bytes), QVariant(QVariantList{qint64(-1), std::numeric_limits<qint64>::min()}));
        }
    }

    void roundTripsInBothForms()
    {
        QVariantMap rich = richValue().toMap();
        rich.remove(QStringLiteral("old date")); // the binary writer's dates end 2^31 s from 2001
        for (const QVariant& value : {QVariant(settingsDictionary()), QVariant(rich), QVariant(QStringLiteral("alone")),
                                      QVariant(QStringLiteral("a<b>&c]]>\"'"))}) {
            for (const auto& bytes : {Plist::toXml(value), Plist::toBinary(value)}) {
                QVERIFY(bytes);
                QCOMPARE(Plist::fromData(*bytes), value);
            }
        }
        // A string list comes back as a list of strings.
        const QStringList list{QStringLiteral("a"), QStringLiteral("b")};
        QCOMPARE(Plist::fromData(*Plist::toBinary(list))->toStringList(), list);
    }

    void valuesWithoutPlistFormAreRefused()
    {
        // Refused by both writers.
        for (const QVariant& value :
             {QVariant(), QVariant(QVariantMap{{QStringLiteral("p"), QPoint(1, 2)}}), QVariant(QString(QChar(0))),
              QVariant(QString(QChar(0xD800))), QVariant(std::numeric_limits<quint64>::max()),
              QVariant(utc(10000, 1, 1, 0, 0, 0)), QVariant(QDateTime())}) {
            QVERIFY2(!Plist::toXml(value) && !Plist::toBinary(value), value.typeName());
        }
        // No XML form, but a binary one: control characters, U+FFFF, uids.
        for (const QVariant& value :
             {QVariant(QStringLiteral("bell\x07")), QVariant(QString(QChar(0xFFFF))),
              QVariant(QVariantMap{{QStringLiteral("k\x01"), 1}}), QVariant::fromValue(Plist::Uid{3})}) {
            QVERIFY(!Plist::toXml(value) && Plist::toBinary(value));
        }
        // A binary date ends 2^31 s from 2001.
        QVERIFY(Plist::toXml(utc(1900, 1, 1, 0, 0, 0)) && !Plist::toBinary(utc(1900, 1, 1, 0, 0, 0)));
    }

    void malformedInputAnswersNone()
    {
        // Hostile inputs (cycles, deep nesting, exploding sharing, entity bombs) are in the fuzz corpus.
        for (const char* bytes :
             {"", "hello world", "<plist>", "<plist></plist>", "<plist><dict><key>a</key><string>x</dict></plist>",
              "<plist><dict><key>a</key></dict></plist>", "<plist><dict><string>x</string></dict></plist>",
              "<plist><true/><true/></plist>", "<plist><true/></plist><x/>", "<plist>junk<true/></plist>",
              "<plist><integer>12a</integer></plist>", "<plist><integer>99999999999999999999</integer></plist>",
              "<plist><real>1,5</real></plist>", "<plist><date>junk</date></plist>", "<plist><data>!!!</data></plist>",
              "<plist><float>1</float></plist>", "<plist><string>&nope;</string></plist>", "bplist00"}) {
            QVERIFY2(!Plist::fromData(QByteArray(bytes)), bytes);
        }
    }

    void limitsRefuseWhatIsBeyondThem()
    {
        QVERIFY(Plist::fromData(nestedXml(Plist::MaxDepth)));
        QVERIFY(!Plist::fromData(nestedXml(Plist::MaxDepth + 1)));
        QVERIFY(!Plist::fromData(handBinary({QList<quint8>{1}, QList<quint8>{0}}))); // a cycle
        // Each level refers twice to the next: 2^11 values are fine, 2^60 are refused.
        const auto fan = [](quint8 levels) {
            QList<QList<quint8>> arrays;
            for (quint8 i = 0; i < levels; ++i) {
                arrays.append(QList<quint8>{quint8(i + 1), quint8(i + 1)});
            }
            arrays.append(QList<quint8>());
            return handBinary(arrays);
        };
        QVERIFY(Plist::fromData(fan(10)));
        QVERIFY(!Plist::fromData(fan(60)));
    }

    void truncatedInputAnswersNone()
    {
        const QVariantMap small{{QStringLiteral("a"), 1},
                                {QStringLiteral("b"), QVariantList{QStringLiteral("x"), 2.5}},
                                {QStringLiteral("c"), QByteArray("data")}};
        const QByteArray xml = *Plist::toXml(small);
        const QByteArray binary = *Plist::toBinary(small);
        // The XML stays whole when only its final line break is missing.
        for (qsizetype n = 0; n < xml.size() - 1; ++n) {
            QVERIFY2(!Plist::fromData(xml.left(n)), qPrintable(QString::number(n)));
        }
        for (qsizetype n = 0; n < binary.size(); ++n) {
            QVERIFY2(!Plist::fromData(binary.left(n)), qPrintable(QString::number(n)));
        }
    }

    void filesAreReadAndWrittenWhole()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("TestFile.txt"));
        QVERIFY(Plist::writeFile(path, settingsDictionary()));
        QCOMPARE(Plist::readFile(path), QVariant(settingsDictionary()));
        QVERIFY(Plist::writeFile(path, settingsDictionary(), Plist::Kind::Binary));
        QCOMPARE(Plist::readFile(path), QVariant(settingsDictionary()));

        // A value with no plist form leaves the old file as it was.
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray before = f.readAll();
        f.close();
        QVERIFY(!Plist::writeFile(path, QVariantMap{{QStringLiteral("bad"), QVariant()}}));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);

        QVERIFY(!Plist::writeFile(dir.filePath(QStringLiteral("missing/dir/x.plist")), 1));
        QVERIFY(!Plist::readFile(dir.filePath(QStringLiteral("nothing here"))));
        QVERIFY(!Plist::readFile(dir.path()));
    }

    void oversizedFileIsRefused()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("huge.plist"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        // A valid XML head followed by 50 MB inside one string.
        f.write("<plist><string>");
        const QByteArray block(1024 * 1024, 'a');
        for (int i = 0; i < 50; ++i) {
            f.write(block);
        }
        f.write("</string></plist>");
        f.close();
        QVERIFY(!Plist::readFile(path));
        QVERIFY(!Plist::readFile(QStringLiteral("/dev/zero")));
    }

    void readingIgnoresTheProcessLocale()
    {
        // A German locale writes and reads "1,5": build one when the machine has none installed.
        QTemporaryDir locales;
        const QByteArray savedLocale = std::setlocale(LC_NUMERIC, nullptr);
        const QByteArray savedPath = qgetenv("LOCPATH");
        if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
            QProcess::execute(QStringLiteral("localedef"),
                              {QStringLiteral("-i"), QStringLiteral("de_DE"), QStringLiteral("-f"),
                               QStringLiteral("UTF-8"), locales.filePath(QStringLiteral("de_DE.UTF-8"))});
            qputenv("LOCPATH", locales.path().toLocal8Bit());
            if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
                qputenv("LOCPATH", savedPath);
                QSKIP("no German locale, and localedef could not make one");
            }
        }
        const auto read = Plist::fromData("<plist><array><real>1.5</real><real>-2.25e-3</real></array></plist>");
        const auto xml = Plist::toXml(QVariantList{2.5, 1e-7});
        const double cLibrary = std::strtod("1.5", nullptr); // the locale really is in force
        std::setlocale(LC_NUMERIC, savedLocale.constData());
        if (savedPath.isNull()) {
            qunsetenv("LOCPATH");
        } else {
            qputenv("LOCPATH", savedPath);
        }
        QCOMPARE(cLibrary, 1.0);
        QCOMPARE(read, QVariant(QVariantList{1.5, -2.25e-3}));
        QVERIFY(xml && xml->contains("<real>2.5</real>") && xml->contains("<real>1e-07</real>"));
    }

    void realsAreWrittenInTheirShortestForm()
    {
        if (!Python::available()) {
            QSKIP("python3 is not installed");
        }
        // Reals across the whole range, from fixed bit patterns: plistlib must read each back exactly
        // and write the very same text.
        QVariantList reals;
        quint64 state = 0x9E3779B97F4A7C15ULL;
        for (int i = 0; i < 3000; ++i) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            double d;
            std::memcpy(&d, &state, sizeof d);
            if (std::isfinite(d)) {
                reals.append(d);
            }
            reals.append(double(qint64(state % 2000001) - 1000000) / 1000.0);
        }
        reals.append(QVariantList{1e16, 1e15, 0.0001, 0.00001, 123456789012345678.0, 5e-324, 1.7976931348623157e308});
        QTemporaryDir dir;
        const auto xml = Plist::toXml(reals);
        QVERIFY(xml);
        const QByteArray ours = writeTemp(dir, QStringLiteral("reals.plist"), *xml);
        const auto out = Python::run(QStringLiteral(R"(
import plistlib, sys
ours = open(sys.argv[1], "rb").read()
assert plistlib.dumps(plistlib.loads(ours)) == ours
print("same")
)"),
                                     {QString::fromUtf8(ours)});
        QVERIFY(out);
        QCOMPARE(out->trimmed(), QByteArray("same"));
        QCOMPARE(Plist::fromData(*xml), QVariant(reals));
    }
};

QTEST_GUILESS_MAIN(TestPlist)
#include "tst_plist.moc"
