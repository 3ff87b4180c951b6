#include "NotificationCenter.h"
#include "Strings.h"
#include "Trace.h"
#include "TraceRecorder.h"

#include <QTest>

class TestKeyCodes : public QObject
{
    Q_OBJECT

    Strings* st = Strings::sharedEngineInstance();

private slots:
    void names_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blank") << 49 << 0 << QStringLiteral(" ");
        QTest::newRow("first") << 0 << 0 << QStringLiteral("a");
        QTest::newRow("last") << 126 << 0 << QStringLiteral("up");
        QTest::newRow("unused") << 10 << 0 << QStringLiteral("?10");
        QTest::newRow("unused 64") << 64 << 0 << QStringLiteral("?64");
        QTest::newRow("trailing blank") << 94 << 0 << QStringLiteral("underscore ");
        QTest::newRow("jis caret") << 24 << 0 << QStringLiteral("^");
        QTest::newRow("keypad enter") << 76 << 0 << QStringLiteral("enter");
        QTest::newRow("127") << 127 << 0 << QStringLiteral("???");
        QTest::newRow("negative") << -1 << 0 << QStringLiteral("???");
        QTest::newRow("shift letter") << 0 << 1 << QStringLiteral("A");
        QTest::newRow("shift named") << 36 << 1 << QStringLiteral("RETURN");
        QTest::newRow("shift f-key") << 113 << 1 << QStringLiteral("F15");
        QTest::newRow("shift 2") << 19 << 1 << QStringLiteral("\"");
        QTest::newRow("shift minus") << 27 << 1 << QStringLiteral("Equals ");
        QTest::newRow("shift semicolon") << 41 << 1 << QStringLiteral("plus ");
        QTest::newRow("shift underscore") << 94 << 1 << QStringLiteral("UNDERSCORE ");
        QTest::newRow("shift keypad 0 unchanged") << 82 << 1 << QStringLiteral("0");
        QTest::newRow("shift keypad 1") << 83 << 1 << QStringLiteral("!");
        QTest::newRow("shift bar unchanged") << 93 << 1 << QStringLiteral("|");
        QTest::newRow("shift unused") << 54 << 1 << QStringLiteral("?54");
        QTest::newRow("shift 127") << 127 << 1 << QStringLiteral("???");
        QTest::newRow("cmd a") << 0 << 2 << QStringLiteral("select all");
        QTest::newRow("cmd none") << 11 << 2 << QString();
        QTest::newRow("cmd 125") << 125 << 2 << QStringLiteral("end of text");
        QTest::newRow("opt 125") << 125 << 3 << QStringLiteral("end of line");
        QTest::newRow("opt 126") << 126 << 3 << QStringLiteral("start of text");
        QTest::newRow("cmd 200") << 200 << 2 << QStringLiteral("???");
        QTest::newRow("ctl mode") << 0 << 4 << QStringLiteral("???");
        QTest::newRow("mode 5") << 0 << 5 << QStringLiteral("???");
        QTest::newRow("mode -1") << 0 << -1 << QStringLiteral("???");
    }
    void names()
    {
        QFETCH(int, code);
        QFETCH(int, mode);
        QFETCH(QString, expected);
        QCOMPARE(st->getStringFromKeycodeMode(code, mode), expected);
    }

    void unknownModesAreTraced()
    {
        TraceRecorder traces;
        st->getStringFromKeycodeMode(3, 4);
        st->getStringFromKeycodeMode(3, 9);
        QCOMPARE(traces.lines().size(), 2);
        QVERIFY(traces.lines()[0].contains(QStringLiteral("No database for ctl key yet")));
        QVERIFY(traces.lines()[1].contains(QStringLiteral("9")));
    }

    void tablesHaveEveryCode()
    {
        QCOMPARE(st->db_ascii().size(), 127);
        QCOMPARE(st->db_shift().size(), 127);
        QCOMPARE(st->db_cmd().size(), 127);
        QCOMPARE(st->db_opt().size(), 127);
        int commands = 0;
        for (int code = 0; code < 127; ++code) {
            commands += st->db_cmd()[code].isEmpty() ? 0 : 1;
            if (code != 125) {
                QCOMPARE(st->db_opt()[code], st->db_cmd()[code]);
            }
        }
        QCOMPARE(commands, 18);
    }

    void lookups_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("code");
        QTest::newRow("period: the lower of 47 and 65") << QStringLiteral(".") << 47;
        QTest::newRow("enter: the lower of 52 and 76") << QStringLiteral("enter") << 52;
        QTest::newRow("1 of the main block") << QStringLiteral("1") << 18;
        QTest::newRow("blank") << QStringLiteral(" ") << 49;
        QTest::newRow("space is no name") << QStringLiteral("space") << -1;
        QTest::newRow("case matters") << QStringLiteral("A") << -1;
        QTest::newRow("empty") << QString() << -1;
        QTest::newRow("unused names") << QStringLiteral("?10") << 10;
        QTest::newRow("up") << QStringLiteral("up") << 126;
    }
    void lookups()
    {
        QFETCH(QString, name);
        QFETCH(int, code);
        QCOMPARE(st->getKeycodeFromString(name), code);
    }

    void classes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<int>("kind");
        QTest::newRow("f1") << 122 << false << 4;
        QTest::newRow("f15") << 113 << false << 4;
        QTest::newRow("return") << 36 << false << 3;
        QTest::newRow("delete is a control key first") << 51 << false << 3;
        QTest::newRow("forward delete") << 117 << false << 3;
        QTest::newRow("1 shifted") << 18 << true << 2;
        QTest::newRow("1") << 18 << false << 1;
        QTest::newRow("caret") << 24 << false << 2;
        QTest::newRow("a") << 0 << false << 0;
        QTest::newRow("left") << 123 << false << 5;
        QTest::newRow("keypad 0") << 82 << false << -1;
        QTest::newRow("blank") << 49 << false << -1;
        QTest::newRow("unused") << 10 << false << -1;
        QTest::newRow("127") << 127 << false << -1;
        QTest::newRow("negative") << -3 << true << -1;
    }
    void classes()
    {
        QFETCH(int, code);
        QFETCH(bool, shift);
        QFETCH(int, kind);
        QCOMPARE(st->whatIsKeyCodeShift(code, shift), kind);
    }

    void letters()
    {
        QList<int> letters;
        for (int code = -2; code < 130; ++code) {
            if (st->isKeycodeLetter(code)) {
                letters.append(code);
            }
        }
        QCOMPARE(letters, (QList<int>{0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  11, 12, 13,
                                      14, 15, 16, 17, 31, 32, 34, 35, 37, 38, 40, 45, 46}));
    }

    void predicates()
    {
        QVERIFY(st->isKeycodeAsciiChar(49));
        QVERIFY(!st->isKeycodeAsciiChar(36));
        QVERIFY(!st->isKeycodeAsciiChar(127));
        QVERIFY(st->isStringAsciiChar(QStringLiteral("a")));
        QVERIFY(!st->isStringAsciiChar(QStringLiteral("nothing")));
        QVERIFY(!st->isKeycodeNumber(82));
        QVERIFY(st->isKeycodeNumber(29));
        QVERIFY(!st->isKeycodePunctuationShift(18, false));
        QVERIFY(st->isKeycodePunctuationShift(29, true));
        QVERIFY(st->isKeycodePunctuationShift(77, false));
        QVERIFY(st->isKeycodeArrow(126) && !st->isKeycodeArrow(127) && !st->isKeycodeArrow(122));
        QVERIFY(st->isKeycodeDelete(51) && st->isKeycodeDelete(117) && !st->isKeycodeDelete(52));
        QVERIFY(st->isKeyCodeWordSeperatorShift(49, false));
        QVERIFY(!st->isKeyCodeWordSeperatorShift(44, false));
        QVERIFY(st->isKeyCodeWordSeperatorShift(44, true));
        QVERIFY(st->isKeyCodeWordEndOfSentenceShift(65, false));
        QVERIFY(!st->isKeyCodeWordEndOfSentenceShift(49, false));
        QVERIFY(st->isKeyCodeWordEndOfSentenceShift(18, true));
        // A decimal point does not end a number; a blank and a letter do.
        QVERIFY(!st->isKeyCodeWordEndOfNumberShift(47, false));
        QVERIFY(!st->isKeyCodeWordEndOfNumberShift(65, true));
        QVERIFY(st->isKeyCodeWordEndOfNumberShift(49, false));
        QVERIFY(st->isKeyCodeWordEndOfNumberShift(0, false));
        QVERIFY(!st->isKeyCodeWordEndOfNumberShift(18, false));
        QVERIFY(st->isKeyCodeWordEndOfNumberShift(18, true));
        QVERIFY(st->isStrFnKey(QStringLiteral("f1")) && st->isStrFnKey(QStringLiteral("f15")));
        QVERIFY(!st->isStrFnKey(QStringLiteral("f16")) && !st->isStrFnKey(QStringLiteral("f0")));
        QVERIFY(!st->isStrFnKey(QStringLiteral("f01")) && !st->isStrFnKey(QStringLiteral("F1")));
        QVERIFY(st->isStrCtlKey(QStringLiteral("fdelete")) && !st->isStrCtlKey(QStringLiteral("tab")));
    }

    void characterSets()
    {
        QVERIFY(st->isCharKeyboard(QStringLiteral(u"\u00A5")));
        QVERIFY(st->isCharKeyboard(QStringLiteral("asdf")));
        QVERIFY(!st->isCharKeyboard(QStringLiteral("A")));
        QVERIFY(!st->isCharKeyboard(QString()));
        QVERIFY(st->isCharKeyboardShift(QStringLiteral("A")));
        QVERIFY(!st->isCharKeyboardShift(QStringLiteral("\"")));
        QVERIFY(st->isCharUpperPuncuation(QStringLiteral("\"")));
        QVERIFY(st->isCharWordSeperator(QStringLiteral(" ")));
        QVERIFY(!st->isCharWordSeperator(QStringLiteral("-")));
        QVERIFY(st->isCharNumber(QStringLiteral("7")) && !st->isCharNumber(QStringLiteral("x")));
        QVERIFY(st->isCharNewline(QStringLiteral("\r")) && st->isCharNewline(QStringLiteral("\n")));
        QVERIFY(!st->isCharNewline(QStringLiteral("\r\n")));
        QVERIFY(!st->isStringInString(QString(), QStringLiteral("abc")));
        QVERIFY(st->isStringInArray(QStringLiteral("b"), {QStringLiteral("a"), QStringLiteral("b")}));
        QVERIFY(!st->isStringInArray(QStringLiteral("c"), {}));
    }

    void shifting_data()
    {
        QTest::addColumn<QString>("character");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<QString>("expected");
        QTest::newRow("2") << QStringLiteral("2") << true << QStringLiteral("\"");
        QTest::newRow("minus") << QStringLiteral("-") << true << QStringLiteral("Equals ");
        QTest::newRow("letter") << QStringLiteral("q") << true << QStringLiteral("Q");
        QTest::newRow("unshifted") << QStringLiteral("q") << false << QStringLiteral("q");
        QTest::newRow("yen") << QStringLiteral(u"\u00A5") << true << QStringLiteral("|");
        QTest::newRow("underscore") << QStringLiteral("_") << true << QStringLiteral("_");
        QTest::newRow("not a keyboard character") << QStringLiteral("A") << false << QStringLiteral("???");
        QTest::newRow("two characters") << QStringLiteral("as") << true << QStringLiteral("???");
        QTest::newRow("empty") << QString() << true << QStringLiteral("???");
    }
    void shifting()
    {
        QFETCH(QString, character);
        QFETCH(bool, shift);
        QFETCH(QString, expected);
        QCOMPARE(st->stringAddShiftShift(character, shift), expected);
    }

    void codesAndShortcuts()
    {
        QCOMPARE(st->asciiCodeToString(65), QStringLiteral("A"));
        QCOMPARE(st->stringToAsciiCode(QStringLiteral(u"\u00E9t\u00E9")), quint16(0xE9));
        QCOMPARE(st->stringToAsciiCode(QString()), quint16(0));
        QCOMPARE(st->shortcutFromStringCmdOptionCtlShift(QStringLiteral("s"), true, false, false, true),
                 QStringLiteral("cmd+shift+s"));
        QCOMPARE(st->shortcutFromStringCmdOptionCtlShift(QStringLiteral("x"), true, true, true, true),
                 QStringLiteral("cmd+opt+ctl+shift+x"));
        QCOMPARE(st->shortcutFromStringCmdOptionCtlShift(QStringLiteral("x"), false, false, false, false),
                 QStringLiteral("x"));
    }

    void printedTables()
    {
        TraceRecorder traces;
        st->printKeyCodes();
        const QStringList lines = traces.lines();
        // Two opening lines, four tables of a 3-line banner, 127 entries and 13 blank separators, two closing.
        QCOMPARE(lines.size(), 2 + 4 * (3 + 127 + 13) + 2);
        const QString rule = QString(38, QLatin1Char('-')) + QLatin1Char('\n');
        QCOMPARE(lines[0], rule);
        QCOMPARE(lines[1], QStringLiteral(" \n"));
        QCOMPARE(lines[2], QStringLiteral("----------------\n"));
        QCOMPARE(lines[3], QStringLiteral("| KEY_DATABASE |\n"));
        QCOMPARE(lines[5], QStringLiteral(" \n"));
        QCOMPARE(lines[6], QStringLiteral("index:0  ascii:a\n"));
        QVERIFY(lines.contains(QStringLiteral("| SHIFT_KEY_DATABASE |\n")));
        QVERIFY(lines.contains(QStringLiteral("index:125  ascii:end of text\n")));
        QCOMPARE(lines.last(), QStringLiteral(" \n"));
        QCOMPARE(lines[lines.size() - 2], rule);
    }
};

QTEST_GUILESS_MAIN(TestKeyCodes)
#include "tst_keycodes.moc"
