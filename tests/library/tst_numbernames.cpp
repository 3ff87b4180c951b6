// Number names of the string service: exact texts with their blanks, both forms, and the whole range
// of 64-bit numbers.

#include "Strings.h"
#include "TraceRecorder.h"

#include <QTest>

#include <limits>

class TestNumberNames : public QObject
{
    Q_OBJECT

private:
    Strings* strings = Strings::sharedEngineInstance();

private slots:
    void wordTable_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("word");
        QTest::newRow("0") << 0 << QStringLiteral("zero");
        QTest::newRow("13") << 13 << QStringLiteral("thirteen");
        QTest::newRow("19") << 19 << QStringLiteral("nineteen");
        QTest::newRow("20") << 20 << QStringLiteral("twenty");
        QTest::newRow("40 keeps its spelling") << 40 << QStringLiteral("fourty");
        QTest::newRow("90") << 90 << QStringLiteral("ninety");
    }
    void wordTable()
    {
        QFETCH(int, number);
        QFETCH(QString, word);
        TraceRecorder traces;
        QCOMPARE(strings->getNumberName(number), word);
        QVERIFY(traces.lines().isEmpty());
    }

    void unknownWord_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("21") << 21;
        QTest::newRow("25") << 25;
        QTest::newRow("100") << 100;
        QTest::newRow("-1") << -1;
        QTest::newRow("-20") << -20;
        QTest::newRow("INT_MIN") << std::numeric_limits<int>::min();
        QTest::newRow("INT_MAX") << std::numeric_limits<int>::max();
    }
    void unknownWord()
    {
        QFETCH(int, number);
        TraceRecorder traces;
        QCOMPARE(strings->getNumberName(number), QStringLiteral("??"));
        QCOMPARE(traces.lines().size(), 1);
        QVERIFY2(traces.lines().first().contains(QString::number(number)), qPrintable(traces.lines().first()));
    }

    void hundreds_data()
    {
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("american");
        QTest::addColumn<QString>("british");
        QTest::newRow("0") << qint64(0) << QString() << QString();
        QTest::newRow("7") << qint64(7) << QStringLiteral(" seven") << QStringLiteral(" seven");
        QTest::newRow("25") << qint64(25) << QStringLiteral(" twenty five") << QStringLiteral(" twenty five");
        QTest::newRow("30") << qint64(30) << QStringLiteral(" thirty") << QStringLiteral(" thirty");
        QTest::newRow("105") << qint64(105) << QStringLiteral("one hundred five")
                             << QStringLiteral("one hundred and five");
        QTest::newRow("200") << qint64(200) << QStringLiteral("two hundred") << QStringLiteral("two hundred and");
        QTest::newRow("999") << qint64(999) << QStringLiteral("nine hundred ninety nine")
                             << QStringLiteral("nine hundred and ninety nine");
        QTest::newRow("1500 as fifteen hundred")
            << qint64(1500) << QStringLiteral("fifteen hundred") << QStringLiteral("fifteen hundred and");
        QTest::newRow("negative gives nothing") << qint64(-5) << QString() << QString();
        QTest::newRow("INT64_MIN") << std::numeric_limits<qint64>::min() << QString() << QString();
        // The hundreds count 2^32 + 5 must not be cut down to the word of 5.
        QTest::newRow("count beyond 32 bits")
            << qint64(429496730100LL) << QStringLiteral("?? hundred") << QStringLiteral("?? hundred and");
        QTest::newRow("INT64_MAX") << std::numeric_limits<qint64>::max() << QStringLiteral("?? hundred seven")
                                   << QStringLiteral("?? hundred and seven");
    }
    void hundreds()
    {
        QFETCH(qint64, number);
        QFETCH(QString, american);
        QFETCH(QString, british);
        QCOMPARE(strings->hundredsToStringUkEnglish(number, false), american);
        QCOMPARE(strings->hundredsToStringUkEnglish(number, true), british);
    }

    void numbers_data()
    {
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("american");
        QTest::addColumn<QString>("british");
        QTest::addColumn<int>("traces");
        const qint64 trillion = 1000000000000LL;
        QTest::newRow("0") << qint64(0) << QStringLiteral("zero") << QStringLiteral("zero") << 0;
        QTest::newRow("25") << qint64(25) << QStringLiteral(" twenty five ") << QStringLiteral(" twenty five ") << 0;
        QTest::newRow("40") << qint64(40) << QStringLiteral(" fourty ") << QStringLiteral(" fourty ") << 0;
        QTest::newRow("100") << qint64(100) << QStringLiteral("one hundred ") << QStringLiteral("one hundred and ")
                             << 0;
        QTest::newRow("1001") << qint64(1001) << QStringLiteral(" one thousand  one ")
                              << QStringLiteral(" one thousand  one ") << 0;
        QTest::newRow("1234") << qint64(1234) << QStringLiteral(" one thousand two hundred thirty four ")
                              << QStringLiteral(" one thousand two hundred and thirty four ") << 0;
        QTest::newRow("101000") << qint64(101000) << QStringLiteral("one hundred one thousand ")
                                << QStringLiteral("one hundred and one thousand ") << 0;
        QTest::newRow("1000000") << qint64(1000000) << QStringLiteral(" one million ")
                                 << QStringLiteral(" one million ") << 0;
        QTest::newRow("2000003") << qint64(2000003) << QStringLiteral(" two million  three ")
                                 << QStringLiteral(" two million  three ") << 0;
        QTest::newRow("1000000000") << qint64(1000000000) << QStringLiteral(" one billion ")
                                    << QStringLiteral(" one billion ") << 0;
        QTest::newRow("-1") << qint64(-1) << QStringLiteral("minus  one ") << QStringLiteral("minus  one ") << 0;
        QTest::newRow("-25") << qint64(-25) << QStringLiteral("minus  twenty five ")
                             << QStringLiteral("minus  twenty five ") << 0;
        QTest::newRow("one trillion") << trillion << QStringLiteral(" one trillion ")
                                      << QStringLiteral(" one trillion ") << 0;
        QTest::newRow("two trillion seventeen") << 2 * trillion + 17 << QStringLiteral(" two trillion  seventeen ")
                                                << QStringLiteral(" two trillion  seventeen ") << 0;
        QTest::newRow("every group below the trillions")
            << qint64(999999999999LL)
            << QStringLiteral("nine hundred ninety nine billion nine hundred ninety nine million "
                              "nine hundred ninety nine thousand nine hundred ninety nine ")
            << QStringLiteral("nine hundred and ninety nine billion nine hundred and ninety nine million "
                              "nine hundred and ninety nine thousand nine hundred and ninety nine ")
            << 0;
        QTest::newRow("999 trillion") << 999 * trillion << QStringLiteral("nine hundred ninety nine trillion ")
                                      << QStringLiteral("nine hundred and ninety nine trillion ") << 0;
        QTest::newRow("1000 trillion") << 1000 * trillion << QStringLiteral("ten hundred trillion ")
                                       << QStringLiteral("ten hundred and trillion ") << 0;
        QTest::newRow("1500 trillion") << 1500 * trillion << QStringLiteral("fifteen hundred trillion ")
                                       << QStringLiteral("fifteen hundred and trillion ") << 0;
        QTest::newRow("2100 trillion has no word") << 2100 * trillion << QStringLiteral("?? hundred trillion ")
                                                   << QStringLiteral("?? hundred and trillion ") << 1;
        // 9 223 372 036 854 775 807: 9 223 372 trillions, whose hundreds count 92 233 has no word.
        QTest::newRow("INT64_MAX")
            << std::numeric_limits<qint64>::max()
            << QStringLiteral("?? hundred seventy two trillion  thirty six billion eight hundred fifty four "
                              "million seven hundred seventy five thousand eight hundred seven ")
            << QStringLiteral("?? hundred and seventy two trillion  thirty six billion eight hundred and fifty "
                              "four million seven hundred and seventy five thousand eight hundred and seven ")
            << 1;
        QTest::newRow("INT64_MIN")
            << std::numeric_limits<qint64>::min()
            << QStringLiteral("minus ?? hundred seventy two trillion  thirty six billion eight hundred fifty four "
                              "million seven hundred seventy five thousand eight hundred eight ")
            << QStringLiteral("minus ?? hundred and seventy two trillion  thirty six billion eight hundred and "
                              "fifty four million seven hundred and seventy five thousand eight hundred and eight ")
            << 1;
        QTest::newRow("INT64_MIN + 1")
            << std::numeric_limits<qint64>::min() + 1
            << QStringLiteral("minus ?? hundred seventy two trillion  thirty six billion eight hundred fifty four "
                              "million seven hundred seventy five thousand eight hundred seven ")
            << QStringLiteral("minus ?? hundred and seventy two trillion  thirty six billion eight hundred and "
                              "fifty four million seven hundred and seventy five thousand eight hundred and seven ")
            << 1;
        QTest::newRow("9 999 trillion") << 9999 * trillion << QStringLiteral("?? hundred ninety nine trillion ")
                                        << QStringLiteral("?? hundred and ninety nine trillion ") << 1;
    }
    void numbers()
    {
        QFETCH(qint64, number);
        QFETCH(QString, american);
        QFETCH(QString, british);
        QFETCH(int, traces);
        TraceRecorder recorder;
        QCOMPARE(strings->numberToStringUkEnglish(number, false), american);
        QCOMPARE(strings->numberToStringUkEnglish(number, true), british);
        QCOMPARE(recorder.lines().size(), 2 * traces);
    }

    // Every number from 0 to 999 999 reads as its own words: checked against a spelling made here
    // without the service, so a wrong table entry or group boundary cannot hide.
    void spellsEveryNumberBelowOneMillion()
    {
        const QStringList small = {QString(),
                                   QStringLiteral("one"),
                                   QStringLiteral("two"),
                                   QStringLiteral("three"),
                                   QStringLiteral("four"),
                                   QStringLiteral("five"),
                                   QStringLiteral("six"),
                                   QStringLiteral("seven"),
                                   QStringLiteral("eight"),
                                   QStringLiteral("nine"),
                                   QStringLiteral("ten"),
                                   QStringLiteral("eleven"),
                                   QStringLiteral("twelve"),
                                   QStringLiteral("thirteen"),
                                   QStringLiteral("fourteen"),
                                   QStringLiteral("fifteen"),
                                   QStringLiteral("sixteen"),
                                   QStringLiteral("seventeen"),
                                   QStringLiteral("eighteen"),
                                   QStringLiteral("nineteen")};
        const QStringList tens = {QString(),
                                  QString(),
                                  QStringLiteral("twenty"),
                                  QStringLiteral("thirty"),
                                  QStringLiteral("fourty"),
                                  QStringLiteral("fifty"),
                                  QStringLiteral("sixty"),
                                  QStringLiteral("seventy"),
                                  QStringLiteral("eighty"),
                                  QStringLiteral("ninety")};
        auto below1000 = [&](int n, bool uk) {
            QStringList words;
            if (n >= 100) {
                words << small[n / 100] << QStringLiteral("hundred");
                if (uk) {
                    words << QStringLiteral("and");
                }
            }
            const int rest = n % 100;
            if (rest >= 20) {
                words << tens[rest / 10];
                if (rest % 10) {
                    words << small[rest % 10];
                }
            } else if (rest > 0) {
                words << small[rest];
            }
            return words;
        };
        for (int n = 1; n < 1000000; n += (n < 1200 ? 1 : 97)) {
            for (bool uk : {false, true}) {
                QStringList expected = below1000(n / 1000, uk);
                if (n >= 1000) {
                    expected << QStringLiteral("thousand");
                }
                expected << below1000(n % 1000, uk);
                const QString text = strings->numberToStringUkEnglish(n, uk);
                const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
                if (words != expected) {
                    QFAIL(qPrintable(QStringLiteral("%1 gave '%2'").arg(n).arg(text)));
                }
                QVERIFY(text.endsWith(u' '));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestNumberNames)
#include "tst_numbernames.moc"
