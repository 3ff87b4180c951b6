#include "KeyedArchive.h"
#include "Plist.h"
#include "PlistBinaryWriter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <cmath>

namespace {

// The packet record of the typed messages: two 32-bit fields and a payload object.
struct TestPacket
{
    qint32 type = 0;
    qint32 action = 0;
    QVariant data;
    friend bool operator==(const TestPacket& a, const TestPacket& b)
    {
        return a.type == b.type && a.action == b.action && a.data == b.data;
    }
};

void encodePacket(const TestPacket& packet, KeyedArchiver& coder)
{
    coder.encodeInt(packet.type, QStringLiteral("type"));
    coder.encodeInt(packet.action, QStringLiteral("action"));
    coder.encodeObject(packet.data, QStringLiteral("data"));
}

std::optional<TestPacket> decodePacket(KeyedUnarchiver& coder)
{
    TestPacket packet;
    packet.type = coder.decodeInt32(QStringLiteral("type"));
    packet.action = coder.decodeInt32(QStringLiteral("action"));
    if (coder.containsValueForKey(QStringLiteral("data"))) {
        const auto data = coder.decodeObject(QStringLiteral("data"));
        if (!data) {
            return std::nullopt;
        }
        packet.data = *data;
    }
    return packet;
}

const QString Packet = QStringLiteral("VelborPacket");
const KeyedDecodeOptions AllowPacket{.allowedClasses = {QStringLiteral("VelborPacket")}};

QVariant packet(qint32 type, qint32 action, const QVariant& data)
{
    return QVariant::fromValue(TestPacket{type, action, data});
}

QVariant uid(quint64 n)
{
    return QVariant::fromValue(Plist::Uid{n});
}

QVariant classEntry(const QStringList& classes)
{
    QVariantList list;
    for (const QString& c : classes) {
        list.append(c);
    }
    return QVariantMap{{QStringLiteral("$classname"), classes.first()}, {QStringLiteral("$classes"), list}};
}

QVariant arrayObject(const QVariantList& refs, quint64 classUid)
{
    return QVariantMap{{QStringLiteral("NS.objects"), refs}, {QStringLiteral("$class"), uid(classUid)}};
}

// A hand-made archive holding the given objects, its root under "root".
QByteArray handArchive(const QVariantList& objects, const QVariant& root = uid(1),
                       const QString& archiver = QStringLiteral("NSKeyedArchiver"))
{
    const QVariantMap map{{QStringLiteral("$version"), 100000},
                          {QStringLiteral("$archiver"), archiver},
                          {QStringLiteral("$top"), QVariantMap{{QStringLiteral("root"), root}}},
                          {QStringLiteral("$objects"), objects}};
    return Plist::toBinary(map).value_or(QByteArray());
}

// Arrays where object i (from 1) holds `fanOut` references to object i+1; the last is empty.
QByteArray nestedArrays(int levels, int fanOut)
{
    QVariantList objects{QStringLiteral("$null")};
    const quint64 classUid = quint64(levels) + 1;
    for (int i = 1; i <= levels; ++i) {
        QVariantList refs;
        for (int f = 0; f < fanOut && i < levels; ++f) {
            refs.append(uid(quint64(i) + 1));
        }
        objects.append(arrayObject(refs, classUid));
    }
    objects.append(classEntry({QStringLiteral("NSArray"), QStringLiteral("NSObject")}));
    return handArchive(objects);
}

QDateTime utc(qint64 secondsSince2001, int ms = 0)
{
    return QDateTime::fromMSecsSinceEpoch((secondsSince2001 + 978307200) * 1000 + ms, QTimeZone::utc());
}

// A payload of every kind the messages send.
QVariantMap richPayload()
{
    return QVariantMap{
        {QStringLiteral("dataFormat"), 11},
        {QStringLiteral("string"), QStringLiteral("h\u00e9llo \U0001F600")},
        {QStringLiteral("float"), 2.5},
        {QStringLiteral("bool"), true},
        {QStringLiteral("big"), qint64(-5000000000)},
        {QStringLiteral("array"),
         QStringList{QStringLiteral("Dollar"), QStringLiteral("Euro"), QStringLiteral("Pound")}},
        {QStringLiteral("mutableDictionary"),
         QVariant::fromValue(KeyedArchive::Mutable{QVariantMap{{QStringLiteral("2"), QStringLiteral("1")}}})},
        {QStringLiteral("nsdata"), QByteArray("teststring")},
        {QStringLiteral("date"), utc(100000000, 500)},
        {QStringLiteral("inner"), packet(1, 2, QStringLiteral("x"))},
    };
}

// The payload as it decodes: plain containers, integers as qint64.
QVariantMap richPayloadDecoded()
{
    QVariantMap map = richPayload();
    map.insert(QStringLiteral("dataFormat"), qint64(11));
    map.insert(QStringLiteral("array"),
               QVariantList{QStringLiteral("Dollar"), QStringLiteral("Euro"), QStringLiteral("Pound")});
    map.insert(QStringLiteral("mutableDictionary"), QVariantMap{{QStringLiteral("2"), QStringLiteral("1")}});
    return map;
}

#ifdef CARROWEN_ARCHIVE_PEER
std::optional<QString> runPeer(const QStringList& args)
{
    QProcess peer;
    peer.start(QStringLiteral(CARROWEN_ARCHIVE_PEER), args);
    if (!peer.waitForFinished(60000) || peer.exitStatus() != QProcess::NormalExit || peer.exitCode() != 0) {
        qWarning().noquote() << peer.readAllStandardOutput() << peer.readAllStandardError();
        return std::nullopt;
    }
    return QString::fromUtf8(peer.readAllStandardOutput()).trimmed();
}
#endif

} // namespace

class TestKeyedArchive : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(KeyedArchive::registerClass<TestPacket>(Packet, &encodePacket, &decodePacket)); }

    void registryRefusesConflicts()
    {
        QVERIFY(KeyedArchive::isRegistered(Packet));
        QVERIFY(KeyedArchive::registerClass<TestPacket>(Packet, &encodePacket, &decodePacket)); // same again
        QVERIFY(!KeyedArchive::registerClass<TestPacket>(QStringLiteral("OtherName"), &encodePacket, &decodePacket));
        QVERIFY(!KeyedArchive::registerClass(
            Packet, QMetaType::fromType<QPoint>(), [](const QVariant&, KeyedArchiver&) {},
            [](KeyedUnarchiver&) -> std::optional<QVariant> { return {}; }));
        QVERIFY(!KeyedArchive::registerClass(QString(), QMetaType::fromType<QPoint>(), nullptr, nullptr));
        QVERIFY(!KeyedArchive::isRegistered(QStringLiteral("OtherName")));
    }

    void roundTrips()
    {
        // Integers come back as qint64, mutable containers as plain ones.
        const std::pair<QVariant, QVariant> cases[] = {
            {QVariant(-42), QVariant(qint64(-42))},
            {QVariant(std::numeric_limits<qint64>::min()), QVariant(std::numeric_limits<qint64>::min())},
            {QVariant(utc(-3000000000LL, 125)), QVariant(utc(-3000000000LL, 125))},
            {QVariant(), QVariant()},
            {QVariant(QVariantList{1, QVariant(), QVariantMap()}),
             QVariant(QVariantList{qint64(1), QVariant(), QVariantMap()})},
            {packet(5, -3, richPayload()), packet(5, -3, richPayloadDecoded())},
            {QVariant(QVariantList{packet(1, 1, 1), packet(2, 2, QVariant())}),
             QVariant(QVariantList{packet(1, 1, qint64(1)), packet(2, 2, QVariant())})},
        };
        for (const auto& [value, expected] : cases) {
            const auto bytes = KeyedArchive::archivedData(value, QStringLiteral("packet"));
            QVERIFY(bytes);
            QCOMPARE(KeyedArchive::unarchivedObject(*bytes, QStringLiteral("packet"), AllowPacket), expected);
        }
    }

    void coderReadsFieldsAsThePlatformDoes()
    {
        KeyedArchiver archiver;
        archiver.encodeInt(0x100000005LL, QStringLiteral("wide"));
        archiver.encodeInt(0xFFFFFFFFLL, QStringLiteral("all ones"));
        archiver.encodeDouble(-7.9, QStringLiteral("real"));
        archiver.encodeDouble(std::nan(""), QStringLiteral("nan"));
        archiver.encodeDouble(1e300, QStringLiteral("huge"));
        archiver.encodeBool(true, QStringLiteral("yes"));
        archiver.encodeObject(QStringLiteral("s"), QStringLiteral("object"));
        const auto bytes = archiver.finishEncoding();
        QVERIFY(bytes);
        QVERIFY(!archiver.finishEncoding()); // only once

        KeyedUnarchiver coder(*bytes);
        QVERIFY(coder.isValid());
        QCOMPARE(coder.decodeInt(QStringLiteral("wide")), 0x100000005LL);
        QCOMPARE(coder.decodeInt32(QStringLiteral("wide")), 5);
        QCOMPARE(coder.decodeInt32(QStringLiteral("all ones")), -1);
        QCOMPARE(coder.decodeInt(QStringLiteral("real")), -7);
        QCOMPARE(coder.decodeInt(QStringLiteral("nan")), 0);
        QCOMPARE(coder.decodeInt(QStringLiteral("huge")), 0);
        QCOMPARE(coder.decodeDouble(QStringLiteral("real")), -7.9);
        QCOMPARE(coder.decodeInt(QStringLiteral("yes")), 1);
        QCOMPARE(coder.decodeBool(QStringLiteral("wide")), true);
        QCOMPARE(coder.decodeInt(QStringLiteral("missing")), 0);
        QCOMPARE(coder.decodeInt(QStringLiteral("object")), 0); // a reference is not a number
        QVERIFY(!coder.decodeObject(QStringLiteral("missing")));
        QVERIFY(!coder.hasFailed());                          // a missing key is no error
        QVERIFY(!coder.decodeObject(QStringLiteral("wide"))); // a number where a reference belongs
        QVERIFY(coder.hasFailed());
    }

    void unencodableValuesFail()
    {
        QVariant deep = 1;
        for (int i = 0; i < 1000; ++i) {
            deep = QVariantList{deep};
        }
        for (const QVariant& value :
             {QVariant(QVariantMap{{QStringLiteral("p"), QPoint(1, 2)}}), QVariant(QString(QChar(0))),
              QVariant(std::numeric_limits<quint64>::max()), uid(1), deep, packet(0, 0, QPoint(1, 1))}) {
            QVERIFY(!KeyedArchive::archivedData(value));
        }
    }

    void malformedArchivesAnswerNone()
    {
        // Cycles, references out of range, wrong types and exploding graphs are in the fuzz corpus.
        const QByteArray bytesOf[] = {
            QByteArray("garbage"),
            *Plist::toBinary(QVariantList{1, 2}),
            handArchive({QStringLiteral("$null"), 1}, uid(1), QStringLiteral("Other")),
            handArchive({QStringLiteral("$null")}, QVariant()),
            handArchive({QStringLiteral("$null"), 1}, 1),
            handArchive({QStringLiteral("$null"), arrayObject({}, 2), classEntry({QStringLiteral("NSFileHandle")})}),
            // A registered class that the caller did not allow.
            handArchive({QStringLiteral("$null"), QVariantMap{{QStringLiteral("$class"), uid(2)}},
                         classEntry({Packet, QStringLiteral("NSObject")})}),
            nestedArrays(65, 1),
            nestedArrays(40, 2),
        };
        for (const QByteArray& bytes : bytesOf) {
            QVERIFY(!KeyedArchive::unarchivedObject(bytes));
            KeyedUnarchiver coder(bytes);
            QVERIFY(!coder.decodeObject(QStringLiteral("root")));
            QCOMPARE(coder.decodeInt(QStringLiteral("root")), 0);
        }
    }

    void hostilePacketsAnswerNone()
    {
        const QVariant packetClass = classEntry({Packet, QStringLiteral("NSObject")});
        // A packet whose payload is the packet itself.
        const QByteArray selfPayload = handArchive(
            {QStringLiteral("$null"), QVariantMap{{QStringLiteral("data"), uid(1)}, {QStringLiteral("$class"), uid(2)}},
             packetClass});
        QVERIFY(!KeyedArchive::unarchivedObject(selfPayload, QStringLiteral("root"), AllowPacket));
        // Packets nested deeper than the limit.
        QVariantList objects{QStringLiteral("$null")};
        for (quint64 i = 1; i <= 100; ++i) {
            objects.append(QVariantMap{{QStringLiteral("data"), uid(i + 1)}, {QStringLiteral("$class"), uid(102)}});
        }
        objects.append(QStringLiteral("end"));
        objects.append(packetClass);
        const QByteArray deep = handArchive(objects);
        QVERIFY(!KeyedArchive::unarchivedObject(deep, QStringLiteral("root"), AllowPacket));
        KeyedDecodeOptions generous;
        generous.allowAllRegistered = true;
        generous.maxDepth = 200;
        QVERIFY(KeyedArchive::unarchivedObject(deep, QStringLiteral("root"), generous));
    }

    void limitsAcceptWhatIsWithinThem()
    {
        QVERIFY(KeyedArchive::unarchivedObject(nestedArrays(64, 1)));
        QVERIFY(KeyedArchive::unarchivedObject(nestedArrays(12, 2))); // shared, but small
        // The XML form, with {CF$UID: n} references.
        const QVariantMap xmlForm{
            {QStringLiteral("$version"), 100000},
            {QStringLiteral("$archiver"), QStringLiteral("NSKeyedArchiver")},
            {QStringLiteral("$top"), QVariantMap{{QStringLiteral("root"), QVariantMap{{QStringLiteral("CF$UID"), 1}}}}},
            {QStringLiteral("$objects"),
             QVariantList{
                 QStringLiteral("$null"),
                 QVariantMap{{QStringLiteral("NS.objects"), QVariantList{QVariantMap{{QStringLiteral("CF$UID"), 2}}}},
                             {QStringLiteral("$class"), QVariantMap{{QStringLiteral("CF$UID"), 3}}}},
                 QStringLiteral("item"), classEntry({QStringLiteral("NSMutableArray"), QStringLiteral("NSArray")})}}};
        QCOMPARE(KeyedArchive::unarchivedObject(*Plist::toXml(xmlForm)),
                 QVariant(QVariantList{QStringLiteral("item")}));
    }

    void sharedObjectsAreReadOnce()
    {
        // 20,000 UIDs whose objects are one dictionary of 20,000 entries, its class entry as large, the
        // keys looked up last in both: searched once each this takes milliseconds, once per UID minutes.
        constexpr quint64 Count = 20000;
        PlistBinaryWriter w;
        std::vector<PlistBinaryWriter::Ref> keys;
        std::vector<PlistBinaryWriter::Ref> values;
        for (quint64 i = 0; i < Count; ++i) {
            keys.push_back(w.addString(QStringLiteral("k%1").arg(i)));
            values.push_back(w.addInteger(qint64(i)));
        }
        const auto with = [&](std::vector<PlistBinaryWriter::Ref> list, PlistBinaryWriter::Ref last) {
            list.push_back(last);
            return list;
        };
        const auto shared =
            w.addDict(with(keys, w.addString(QStringLiteral("$class"))), with(values, w.addUid(Count + 3)));
        const auto sharedClass = w.addDict(with(keys, w.addString(QStringLiteral("$classname"))),
                                           with(values, w.addString(QStringLiteral("NSNull"))));
        std::vector<PlistBinaryWriter::Ref> items;
        std::vector<PlistBinaryWriter::Ref> objects{w.addString(QStringLiteral("$null")), 0}; // 1: the array, below
        objects.push_back(
            w.addDict({w.addString(QStringLiteral("$classname"))}, {w.addString(QStringLiteral("NSArray"))}));
        for (quint64 i = 0; i < Count; ++i) {
            items.push_back(w.addUid(i + 3));
            objects.push_back(shared);
        }
        objects.push_back(sharedClass);
        const auto array = w.addArray(items);
        objects[1] = w.addDict({w.addString(QStringLiteral("NS.objects")), w.addString(QStringLiteral("$class"))},
                               {array, w.addUid(2)});
        const auto top = w.addDict({w.addString(QStringLiteral("root"))}, {w.addUid(1)});
        const QByteArray bytes =
            w.finish(w.addDict({w.addString(QStringLiteral("$archiver")), w.addString(QStringLiteral("$top")),
                                w.addString(QStringLiteral("$objects"))},
                               {w.addString(QStringLiteral("NSKeyedArchiver")), top, w.addArray(objects)}));
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(KeyedArchive::unarchivedObject(bytes), QVariant(QVariantList(Count, QVariant())));
        QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    }

    void truncatedArchivesAnswerNone()
    {
        const QByteArray bytes = *KeyedArchive::archivedData(packet(1, 2, richPayload()), QStringLiteral("packet"));
        for (qsizetype n = 0; n < bytes.size(); ++n) {
            QVERIFY(!KeyedArchive::unarchivedObject(bytes.left(n), QStringLiteral("packet"), AllowPacket));
        }
    }

    void filesRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("object.archive"));
        QVERIFY(KeyedArchive::writeFile(path, packet(3, 4, QStringLiteral("payload"))));
        QCOMPARE(KeyedArchive::readFile(path, QStringLiteral("root"), AllowPacket),
                 packet(3, 4, QStringLiteral("payload")));
        QVERIFY(!KeyedArchive::readFile(path)); // the packet class is not allowed by default
        QVERIFY(!KeyedArchive::writeFile(path, QPoint(1, 1)));
        QCOMPARE(KeyedArchive::readFile(path, QStringLiteral("root"), AllowPacket),
                 packet(3, 4, QStringLiteral("payload")));
        QVERIFY(!KeyedArchive::readFile(dir.filePath(QStringLiteral("missing"))));
        QVERIFY(!KeyedArchive::readFile(QStringLiteral("/dev/zero")));
    }

    void platformUnarchiverReadsOurArchives_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("printed");
        QTest::newRow("message packet") << QStringLiteral("packet")
                                        << packet(0, 0,
                                                  QVariantMap{{QStringLiteral("dataFormat"), 3},
                                                              {QStringLiteral("int"), 7}})
                                        << QStringLiteral("P(0,0,D{dataFormat=Ni:3;int=Ni:7;})");
        QTest::newRow("every kind")
            << QStringLiteral("packet") << packet(5, -3, richPayload())
            << QStringLiteral("P(5,-3,D{array=MA[S\"Dollar\",S\"Euro\",S\"Pound\"];big=Nq:-5000000000;bool=NC:1;"
                              "dataFormat=Ni:11;date=T100000000.500;float=Nf:2.5;inner=P(1,2,S\"x\");"
                              "mutableDictionary=MD{2=S\"1\";};nsdata=X74657374737472696e67;"
                              "string=S\"h\u00e9llo \U0001F600\";})");
        QTest::newRow("object graph under root")
            << QStringLiteral("root")
            << QVariant(QVariantList{QStringLiteral("a"), QVariantMap{{QStringLiteral("k"), QVariantList()}}, -1.5})
            << QStringLiteral("MA[S\"a\",D{k=MA[];},Nf:-1.5]");
    }

    void platformUnarchiverReadsOurArchives()
    {
#ifndef CARROWEN_ARCHIVE_PEER
        QSKIP("GNUstep base was not found when the build was configured: no archive peer");
#else
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(QString, printed);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("ours.archive"));
        QVERIFY(KeyedArchive::writeFile(path, value, key));
        const auto out = runPeer({QStringLiteral("decode"), key, path});
        QVERIFY(out);
        QCOMPARE(*out, printed);
#endif
    }

    void weReadThePlatformArchiver()
    {
#ifndef CARROWEN_ARCHIVE_PEER
        QSKIP("GNUstep base was not found when the build was configured: no archive peer");
#else
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("theirs.archive"));
        QVERIFY(runPeer({QStringLiteral("encode"), path}));
        QVariantMap payload = richPayloadDecoded();
        payload.remove(QStringLiteral("bool"));
        payload.insert(QStringLiteral("string"), QStringLiteral("h\u00e9llo"));
        const auto read = KeyedArchive::readFile(path, QStringLiteral("packet"), AllowPacket);
        QVERIFY(read);
        QCOMPARE(*read, packet(5, -3, payload));
        QVERIFY(!KeyedArchive::readFile(path, QStringLiteral("packet"))); // packets must be allowed
#endif
    }
};

QTEST_GUILESS_MAIN(TestKeyedArchive)
#include "tst_keyedarchive.moc"
