// Number names of the string service: the blanks the texts carry for speaking, the British "and",
// and the whole range of 64-bit numbers without undefined arithmetic.

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
    void words()
    {
        TraceRecorder traces;
        QCOMPARE(strings->getNumberName(40), QStringLiteral("fourty"));
        QVERIFY(traces.lines().isEmpty());
        QCOMPARE(strings->getNumberName(21), QStringLiteral("??"));
        QCOMPARE(strings->getNumberName(std::numeric_limits<int>::min()), QStringLiteral("??"));
        QCOMPARE(traces.lines().size(), 2);
        QVERIFY(traces.lines().at(0).contains(QStringLiteral("21")));
    }

    // Each group brings its own leading blank after the blank of the group word before it.
    void blanksAndGroups()
    {
        QCOMPARE(strings->numberToStringUkEnglish(0, true), QStringLiteral("zero"));
        QCOMPARE(strings->numberToStringUkEnglish(2000003, false), QStringLiteral(" two million  three "));
        QCOMPARE(strings->numberToStringUkEnglish(-25, false), QStringLiteral("minus  twenty five "));
        QCOMPARE(strings->numberToStringUkEnglish(1234, true),
                 QStringLiteral(" one thousand two hundred and thirty four "));
        QCOMPARE(strings->numberToStringUkEnglish(100, true), QStringLiteral("one hundred and "));
        QCOMPARE(strings->numberToStringUkEnglish(101000, false), QStringLiteral("one hundred one thousand "));
        QCOMPARE(strings->numberToStringUkEnglish(1500000000000000LL, false),
                 QStringLiteral("fifteen hundred trillion "));
    }

    // The extremes: no overflow in the magnitude, no count cut down to a wrong but valid word.
    void wholeRange()
    {
        TraceRecorder traces;
        QCOMPARE(strings->numberToStringUkEnglish(std::numeric_limits<qint64>::min(), false),
                 QStringLiteral("minus ?? hundred seventy two trillion  thirty six billion eight hundred fifty four "
                                "million seven hundred seventy five thousand eight hundred eight "));
        QCOMPARE(strings->hundredsToStringUkEnglish(429496730100LL, false), QStringLiteral("?? hundred"));
        QCOMPARE(strings->hundredsToStringUkEnglish(std::numeric_limits<qint64>::min(), true), QString());
        QCOMPARE(traces.lines().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestNumberNames)
#include "tst_numbernames.moc"
