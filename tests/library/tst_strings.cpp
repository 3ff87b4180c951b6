#include "NotificationCenter.h"
#include "Strings.h"
#include "Trace.h"

#include <QLocale>
#include <QTest>

#include <limits>

namespace {
// Collects the trace lines written while it lives (forwarded as "Debug" notifications).
class TraceSpy
{
public:
    TraceSpy()
    {
        setTraceForwarding(true);
        m_token = NotificationCenter::defaultCenter().addObserver(
            QStringLiteral("Debug"), [this](const Notification& n) { m_lines << n.object.toString(); });
    }
    ~TraceSpy()
    {
        NotificationCenter::defaultCenter().removeObserver(m_token);
        setTraceForwarding(false);
    }
    QString joined() const { return m_lines.join(QString()); }
    qsizetype count() const { return m_lines.size(); }

private:
    NotificationCenter::Token m_token = 0;
    QStringList m_lines;
};

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
    void isNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        const QList<std::pair<const char*, bool>> rows = {
            {"60", true},     {" 60", true},        {"\t\n 60", true}, {"-1.5", true}, {"+2", true},
            {"1e3", true},    {"1E-3", true},       {".5", true},      {"5.", true},   {"-.5e+10", true},
            {"007", true},    {"1e999", true},      {"0", true},       {"", false},    {" ", false},
            {"60 ", false},   {"60\n", false},      {"6O", false},     {"60s", false}, {"1,5", false},
            {"inf", false},   {"-infinity", false}, {"nan", false},    {"-", false},   {"+", false},
            {".", false},     {"-.", false},        {"e5", false},     {"1e", false},  {"1e+", false},
            {"1e3.5", false}, {"0x10", false},      {"1.2.3", false},  {"--1", false}, {"+-1", false},
            {"1 2", false},   {"1_000", false},
        };
        for (const auto& [text, expected] : rows) {
            QTest::newRow(text[0] ? text : "(empty)") << QString::fromUtf8(text) << expected;
        }
        // Only ASCII digits count: Arabic-Indic and full-width digits are not numbers here.
        QTest::newRow("arabic digit") << QStringLiteral("\u0661") << false;
        QTest::newRow("fullwidth digit") << QStringLiteral("\uFF16") << false;
        QTest::newRow("no-break space before") << QStringLiteral("\u00A012") << true;
    }
    void isNumber()
    {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(S().stringisNumber(text), expected);
    }

    void integerValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        constexpr int max = std::numeric_limits<int>::max();
        constexpr int min = std::numeric_limits<int>::min();
        QTest::newRow("plain") << QStringLiteral("42") << 42;
        QTest::newRow("space sign rest") << QStringLiteral("  -17abc") << -17;
        QTest::newRow("exponent ignored") << QStringLiteral("1e3") << 1;
        QTest::newRow("fraction ignored") << QStringLiteral("0.9") << 0;
        QTest::newRow("plus") << QStringLiteral("+5") << 5;
        QTest::newRow("sign then blank") << QStringLiteral("- 5") << 0;
        QTest::newRow("none") << QStringLiteral("abc") << 0;
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("max") << QStringLiteral("2147483647") << max;
        QTest::newRow("max + 1 saturates") << QStringLiteral("2147483648") << max;
        QTest::newRow("huge saturates") << QStringLiteral("99999999999999999999999") << max;
        QTest::newRow("min") << QStringLiteral("-2147483648") << min;
        QTest::newRow("min - 1 saturates") << QStringLiteral("-2147483649") << min;
        QTest::newRow("leading zeros") << QStringLiteral("000000000000000000012") << 12;
    }
    void integerValue()
    {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(S().NSStringToInt(text), expected);
    }

    void wideIntegers()
    {
        constexpr qint64 max = std::numeric_limits<qint64>::max();
        constexpr qint64 min = std::numeric_limits<qint64>::min();
        QCOMPARE(S().hexStringToXXX(QStringLiteral("1F")), 1);
        QCOMPARE(S().hexStringToXXX(QStringLiteral("9223372036854775807")), max);
        QCOMPARE(S().hexStringToXXX(QStringLiteral("9223372036854775808")), max);
        QCOMPARE(S().hexStringToXXX(QStringLiteral("-9223372036854775808")), min);
        QCOMPARE(S().hexStringToXXX(QStringLiteral("-99999999999999999999")), min);

        QCOMPARE(S().hexStringToInt(QStringLiteral("0x1F")), 31U);
        QCOMPARE(S().hexStringToInt(QStringLiteral(" 0Xff")), 255U);
        QCOMPARE(S().hexStringToInt(QStringLiteral("1Fzz")), 31U);
        QCOMPARE(S().hexStringToInt(QStringLiteral("ffffffff")), 0xFFFFFFFFU);
        QCOMPARE(S().hexStringToInt(QStringLiteral("123456789abcdef")), 0xFFFFFFFFU);
        QCOMPARE(S().hexStringToInt(QStringLiteral("0x")), 0U);
        QCOMPARE(S().hexStringToInt(QStringLiteral("-1")), 0U);

        QCOMPARE(S().numberToHexString(255), QStringLiteral("ff"));
        QCOMPARE(S().numberToHexString(-1), QStringLiteral("ffffffffffffffff"));
    }

    void localeNumber()
    {
        // The tests run in the C locale: "," groups and "." is the decimal point.
        QCOMPARE(S().NSStringToNSNumber(QStringLiteral("1,234")), std::optional<QVariant>(qint64(1234)));
        QCOMPARE(S().NSStringToNSNumber(QStringLiteral("-2.5")), std::optional<QVariant>(-2.5));
        QCOMPARE(S().NSStringToNSNumber(QStringLiteral("12abc")), std::nullopt);
        QCOMPARE(S().NSStringToNSNumber(QString()), std::nullopt);
        QCOMPARE(S().NSStringToNSNumber(QStringLiteral("inf")), std::nullopt);
        QCOMPARE(S().NSStringToNSNumber(QStringLiteral("nan")), std::nullopt);
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const auto german = S().NSStringToNSNumber(QStringLiteral("1.234,5"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(german, std::optional<QVariant>(1234.5));
    }

    void numberTexts_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("expected");
        QTest::newRow("four digits") << S().getStrFromNum(7) << QStringLiteral("0007");
        QTest::newRow("forty two") << S().getStrFromNum(42) << QStringLiteral("0042");
        QTest::newRow("thousands overflow") << S().getStrFromNum(12345) << QStringLiteral("?345");
        QTest::newRow("binary 16") << S().binaryStringFromIntegerWidth(5, 16) << QStringLiteral("00000000 00000101");
        QTest::newRow("binary 10") << S().binaryStringFromIntegerWidth(5, 10) << QStringLiteral("00 00000101");
        QTest::newRow("binary 8") << S().binaryStringFromIntegerWidth(255, 8) << QStringLiteral("11111111");
        QTest::newRow("binary 0") << S().binaryStringFromIntegerWidth(5, 0) << QString();
        QTest::newRow("binary negative width") << S().binaryStringFromIntegerWidth(5, -3) << QString();
        QTest::newRow("binary of -1, 9") << S().binaryStringFromIntegerWidth(-1, 9) << QStringLiteral("1 11111111");
        QTest::newRow("binary width capped")
            << S().binaryStringFromIntegerWidth(1, 1000) << S().binaryStringFromIntegerWidth(1, 64);
        QTest::newRow("hex text") << S().strToHexStr(QStringLiteral("abc")) << QStringLiteral("616263");
        QTest::newRow("hex text non-ascii") << S().strToHexStr(QStringLiteral("\u00e9")) << QStringLiteral("c3a9");
        QTest::newRow("uuid") << S().strToUUIDStr(QStringLiteral("0123456789abcdef0123456789abcdef"))
                              << QStringLiteral("01234567-89ab-cdef-0123-456789abcdef");
        QTest::newRow("uuid wrong length") << S().strToUUIDStr(QStringLiteral("0123")) << QString();
        QTest::newRow("kb bytes") << S().convertNumberToKb(1024) << QStringLiteral("1024 Bytes");
        QTest::newRow("kb") << S().convertNumberToKb(1536) << QStringLiteral("1.50 KB");
        QTest::newRow("kb at MB edge") << S().convertNumberToKb(1048576) << QStringLiteral("1024.00 KB");
        QTest::newRow("mb") << S().convertNumberToKb(1572864) << QStringLiteral("1.50 MB");
        QTest::newRow("gb") << S().convertNumberToKb(1.5F * 1024 * 1024 * 1024) << QStringLiteral("1.50 GB");
        QTest::newRow("c string") << S().cStringToStr("Gr\xc3\xbc\xc3\x9f") << QStringLiteral("Gr\u00fc\u00df");
        QTest::newRow("null c string") << S().cStringToStr(nullptr) << QStringLiteral("(null)");
        QTest::newRow("yes") << S().boolAsStr(true) << QStringLiteral("Yes");
        QTest::newRow("no") << S().YorN(false) << QStringLiteral("No");
    }
    void numberTexts()
    {
        QFETCH(QString, result);
        QFETCH(QString, expected);
        QCOMPARE(result, expected);
    }

    void characterCodes()
    {
        QCOMPARE(S().strToInt(QStringLiteral("A")), 65);
        QCOMPARE(S().strToInt(QStringLiteral("\u00e9")), -23); // 0xE9 read as a signed byte
        QCOMPARE(S().strToInt(QString()), 0);
        QVERIFY(S().strToBool(QStringLiteral("yes")));
        QVERIFY(!S().strToBool(QStringLiteral("YES")));
        QVERIFY(!S().strToBool(QStringLiteral(" 1")));
    }

    void fiveBitCode()
    {
        QCOMPARE(S().str_to_bit16(QStringLiteral("ab1")), 28737);
        QCOMPARE(S().bit16_to_str(28737), QStringLiteral("ab1"));
        QCOMPARE(S().str_to_bit16(QStringLiteral("Ab1")), 28737);
        QCOMPARE(S().bit5_to_str(27), QStringLiteral("{"));
        QCOMPARE(S().str_to_bit5(QStringLiteral("{")), 0);
        QCOMPARE(S().str_to_bit5(QStringLiteral("4")), 31);
        QCOMPARE(S().bit5_to_str(31), QStringLiteral("4"));
        QCOMPARE(S().bit5_to_str(32), QStringLiteral("???"));
        QCOMPARE(S().bit5_to_str(-1), QStringLiteral("???"));
        QCOMPARE(S().bit16_to_str(32768), QStringLiteral("???"));
        QCOMPARE(S().bit16_to_str(-1), QStringLiteral("???"));
        QCOMPARE(S().str_to_bit5(QString()), -1);
        QCOMPARE(S().str_to_bit5(kGrin), -1);                       // two units, not one
        QCOMPARE(S().str_to_bit16(kGrin), -1);                      // two units
        QCOMPARE(S().str_to_bit16(QStringLiteral("a") + kGrin), 1); // three units, the surrogates code as 0
        QCOMPARE(S().str_to_two_ints(QStringLiteral("abc")),
                 (QVariantList{S().str_to_bit16(QStringLiteral("abc")), 0}));
        QCOMPARE(S().str_to_two_ints(QStringLiteral("hello world")),
                 (QVariantList{S().str_to_bit16(QStringLiteral("hel")), S().str_to_bit16(QStringLiteral("lo "))}));
        QCOMPARE(S().twoInts_to_strMinor(28737, 0), QStringLiteral("ab1   "));
    }

    void caseAndWords()
    {
        QCOMPARE(S().changeCaseMode(QStringLiteral("hello wORLD\tagain"), 2), QStringLiteral("Hello World\tAgain"));
        QCOMPARE(S().changeCaseMode(QStringLiteral("Stra\u00dfe"), 1), QStringLiteral("STRASSE"));
        QCOMPARE(S().tidyAndCapitalize(QStringLiteral("  mIXED case")), QStringLiteral("  Mixed Case"));
        {
            TraceSpy spy;
            QCOMPARE(S().changeCaseMode(QStringLiteral("aB"), 5), QStringLiteral("aB"));
            QVERIFY2(spy.joined().endsWith(QStringLiteral("dont know: 5\n")), qPrintable(spy.joined()));
        }
        QCOMPARE(S().trimWhitespace(QStringLiteral(" \t\na b\r\n")), QStringLiteral("a b"));
        QCOMPARE(S().splitIntoWords(QStringLiteral("a b\n\nc  d")),
                 (QStringList{QStringLiteral("a"), QStringLiteral("b"), QString(), QStringLiteral("c"), QString(),
                              QStringLiteral("d")}));
        const QString mixed = QStringLiteral("AbC\u00c9\u00e9 12") + kGrin;
        QCOMPARE(S().numOfUppercaseChars(mixed), 2);
        QCOMPARE(S().numOfLowercaseChars(mixed), 1);
        QCOMPARE(S().numOfNumberChars(mixed), 2);
        QCOMPARE(S().spacesForInt(9), QStringLiteral("   "));
        QCOMPARE(S().spacesForInt(10), QStringLiteral("  "));
    }

    void utf16Positions()
    {
        const QString text = kGrin + QStringLiteral("abc");
        QCOMPARE(text.size(), 5);
        QCOMPARE(S().searchStrForSubStr(text, QStringLiteral("b")), 3);
        QCOMPARE(S().truncateStrLengthTerminator(text, 4, QStringLiteral("...")), kGrin + QStringLiteral("ab..."));
        QCOMPARE(S().truncateStrLengthTerminator(text, 5, QStringLiteral("...")), text);
        QCOMPARE(S().truncateStrLengthTerminator(text, -1, QStringLiteral("...")), QStringLiteral("..."));
        QCOMPARE(S().extractStrFromUntil(text, 2, 1), QStringLiteral("ab"));
        QCOMPARE(S().extractStrFromUntil(text, 1, 1), kGrin.mid(1) + QStringLiteral("a")); // positions are units
        QCOMPARE(S().removePunctuationFromEnd(QStringLiteral("ok") + kGrin), QStringLiteral("ok"));
        QCOMPARE(S().removePunctuationFromEnd(QStringLiteral("ok!")), QStringLiteral("ok"));
        QCOMPARE(S().removePunctuationFromEnd(QStringLiteral("ok9")), QStringLiteral("ok9"));
        QCOMPARE(S().removePunctuationFromEnd(QString()), QString());
    }

    void tests_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("expected");
        QTest::newRow("in") << int(S().isStrIn(QStringLiteral("cd"), QStringLiteral("abcde"))) << 1;
        QTest::newRow("not in") << int(S().isStrIn(QStringLiteral("CD"), QStringLiteral("abcde"))) << 0;
        QTest::newRow("empty part") << int(S().isStrIn(QString(), QStringLiteral("abc"))) << 0;
        QTest::newRow("prefix") << int(S().isPrefixIn(QStringLiteral("ab"), QStringLiteral("abc"))) << 1;
        QTest::newRow("suffix") << int(S().isSuffixIn(QStringLiteral("bc"), QStringLiteral("abc"))) << 1;
        QTest::newRow("not suffix") << int(S().isSuffixIn(QStringLiteral("ab"), QStringLiteral("abc"))) << 0;
        QTest::newRow("search none") << S().searchStrForSubStr(QStringLiteral("abc"), QStringLiteral("x")) << -1;
        QTest::newRow("search empty") << S().searchStrForSubStr(QStringLiteral("abc"), QString()) << -1;
        QTest::newRow("same name") << S().isFilenameSameAsName(QStringLiteral("song.mp3"), QStringLiteral("song")) << 1;
        QTest::newRow("other name") << S().isFilenameSameAsName(QStringLiteral("song.mp3"), QStringLiteral("x")) << 0;
        QTest::newRow("three pieces") << S().isFilenameSameAsName(QStringLiteral("a.b.c"), QStringLiteral("a")) << -1;
        QTest::newRow("no dot") << S().isFilenameExtSameAsExt(QStringLiteral("abc"), QStringLiteral("abc")) << -1;
        QTest::newRow("same ext") << S().isFilenameExtSameAsExt(QStringLiteral("a.mp3"), QStringLiteral("mp3")) << 1;
        QTest::newRow("sound upper") << int(S().isStrSndFile(QStringLiteral("dir/Song.WAV"))) << 1;
        QTest::newRow("sound aiff") << int(S().isStrSndFile(QStringLiteral("x.aiff"))) << 1;
        QTest::newRow("sound in dir name") << int(S().isStrSndFile(QStringLiteral("x.wav/readme"))) << 0;
        QTest::newRow("movie") << int(S().isStrMovieFile(QStringLiteral("clip.MoV"))) << 1;
        QTest::newRow("not movie") << int(S().isStrMovieFile(QStringLiteral("clip.mp4"))) << 0;
    }
    void tests()
    {
        QFETCH(int, result);
        QFETCH(int, expected);
        QCOMPARE(result, expected);
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("expected");
        QTest::newRow("add ext") << S().addExtToStrExt(QStringLiteral("a"), QStringLiteral("txt"))
                                 << QStringLiteral("a.txt");
        QTest::newRow("remove ext") << S().removeExtFromStr(QStringLiteral("dir/file.tar.gz"))
                                    << QStringLiteral("dir/file.tar");
        QTest::newRow("remove ext, dot in dir")
            << S().removeExtFromStr(QStringLiteral("a.b/c")) << QStringLiteral("a.b/c");
        QTest::newRow("ext") << S().getExtFromStr(QStringLiteral("x.WAV")) << QStringLiteral("WAV");
        QTest::newRow("ext, dot in dir") << S().getExtFromStr(QStringLiteral("a.b/c")) << QString();
        QTest::newRow("ext trailing slash") << S().getExtFromStr(QStringLiteral("a/b.txt/")) << QStringLiteral("txt");
        QTest::newRow("file name") << S().getfileNameFromPathFile(QStringLiteral("/a/b/c.txt"))
                                   << QStringLiteral("c.txt");
        QTest::newRow("file name trailing slash")
            << S().getfileNameFromPathFile(QStringLiteral("a/b/")) << QStringLiteral("b");
        QTest::newRow("file name root") << S().getfileNameFromPathFile(QStringLiteral("/")) << QStringLiteral("/");
        QTest::newRow("path") << S().getPathFromPathFile(QStringLiteral("/a/b/c.txt")) << QStringLiteral("/a/b");
        QTest::newRow("path of bare name") << S().getPathFromPathFile(QStringLiteral("c.txt")) << QString();
        QTest::newRow("path in root") << S().getPathFromPathFile(QStringLiteral("/c")) << QStringLiteral("/");
        QTest::newRow("copy 1") << *S().addCopyToStr(QStringLiteral("a")) << QStringLiteral("a-copy");
        QTest::newRow("copy 2") << *S().addCopyToStr(QStringLiteral("a-b")) << QStringLiteral("a-copy-2");
        QTest::newRow("copy 3") << *S().addCopyToStr(QStringLiteral("a-copy-2")) << QStringLiteral("a-copy-3");
        QTest::newRow("copy of letters") << *S().addCopyToStr(QStringLiteral("a-b-c")) << QStringLiteral("a-copy-1");
        QTest::newRow("copy at int max") << *S().addCopyToStr(QStringLiteral("a-b-99999999999"))
                                         << QStringLiteral("a-copy-2147483648");
        QTest::newRow("number 1") << *S().addNumberToStr(QStringLiteral("x")) << QStringLiteral("x-1");
        QTest::newRow("number next") << *S().addNumberToStr(QStringLiteral("x-9")) << QStringLiteral("x-10");
        QTest::newRow("version first") << *S().addVersionToStr(QStringLiteral("report"))
                                       << QStringLiteral("report-1v1");
        QTest::newRow("version carry") << *S().addVersionToStr(QStringLiteral("report-1v9"))
                                       << QStringLiteral("report-2v0");
        QTest::newRow("version minor") << *S().addVersionToStr(QStringLiteral("report-1v2"))
                                       << QStringLiteral("report-1v3");
        QTest::newRow("version without v")
            << *S().addVersionToStr(QStringLiteral("report-3")) << QStringLiteral("report-3v1");
    }
    void fileNames()
    {
        QFETCH(QString, result);
        QFETCH(QString, expected);
        QCOMPARE(result, expected);
    }

    void fileNamesWithTooManyPieces()
    {
        QCOMPARE(S().addCopyToStr(QStringLiteral("a-b-c-d")), std::nullopt);
        QCOMPARE(S().addNumberToStr(QStringLiteral("a-b-c")), std::nullopt);
        QCOMPARE(S().addVersionToStr(QStringLiteral("a-1v1-x")), std::nullopt);
    }

    void deviceLanguage()
    {
        // The tests run in the C locale, which reads as English.
        QCOMPARE(S().getDeviceLanguage(), QStringLiteral("en"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Austria));
        const QString german = S().getDeviceLanguage();
        QLocale::setDefault(QLocale::c());
        QCOMPARE(german, QStringLiteral("de"));
    }

    void splices_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("trace");
        const QString none;
        const QString src = QStringLiteral("abcde");
        const QString X = QStringLiteral("X");
        const QString lt = QStringLiteral("<");
        const QString gt = QStringLiteral(">");
        const QString end = QStringLiteral("END");
        const QString both = QStringLiteral("VELBOR:WARNING: start or end not found");
        auto row = [](const char* tag, const char* op, const QString& a, const QString& b, const QString& source,
                      const QString& expected, const QString& trace) {
            QTest::newRow(tag) << QString::fromLatin1(op) << a << b << source << expected << trace;
        };
        row("replace", "replace", QStringLiteral("b"), X, src, QStringLiteral("aXcde"), none);
        row("replace first only", "replace", QStringLiteral("a"), X, QStringLiteral("aa"), QStringLiteral("Xa"), none);
        row("replace case-sensitive", "replace", QStringLiteral("B"), X, src, src,
            QStringLiteral("VELBOR:WARNING: old str"));
        row("replace empty old", "replace", QString(), X, src, src, QStringLiteral("VELBOR:WARNING: old str"));
        row("insert after", "after", X, QStringLiteral("bc"), src, QStringLiteral("abcXde"), none);
        row("insert after missing", "after", X, QStringLiteral("q"), src, src,
            QStringLiteral("VELBOR:WARNING: no start str"));
        row("insert before", "before", X, end, QStringLiteral("a\nEND"), QStringLiteral("aX\nEND"), none);
        row("insert before at 0", "before", X, end, end, QStringLiteral("X\nEND"), none);
        row("insert before missing", "before", X, end, src, src, QStringLiteral("VELBOR:WARNING: start str not found"));
        row("extract", "extract", lt, gt, QStringLiteral("a<bc>d<e>"), QStringLiteral("bc"), none);
        row("extract end first", "extract", lt, gt, QStringLiteral("a>b<c"), QString(), none);
        row("extract overlapping", "extract", QStringLiteral("ab"), QStringLiteral("bc"), QStringLiteral("abc"),
            QString(), none);
        row("extract missing end", "extract", lt, QStringLiteral("]"), QStringLiteral("a<b"), QStringLiteral("a<b"),
            both);
        row("remove", "remove", lt, gt, QStringLiteral("ab<cd>ef"), QStringLiteral("a>e"), none);
        row("remove at 0", "remove", lt, gt, QStringLiteral("<cd>ef"), QStringLiteral(">e"), none);
        row("remove missing start", "remove", lt, gt, QStringLiteral("ab>"), QStringLiteral("ab>"), both);
    }
    void splices()
    {
        QFETCH(QString, op);
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, source);
        QFETCH(QString, expected);
        QFETCH(QString, trace);
        TraceSpy spy;
        QString result;
        if (op == QLatin1String("replace")) {
            result = S().replaceStrWithSource(a, b, source);
        } else if (op == QLatin1String("after")) {
            result = S().insertStrAfterStrSource(a, b, source);
        } else if (op == QLatin1String("before")) {
            result = S().insertStrBeforeStrSource(a, b, source);
        } else if (op == QLatin1String("extract")) {
            result = S().extractStrAterToSource(a, b, source);
        } else {
            result = S().removeStrAterToSource(a, b, source);
        }
        QCOMPARE(result, expected);
        if (trace.isEmpty()) {
            QCOMPARE(spy.count(), 0);
        } else {
            QCOMPARE(spy.count(), 1);
            // "Strings.cpp, method, line:N  text\n"
            QVERIFY2(spy.joined().startsWith(QStringLiteral("Strings.cpp, ")), qPrintable(spy.joined()));
            QVERIFY2(spy.joined().endsWith(QStringLiteral("  ") + trace + u'\n'), qPrintable(spy.joined()));
        }
    }

    void extractByPosition_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("until");
        QTest::addColumn<QString>("expected");
        const QString s = QStringLiteral("abcdefgh");
        QTest::newRow("inside") << s << 1 << 2 << QStringLiteral("bcd");
        QTest::newRow("cut to size - 3") << s << 1 << 6 << QStringLiteral("bcdef");
        QTest::newRow("until below from") << s << 3 << 1 << QString();
        QTest::newRow("runs past the end") << s << 7 << 20 << QStringLiteral("h");
        QTest::newRow("from past the end") << s << 9 << 20 << QString();
        QTest::newRow("negative from") << s << -1 << 2 << QString();
        QTest::newRow("short source") << QStringLiteral("ab") << 0 << 0 << QString();
        QTest::newRow("int max until") << s << 0 << std::numeric_limits<int>::max() << QStringLiteral("abcde");
    }
    void extractByPosition()
    {
        QFETCH(QString, source);
        QFETCH(int, from);
        QFETCH(int, until);
        QFETCH(QString, expected);
        QCOMPARE(S().extractStrFromUntil(source, from, until), expected);
    }

    void trailingCharacters()
    {
        QCOMPARE(S().removeTrailingCharFromStr(u'/', QStringLiteral("a/")), QStringLiteral("a"));
        QCOMPARE(S().removeTrailingCharFromStr(u'/', QStringLiteral("a")), QStringLiteral("a"));
        QCOMPARE(S().removeTrailingCharFromStr(u'/', QString()), QString());
        QCOMPARE(S().removeTrailingCharsFromStr(QStringLiteral("/."), QStringLiteral("abc./")), QStringLiteral("abc"));
        QCOMPARE(S().removeTrailingCharsFromStr(QStringLiteral("./"), QStringLiteral("abc./")), QStringLiteral("abc."));
    }

    void slotArrays()
    {
        Strings& s = S();
        QVERIFY(s.slot00().isEmpty());
        QVERIFY(s.slot11().isEmpty());
        s.slot03().append(7);
        s.setSlot04({QStringLiteral("x")});
        QCOMPARE(s.slot03(), QVariantList{7});
        QCOMPARE(s.slot04(), QVariantList{QStringLiteral("x")});
        QVERIFY(s.slot05().isEmpty());
        QCOMPARE(Strings::sharedEngineInstance(), &s);
        QCOMPARE(Strings::alloc(), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestStrings)
#include "tst_strings.moc"
