#include "Format.h"
#include "NotificationCenter.h"
#include "SharedInstance.h"
#include "StderrCapture.h"
#include "Trace.h"

#include <QTest>
#include <QThread>
#include <QTimeZone>

#include <cstdio>
#include <limits>

#include <unistd.h>

namespace {
class Counted : public SharedInstance<Counted>
{
    friend class SharedInstance<Counted>;
    Counted() { ++constructed; }

public:
    static inline int constructed = 0;
};
} // namespace

class TestFormat : public QObject
{
    Q_OBJECT

private slots:
    void conversions_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("expected");
        QTest::newRow("object") << format("%@-%@", QStringLiteral("a"), 5) << QStringLiteral("a-5");
        QTest::newRow("padding") << format("%02d:%02d", 5, 12) << QStringLiteral("05:12");
        QTest::newRow("precision") << format("%.2f|%f", 1.005, 0.5) << QStringLiteral("1.00|0.500000");
        QTest::newRow("width left") << format("[%-4d][%4d]", 7, 7) << QStringLiteral("[7   ][   7]");
        QTest::newRow("hex") << format("%x %llx %X", 255, qint64(0x1234567890LL), 171)
                             << QStringLiteral("ff 1234567890 AB");
        QTest::newRow("int32 truncation") << format("%d", qint64(4294967297LL)) << QStringLiteral("1");
        QTest::newRow("unsigned of negative") << format("%u", -1) << QStringLiteral("4294967295");
        QTest::newRow("double as int truncates") << format("%d", 3.99) << QStringLiteral("3");
        QTest::newRow("nan as int is 0") << format("%d", std::nan("")) << QStringLiteral("0");
        QTest::newRow("int as float") << format("%.1f", 3) << QStringLiteral("3.0");
        QTest::newRow("char") << format("%c%c", 'A', 0x20AC) << QStringLiteral("A€");
        QTest::newRow("percent") << format("100%%") << QStringLiteral("100%");
        QTest::newRow("missing arguments") << format("%@ %d %s") << QStringLiteral("(null) 0 (null)");
        QTest::newRow("unknown conversion kept") << format("%y %d", 4) << QStringLiteral("%y 4");
        QTest::newRow("trailing percent") << format("50%") << QStringLiteral("50%");
        QTest::newRow("utf16 text") << format("%@!", QStringLiteral("Grüße")) << QStringLiteral("Grüße!");
        QTest::newRow("star width") << format("%*d|", 5, 42) << QStringLiteral("   42|");
    }
    void conversions()
    {
        QFETCH(QString, result);
        QFETCH(QString, expected);
        QCOMPARE(result, expected);
    }

    // C's printf is the reference for every numeric conversion: exact ties round to the even
    // neighbour, -0 keeps its sign, flags, widths and precisions mean what they mean there.
    void numbersPrintLikeC()
    {
        const char* realSpecs[] = {"%0.0f", "%0.2f", "%.1f", "%+.3f|", "%08.2f", "%-8.1f|", "%e", "%.3g", "%G", "%a"};
        const double reals[] = {0.5, 1.5, 2.5, -0.5, -0.0, 1.125, 0.045, 2.675, 1e300, -1e-300, 123456789.0};
        for (const char* conversion : realSpecs) {
            for (const double value : reals) {
                char expected[512];
                std::snprintf(expected, sizeof expected, conversion, value);
                QCOMPARE(format(conversion, value), QString::fromLatin1(expected));
            }
        }
        const char* intSpecs[] = {"%d", "%+5d|", "%-5d|", "%05d", "% d", "%.3d", "%x", "%#o", "%X"};
        for (const char* conversion : intSpecs) {
            for (const int value : {0, -7, 42, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
                char expected[64];
                std::snprintf(expected, sizeof expected, conversion, value);
                QCOMPARE(format(conversion, value), QString::fromLatin1(expected));
            }
        }
    }

    void describeValues()
    {
        QCOMPARE(describe(QVariant()), QStringLiteral("(null)"));
        QCOMPARE(describe(1.5), QStringLiteral("1.5"));
        QCOMPARE(describe(0.1), QStringLiteral("0.1"));
        QCOMPARE(describe(true), QStringLiteral("1"));
        QCOMPARE(describe(QByteArray::fromHex("0a0b0c0d0e")), QStringLiteral("<0a0b0c0d 0e>"));
        QCOMPARE(describe(QByteArray()), QStringLiteral("<>"));
        // Lengths around the groups of four and the blocks of sixteen, against the text built byte by byte.
        QByteArray data;
        QString expected;
        for (int n = 1; n <= 40; ++n) {
            data.append(char(n * 37 + 200));
            expected += (n > 1 && n % 4 == 1 ? QStringLiteral(" ") : QString()) +
                        QString::asprintf("%02x", uint(quint8(data.back())));
            QCOMPARE(describe(data), u'<' + expected + u'>');
        }
        QCOMPARE(describe(QVariantList{QStringLiteral("a"), QStringLiteral("b")}),
                 QStringLiteral("(\n    a,\n    b\n)"));
        QCOMPARE(describe(QVariantList{}), QStringLiteral("(\n)"));
        QVariantMap map{{QStringLiteral("b"), 2}, {QStringLiteral("a"), QVariantList{1}}};
        QCOMPARE(describe(map), QStringLiteral("{\n    a = (\n        1\n    );\n    b = 2;\n}"));
        const QDateTime date(QDate(2026, 12, 5), QTime(9, 5, 3), Qt::UTC);
        QCOMPARE(describe(date), QStringLiteral("2026-12-05 09:05:03 +0000"));
        QCOMPARE(format("%@", QString()), QString());
    }

    void sharedInstance()
    {
        Counted* first = Counted::sharedEngineInstance();
        QVERIFY(first);
        QCOMPARE(Counted::sharedEngineInstance(), first);
        QCOMPARE(Counted::alloc(), nullptr); // a second creation yields nothing
        QCOMPARE(first->copy(), first);
        QCOMPARE(Counted::constructed, 1);
    }

    void sharedInstanceUnderContention()
    {
        QList<QThread*> threads;
        QList<Counted*> seen(8, nullptr);
        for (int i = 0; i < 8; ++i) {
            threads << QThread::create([&seen, i] { seen[i] = Counted::sharedEngineInstance(); });
        }
        for (QThread* t : threads)
            t->start();
        for (QThread* t : threads) {
            t->wait();
            delete t;
        }
        for (Counted* c : seen)
            QCOMPARE(c, Counted::sharedEngineInstance());
        QCOMPARE(Counted::constructed, 1);
    }

    void traceLines()
    {
        StderrCapture capture;
        traceFileMethodLine("/src/app/AppDelegate.cpp", 124, QStringLiteral("-[AppDelegate debugSystem]"), "n=%d", 5);
        traceFileLine("/x/y/File.cpp", 7, "done\n");
        traceMessage("");
        traceFileMethodLine("a.cpp", 1, QStringLiteral("plain"), "x");
        const QByteArray out = capture.take();
        QCOMPARE(out, QByteArray("AppDelegate.cpp, debugSystem, line:124  n=5\n"
                                 "File.cpp, line:7  done\n"
                                 "\n"
                                 "a.cpp, , line:1  x\n"));
    }

    void traceForwarding()
    {
        QStringList posted;
        auto token = NotificationCenter::defaultCenter().addObserver(
            QStringLiteral("Debug"), [&](const Notification& n) { posted << n.object.toString(); });
        StderrCapture capture;
        traceMessage("off");
        setTraceForwarding(true);
        traceMessage("on %d", 1);
        setTraceForwarding(false);
        capture.take();
        NotificationCenter::defaultCenter().removeObserver(token);
        QCOMPARE(posted, QStringList{QStringLiteral("on 1\n")});
    }

    void methodNames()
    {
        QCOMPARE(methodNameText("void AppDelegate::gameLoop(int)"), QStringLiteral("-[AppDelegate gameLoop]"));
        QCOMPARE(methodNameText("static Strings* ns::Strings::sharedEngineInstance()"),
                 QStringLiteral("-[Strings sharedEngineInstance]"));
        QCOMPARE(methodNameFromText(QStringLiteral("-[AppDelegate intSliderSender:]")),
                 QStringLiteral("intSliderSender:"));
        QCOMPARE(methodNameFromText(QStringLiteral("x")), QString());
    }

    void notificationsDuringDelivery()
    {
        // An observer that removes itself and adds another must not disturb the running delivery.
        auto& center = NotificationCenter::defaultCenter();
        int calls = 0;
        NotificationCenter::Token self = 0;
        self = center.addObserver(QStringLiteral("T"), [&](const Notification&) {
            ++calls;
            center.removeObserver(self);
            center.addObserver(QStringLiteral("Other"), [](const Notification&) {});
        });
        center.postNotificationName(QStringLiteral("T"));
        center.postNotificationName(QStringLiteral("T"));
        QCOMPARE(calls, 1);
    }
};

QTEST_GUILESS_MAIN(TestFormat)
#include "tst_format.moc"
