#include "Arrays.h"

#include "LibraryException.h"
#include "Plist.h"
#include "TestHome.h"

#include <QFile>
#include <QTest>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

class TestArrays : public QObject
{
    Q_OBJECT
    Arrays* a = Arrays::sharedEngineInstance();

    QVariantList sorted(int slot)
    {
        QVariantList l = *a->slot(slot);
        std::sort(l.begin(), l.end(), [](const QVariant& x, const QVariant& y) { return x.toInt() < y.toInt(); });
        return l;
    }

private slots:
    void init()
    {
        for (int s = 0; s < Arrays::NumSlots; ++s)
            a->slot(s)->clear();
    }

    void slotsInsertReplaceAndRefuseBadPlaces()
    {
        a->setArraySlotIntPosData(3, 0, 7);
        a->setArraySlotIntPosData(3, 0, 8);
        QCOMPARE(a->getArraySize(3), 2);
        QCOMPARE(a->getArraySlotIntPos(3, 0), 8);
        a->setArraySlotNSStringPosData(3, 2, QStringLiteral("42abc"));
        QCOMPARE(a->getArraySlotIntPos(3, 2), 42); // a string entry reads by its leading digits
        a->replaceArraySlotIntPosData(3, 1, -5);
        QCOMPARE(a->getArraySlotNSStringPos(3, 1), QStringLiteral("-5"));

        // Slots and positions outside the lists change nothing and read as the failure values.
        for (int bad : {-1, 12, std::numeric_limits<int>::min()}) {
            a->setArraySlotIntPosData(bad, 0, 1);
            QCOMPARE(a->getArraySize(bad), -1);
            QCOMPARE(a->getArraySlotIntPos(bad, 0), 0);
            QCOMPARE(a->getArraySlotNSStringPos(bad, 0), std::nullopt);
            QCOMPARE(a->addOneArraySlotInt(bad), 0);
            a->shuffleArraySlotNumberOfShuffles(bad, 5);
        }
        a->setArraySlotIntPosData(3, 4, 1);
        a->setArraySlotIntPosData(3, -1, 1);
        a->replaceArraySlotNSStringPosData(3, 3, QStringLiteral("x"));
        QCOMPARE(a->getArraySize(3), 3);
        QCOMPARE(a->getArraySlotIntPos(3, 3), 0);
        QCOMPARE(a->getArraySlotNSStringPos(3, -1), std::nullopt);
    }

    void fillSumShuffleAndShare()
    {
        a->fillAllArraySlotsInt(std::numeric_limits<int>::max());
        QCOMPARE(a->getArraySize(9), 100);
        QCOMPARE(a->getArraySize(10), 0);
        // 1000 x INT_MAX wraps modulo 2^32 (to -1000) instead of overflowing.
        QCOMPARE(a->addAllArraySlotsInt(), -1000);

        a->fillArraySlotSeqWithNumbersUpto(11, 150);
        QCOMPARE(a->addOneArraySlotInt(11), 4950); // positions 0 to 99 only
        a->fillArraySlotSeqWithNumbersUpto(10, 5);
        QCOMPARE(a->addOneArraySlotInt(10), 10); // a short slot sums what it has
        a->fillArraySlotSeqWithNumbersUpto(10, -3);
        QCOMPARE(a->getArraySize(10), 5);

        const QVariantList before = sorted(11);
        a->shuffleArraySlotNumberOfShuffles(11, 500);
        QCOMPARE(a->getArraySize(11), 150);
        QVERIFY(*a->slot(11) != before);
        QCOMPARE(sorted(11), before);

        *a->slot(2) = {9};
        a->shuffleArraySlotNumberOfShuffles(2, 10); // one item: swaps with itself
        QCOMPARE(*a->slot(2), QVariantList{9});

        auto mine = std::make_shared<QVariantList>(QVariantList{1, 2});
        a->copyArrayToSlotToSlot(mine, 4);
        mine->append(3);
        QCOMPARE(a->getArraySize(4), 3); // the very list, not a copy
        a->copyArrayToSlotToSlot(nullptr, 4);
        QCOMPARE(a->getArraySize(4), 0);
    }

    void listUtilities()
    {
        QStringList l;
        QCOMPARE(a->filArraywithNumbersStartEndStep(l, 48, 57, 4), (QStringList{u"0"_s, u"4"_s, u"8"_s}));
        l.clear();
        QCOMPARE(a->filArraywithNumbersStartEndStep(l, 57, 55, 1).join(QString()), QStringLiteral("987"));
        l.clear();
        QVERIFY(a->filArraywithNumbersStartEndStep(l, 48, 57, 0).isEmpty());
        // Huge ranges and steps stop at the last 16-bit code instead of looping or overflowing.
        QCOMPARE(a->filArraywithNumbersStartEndStep(l, 0, std::numeric_limits<int>::max(), 1).size(), 65536);
        l.clear();
        QCOMPARE(a->filArraywithNumbersStartEndStep(l, 65, std::numeric_limits<int>::max(), -2147483647).size(), 1);

        const QVariantList three{1, 2, 3};
        const QVariantList empty;
        QCOMPARE(a->checkArrayWithPointer(&empty, 5), 1);
        QCOMPARE(a->checkArrayWithPointer(&three, 3), 2);
        QCOMPARE(a->checkArrayWithPointer(&three, -1), 3);
        QCOMPARE(a->checkArrayWithPointer(nullptr, 0), 4);
        QCOMPARE(a->checkArrayWithPointer(&three, 2), 0);
        QCOMPARE(a->arrayObjectAtIndexTag(three, 3, QStringLiteral("t")), QVariant(QString()));
        QCOMPARE(a->arrayObjectAtIndexTag(three, -1, QStringLiteral("t")), QVariant(QString()));
        QCOMPARE(a->arrayObjectAtIndexFileMethodLine(empty, 0, __FILE__, "-[T m]", 1), QVariant(QString()));
        QCOMPARE(a->arrayObjectAtIndexFileMethodLine(three, 1, __FILE__, "-[T m]", 1), QVariant(2));

        const QStringList fruit{u"apple"_s, u"avocado"_s, u"banana"_s, u"cherry"_s};
        QCOMPARE(a->getPosInAlphaTableArrayInSectionAndRow(fruit, 1, 1), 3);
        QCOMPARE(a->getPosInAlphaTableArrayInSectionAndRow(fruit, 0, 0), 0);
        QCOMPARE(a->getPosInAlphaTableArrayInSectionAndRow(fruit, 9, 1), 5);
        QCOMPARE(a->getPosInAlphaTableArrayInSectionAndRow({}, 2, 7), 7);
        QCOMPARE(a->getPosInAlphaTableArrayInSectionAndRow({u""_s, u"b"_s}, 1, 0), 1);

        QCOMPARE(a->getStrFromNum(1234), QStringLiteral("1234"));
        QCOMPARE(a->getStrFromNum(10007), QStringLiteral("?007"));
        QCOMPARE(a->getStrFromNum(-5), QStringLiteral("000?"));
        QCOMPARE(a->numOfStrsInArray({u"a"_s, u""_s, u"b"_s}), 2);

        QVariantList dst{0};
        a->copyNSArrayToNSMutableArray(dst, dst); // appending a list to itself doubles it once
        QCOMPARE(dst, (QVariantList{0, 0}));
    }

    void files()
    {
        try {
            a->loadArrayFromFile(QStringLiteral("x"));
            QFAIL("the withdrawn loader must throw");
        } catch (const LibraryException& e) {
            QCOMPARE(e.reason(), QStringLiteral("obsolete interface\n\n\n\n"));
            QVERIFY(e.name().startsWith(QStringLiteral("\n\n\n\n*** VELBOR.LIBRARY ***\nArray \n")));
        }

        QStringList lines{u"stale"_s};
        QVERIFY(a->loadArrayFromFile(lines, QStringLiteral("lineArraySample.txt")));
        QVERIFY(lines.size() > 3);
        QVERIFY(lines.at(3).startsWith(QStringLiteral("What is the capital")));
        QVERIFY(!a->loadArrayFromFile(lines, QStringLiteral("../CMakeCache.txt")));
        QVERIFY(lines.isEmpty());

        TestHome home;
        QVERIFY(a->doesFileExist(QStringLiteral("list.plist"))); // YES means: not there
        QVERIFY(a->saveArrayToFile({1, QStringLiteral("two")}, QStringLiteral("%@/list.plist")));
        QVERIFY(!a->doesFileExist(QStringLiteral("list.plist")));
        QCOMPARE(Plist::readFile(home.documents() + QStringLiteral("/list.plist")),
                 QVariant(QVariantList{qint64(1), QStringLiteral("two")}));
        QVERIFY(!a->saveArrayToFile({QVariant()}, QStringLiteral("%@/bad.plist")));
        QVERIFY(!a->saveArrayToFile({1}, QStringLiteral("%@/missing/dir.plist")));
    }
};

QTEST_GUILESS_MAIN(TestArrays)
#include "tst_arrays.moc"
