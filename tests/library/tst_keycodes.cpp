// Key-code tables of the string service: the lookups and classes that other code decides on, and
// codes, modes and texts outside the tables. The tables themselves meet real key events in the
// desktop tests (XTest).

#include "Strings.h"
#include "TraceRecorder.h"

#include <QTest>

class TestKeyCodes : public QObject
{
    Q_OBJECT

    Strings* st = Strings::sharedEngineInstance();

private slots:
    void namesAndModes()
    {
        QCOMPARE(st->getStringFromKeycodeMode(10, 0), QStringLiteral("?10"));
        QCOMPARE(st->getStringFromKeycodeMode(41, 1), QStringLiteral("plus "));
        QCOMPARE(st->getStringFromKeycodeMode(82, 1), QStringLiteral("0"));
        QCOMPARE(st->getStringFromKeycodeMode(11, 2), QString());
        QCOMPARE(st->getStringFromKeycodeMode(125, 3), QStringLiteral("end of line"));
        TraceRecorder traces;
        for (const auto& [code, mode] : {std::pair{127, 0}, {-1, 1}, {200, 2}, {0, 4}, {0, 9}, {0, -1}}) {
            QCOMPARE(st->getStringFromKeycodeMode(code, mode), QStringLiteral("???"));
        }
        QCOMPARE(traces.count(QStringLiteral("No database for ctl key yet")), 1);
        for (const QStringList& table : {st->db_ascii(), st->db_shift(), st->db_cmd(), st->db_opt()}) {
            QCOMPARE(table.size(), 127);
        }
    }

    void lookupsAndClasses()
    {
        // A name listed twice answers its lower code.
        QCOMPARE(st->getKeycodeFromString(QStringLiteral(".")), 47);
        QCOMPARE(st->getKeycodeFromString(QStringLiteral("enter")), 52);
        QCOMPARE(st->getKeycodeFromString(QStringLiteral("A")), -1);
        QCOMPARE(st->getKeycodeFromString(QString()), -1);
        QCOMPARE(st->whatIsKeyCodeShift(51, false), 3); // delete is a control key first
        QCOMPARE(st->whatIsKeyCodeShift(18, true), 2);
        QCOMPARE(st->whatIsKeyCodeShift(123, false), 5);
        QCOMPARE(st->whatIsKeyCodeShift(127, false), -1);
        QCOMPARE(st->whatIsKeyCodeShift(-3, true), -1);
        int letters = 0;
        for (int code = -2; code < 130; ++code) {
            letters += st->isKeycodeLetter(code) ? 1 : 0;
        }
        QCOMPARE(letters, 26);
        QVERIFY(!st->isKeycodeAsciiChar(127) && !st->isKeycodeArrow(127));
        // A decimal point does not end a number; a blank and a letter do.
        QVERIFY(!st->isKeyCodeWordEndOfNumberShift(47, false));
        QVERIFY(st->isKeyCodeWordEndOfNumberShift(0, false));
        QVERIFY(!st->isStrFnKey(QStringLiteral("f16")) && !st->isStrFnKey(QStringLiteral("f01")));
    }

    void characters()
    {
        QVERIFY(st->isCharKeyboard(QStringLiteral(u"\u00A5")));
        QVERIFY(!st->isCharKeyboard(QString()));
        QVERIFY(!st->isCharNewline(QStringLiteral("\r\n")));
        QCOMPARE(st->stringAddShiftShift(QStringLiteral(u"\u00A5"), true), QStringLiteral("|"));
        QCOMPARE(st->stringAddShiftShift(QStringLiteral("as"), true), QStringLiteral("???"));
        QCOMPARE(st->stringAddShiftShift(QString(), true), QStringLiteral("???"));
        QCOMPARE(st->stringToAsciiCode(QString()), quint16(0));
        QCOMPARE(st->shortcutFromStringCmdOptionCtlShift(QStringLiteral("x"), true, true, true, true),
                 QStringLiteral("cmd+opt+ctl+shift+x"));
    }
};

QTEST_GUILESS_MAIN(TestKeyCodes)
#include "tst_keycodes.moc"
