#include "StderrCapture.h"
#include "Strings.h"
#include "TraceRecorder.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTest>

#include <limits>

namespace {
Strings& S()
{
    return *Strings::sharedEngineInstance();
}

const QString kGrin = QStringLiteral("\U0001F600"); // one character, two UTF-16 units
} // namespace

class TestStrings : public QObject
{
    Q_OBJECT

private slots:
    // The interval fields of the monitor are accepted by this test alone: its grammar is exact.
    void isNumber()
    {
        for (const char* yes : {"60", " 60", "\t\n -1.5", "+2", "1e3", "1E-3", ".5", "5.", "-.5e+10", "1e999"}) {
            QVERIFY2(S().stringisNumber(QString::fromUtf8(yes)), yes);
        }
        for (const char* no : {"",  " ",  "60 ", "60\n", "6O",   "60s",   "1,5", "inf", "nan",    "-",
                               ".", "e5", "1e",  "1e+",  "0x10", "1.2.3", "--1", "1 2", "\u0661", "\uFF16"}) {
            QVERIFY2(!S().stringisNumber(QString::fromUtf8(no)), no);
        }
    }

    void integerValues()
    {
        constexpr int max = std::numeric_limits<int>::max();
        constexpr int min = std::numeric_limits<int>::min();
        QCOMPARE(S().NSStringToInt(QStringLiteral("  -17abc")), -17);
        QCOMPARE(S().NSStringToInt(QStringLiteral("1e3")), 1);
        QCOMPARE(S().NSStringToInt(QStringLiteral("- 5")), 0);
        QCOMPARE(S().NSStringToInt(QStringLiteral("2147483648")), max);
        QCOMPARE(S().NSStringToInt(QStringLiteral("-99999999999999999999")), min);
        QCOMPARE(S().hexStringToXXX(QStringLiteral("-9223372036854775809")), std::numeric_limits<qint64>::min());
        QCOMPARE(S().hexStringToInt(QStringLiteral(" 0Xff")), 255U);
        QCOMPARE(S().hexStringToInt(QStringLiteral("123456789abcdef")), 0xFFFFFFFFU);
        QCOMPARE(S().hexStringToInt(QStringLiteral("-1")), 0U);
        // The tests run in the C locale; the number formatter follows the default locale.
        QCOMPARE(S().NSStringToNSNumber(QStringLiteral("1,234")), std::optional<QVariant>(qint64(1234)));
        QCOMPARE(S().NSStringToNSNumber(QStringLiteral("inf")), std::nullopt);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const auto german = S().NSStringToNSNumber(QStringLiteral("1.234,5"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(german, std::optional<QVariant>(1234.5));
    }

    void numberTexts()
    {
        QCOMPARE(S().getStrFromNum(42), QStringLiteral("0042"));
        QCOMPARE(S().binaryStringFromIntegerWidth(-1, 9), QStringLiteral("1 11111111"));
        QCOMPARE(S().binaryStringFromIntegerWidth(1, 1000), S().binaryStringFromIntegerWidth(1, 64));
        // Byte counts round as C does: exact ties go to the even neighbour, not away from zero.
        QCOMPARE(S().convertNumberToKb(0.5F), QStringLiteral("0 Bytes"));
        QCOMPARE(S().convertNumberToKb(1024), QStringLiteral("1024 Bytes"));
        QCOMPARE(S().convertNumberToKb(1152), QStringLiteral("1.12 KB"));
        QCOMPARE(S().convertNumberToKb(1.5F * 1024 * 1024 * 1024), QStringLiteral("1.50 GB"));
    }

    // Digits out of range are logged in reading order: thousands, hundreds, tens, units.
    void numberTextWarningsInOrder()
    {
        StderrCapture capture;
        QCOMPARE(S().getStrFromNum(-1234), QStringLiteral("????"));
        const QString log = QString::fromUtf8(capture.take());
        QStringList digits;
        for (const auto& match : QRegularExpression(QStringLiteral("don't know str (-?\\d+)")).globalMatch(log)) {
            digits << match.captured(1);
        }
        QCOMPARE(digits,
                 (QStringList{QStringLiteral("-1"), QStringLiteral("-2"), QStringLiteral("-3"), QStringLiteral("-4")}));
    }

    void fiveBitCode()
    {
        QCOMPARE(S().str_to_bit16(QStringLiteral("Ab1")), 1 + 2 * 32 + 28 * 1024);
        QCOMPARE(S().str_to_bit5(QStringLiteral("{")), 0);
        QCOMPARE(S().str_to_bit16(kGrin), -1);
        QCOMPARE(S().bit16_to_str(32768), QStringLiteral("???"));
        QCOMPARE(S().str_to_two_ints(QStringLiteral("hello world")),
                 (QVariantList{S().str_to_bit16(QStringLiteral("hel")), S().str_to_bit16(QStringLiteral("lo "))}));
        for (int n = 0; n < 32768; ++n) {
            const QString text = S().bit16_to_str(n);
            // Every code but 27 ("{") reads back as itself.
            const bool has27 = (n & 31) == 27 || ((n >> 5) & 31) == 27 || ((n >> 10) & 31) == 27;
            if (!has27 && S().str_to_bit16(text) != n) {
                QFAIL(qPrintable(QStringLiteral("%1 gives %2").arg(n).arg(text)));
            }
            // Below 32768 means negative numbers too: they read from their low 15 bits.
            if (S().bit16_to_str(n - 32768) != text) {
                QFAIL(qPrintable(QStringLiteral("%1 and %2 differ").arg(n).arg(n - 32768)));
            }
        }
        QCOMPARE(S().twoInts_to_strMinor(-1, 28737), QStringLiteral("444ab1"));
    }

    void caseAndWords()
    {
        QCOMPARE(S().changeCaseMode(QStringLiteral("hello wORLD\tagain"), 2), QStringLiteral("Hello World\tAgain"));
        QCOMPARE(S().changeCaseMode(QStringLiteral("Stra\u00dfe"), 1), QStringLiteral("STRASSE"));
        QCOMPARE(S().tidyAndCapitalize(QStringLiteral("  mIXED case")), QStringLiteral("  Mixed Case"));
        {
            TraceRecorder traces;
            QCOMPARE(S().changeCaseMode(QStringLiteral("aB"), 5), QStringLiteral("aB"));
            QCOMPARE(traces.count(QStringLiteral("dont know: 5\n")), 1);
        }
        QCOMPARE(S().splitIntoWords(QStringLiteral("a b\n\nc")),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b"), QString(), QStringLiteral("c")}));
        const QString mixed = QStringLiteral("AbC\u00c9\u00e9 12") + kGrin;
        QCOMPARE(S().numOfUppercaseChars(mixed) + S().numOfLowercaseChars(mixed) + S().numOfNumberChars(mixed), 5);
    }

    // A lone surrogate is no letter: no case change may touch it, while the letters around change.
    void caseChangesKeepLoneSurrogates()
    {
        const QString text = QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b c") + QChar(0xDC00) +
                             QStringLiteral("D ") + kGrin + QChar(0xDBFF);
        const QList<QString> results = {S().changeCaseMode(text, 0), S().changeCaseMode(text, 1),
                                        S().changeCaseMode(text, 2), S().tidyAndCapitalize(text)};
        for (const QString& result : results) {
            QCOMPARE(result.size(), text.size());
            for (qsizetype i = 0; i < text.size(); ++i) {
                if (!text.at(i).isLetter()) {
                    QCOMPARE(result.at(i), text.at(i));
                }
            }
            QVERIFY(result != text);
        }
        QCOMPARE(results[1].at(0), QChar(u'A'));
        QCOMPARE(results[0].at(6), QChar(u'd'));
    }

    void positionsCountUnits()
    {
        const QString text = kGrin + QStringLiteral("abc");
        QCOMPARE(S().searchStrForSubStr(text, QStringLiteral("b")), 3);
        QCOMPARE(S().truncateStrLengthTerminator(text, -1, QStringLiteral("...")), QStringLiteral("..."));
        QCOMPARE(S().extractStrFromUntil(text, 1, 1), kGrin.mid(1) + QStringLiteral("a"));
        // A trailing pair goes as one character, never leaving half of it.
        QCOMPARE(S().removePunctuationFromEnd(QStringLiteral("ok") + kGrin), QStringLiteral("ok"));
        QCOMPARE(S().removePunctuationFromEnd(QStringLiteral("ok9")), QStringLiteral("ok9"));
        // Positions from the caller are bounded, whatever they are.
        const QString s = QStringLiteral("abcdefgh");
        QCOMPARE(S().extractStrFromUntil(s, 1, 6), QStringLiteral("bcdef"));
        QCOMPARE(S().extractStrFromUntil(s, 7, 20), QStringLiteral("h"));
        QCOMPARE(S().extractStrFromUntil(s, 9, 20), QString());
        QCOMPARE(S().extractStrFromUntil(s, -1, 2), QString());
        QCOMPARE(S().extractStrFromUntil(s, 0, std::numeric_limits<int>::max()), QStringLiteral("abcde"));
    }

    void fileNames()
    {
        QCOMPARE(S().removeExtFromStr(QStringLiteral("dir/file.tar.gz")), QStringLiteral("dir/file.tar"));
        QCOMPARE(S().getExtFromStr(QStringLiteral("a.b/c")), QString());
        QCOMPARE(S().getPathFromPathFile(QStringLiteral("/c")), QStringLiteral("/"));
        QVERIFY(S().isStrSndFile(QStringLiteral("dir/Song.WAV")));
        QVERIFY(!S().isStrSndFile(QStringLiteral("x.wav/readme")));
        QCOMPARE(S().isFilenameSameAsName(QStringLiteral("a.b.c"), QStringLiteral("a")), -1);
        QCOMPARE(*S().addCopyToStr(QStringLiteral("a-copy-2")), QStringLiteral("a-copy-3"));
        QCOMPARE(*S().addCopyToStr(QStringLiteral("a-b-99999999999")), QStringLiteral("a-copy-2147483648"));
        QCOMPARE(*S().addVersionToStr(QStringLiteral("report-1v9")), QStringLiteral("report-2v0"));
        QCOMPARE(S().addVersionToStr(QStringLiteral("a-1v1-x")), std::nullopt);
    }

    void splices()
    {
        TraceRecorder traces;
        QCOMPARE(S().replaceStrWithSource(QStringLiteral("a"), QStringLiteral("X"), QStringLiteral("aa")),
                 QStringLiteral("Xa"));
        QCOMPARE(S().insertStrBeforeStrSource(QStringLiteral("X"), QStringLiteral("END"), QStringLiteral("a\nEND")),
                 QStringLiteral("aX\nEND"));
        QCOMPARE(S().insertStrBeforeStrSource(QStringLiteral("X"), QStringLiteral("END"), QStringLiteral("END")),
                 QStringLiteral("X\nEND"));
        QCOMPARE(S().extractStrAterToSource(QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("a>b<c")),
                 QString());
        QCOMPARE(S().removeStrAterToSource(QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("<cd>ef")),
                 QStringLiteral(">e"));
        QVERIFY(traces.lines().isEmpty());
        // A missing marker answers the source with the operation's warning.
        const QString src = QStringLiteral("abc");
        QCOMPARE(S().replaceStrWithSource(QString(), QStringLiteral("X"), src), src);
        QCOMPARE(S().insertStrAfterStrSource(QStringLiteral("X"), QStringLiteral("q"), src), src);
        QCOMPARE(S().removeStrAterToSource(QStringLiteral("<"), QStringLiteral(">"), src), src);
        QCOMPARE(traces.lines().size(), 3);
        QVERIFY(traces.lines().at(0).startsWith(QStringLiteral("StringsText.cpp, ")));
        QVERIFY(traces.lines().at(0).endsWith(QStringLiteral("  VELBOR:WARNING: old str\n")));
        QVERIFY(traces.lines().at(1).endsWith(QStringLiteral("  VELBOR:WARNING: no start str\n")));
        QVERIFY(traces.lines().at(2).endsWith(QStringLiteral("  VELBOR:WARNING: start or end not found\n")));
    }
};

QTEST_GUILESS_MAIN(TestStrings)
#include "tst_strings.moc"
