// The region annotation, the two template services and the strings' help extension.

#include "AddressAnnotation.h"
#include "NSConvert.h"
#include "StaticTemplate.h"
#include "StderrCapture.h"
#include "StringHelp.h"

#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void titles()
    {
        AddressAnnotation plain;
        QCOMPARE(plain.title(), QStringLiteral("Monitored Region"));
        QCOMPARE(plain.region(), std::nullopt);
        QCOMPARE(plain.color(), QString());

        const CircularRegion home{{51.5, -0.1}, 100.0, QStringLiteral("home")};
        AddressAnnotation fromRegion(home);
        QCOMPARE(fromRegion.title(), QStringLiteral("Monitored Region xxx"));
        QCOMPARE(fromRegion.region(), std::optional(home));
        // The region is only stored: centre and radius are set separately.
        QCOMPARE(fromRegion.coordinate(), GeoCoordinate{});
        QCOMPARE(fromRegion.radius(), 0.0);
    }

    void subtitle_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("radius");
        QTest::addColumn<QString>("subtitle");
        QTest::newRow("london") << 51.5 << -0.1 << 100.0
                                << QStringLiteral("Lat: 51.500000, Lon: -0.100000, Rad: 100.0m");
        QTest::newRow("zero") << 0.0 << 0.0 << 0.0 << QStringLiteral("Lat: 0.000000, Lon: 0.000000, Rad: 0.0m");
        QTest::newRow("south east, rounding")
            << -33.8688 << 151.2093 << 2.26 << QStringLiteral("Lat: -33.868800, Lon: 151.209300, Rad: 2.3m");
        QTest::newRow("wide") << 89.9999999 << -179.9999999 << 1.0e6
                              << QStringLiteral("Lat: 90.000000, Lon: -180.000000, Rad: 1000000.0m");
    }
    void subtitle()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, radius);
        QFETCH(QString, subtitle);
        AddressAnnotation annotation;
        annotation.setCoordinate({latitude, longitude});
        annotation.setRadius(radius);
        annotation.setSubtitle(QStringLiteral("stored, never shown"));
        QCOMPARE(annotation.subtitle(), subtitle);
        QCOMPARE(annotation.property("subtitle").toString(), subtitle);
    }

    // Observers see the old radius before the change and the new one after it, once each.
    void radiusChangeNotifiesSubtitleObservers()
    {
        AddressAnnotation annotation;
        annotation.setRadius(5.0);
        QStringList seen;
        connect(&annotation, &AddressAnnotation::subtitleWillChange, this,
                [&] { seen << QStringLiteral("will ") + annotation.subtitle(); });
        connect(&annotation, &AddressAnnotation::subtitleDidChange, this,
                [&] { seen << QStringLiteral("did ") + annotation.subtitle(); });
        annotation.setRadius(100.0);
        QCOMPARE(seen, QStringList({QStringLiteral("will Lat: 0.000000, Lon: 0.000000, Rad: 5.0m"),
                                    QStringLiteral("did Lat: 0.000000, Lon: 0.000000, Rad: 100.0m")}));

        // Only the radius notifies; the other setters store silently.
        QSignalSpy will(&annotation, &AddressAnnotation::subtitleWillChange);
        QSignalSpy did(&annotation, &AddressAnnotation::subtitleDidChange);
        annotation.setCoordinate({1.0, 2.0});
        annotation.setTitle(QStringLiteral("t"));
        annotation.setSubtitle(QStringLiteral("s"));
        annotation.setColor(QStringLiteral("red"));
        annotation.setRegion(std::nullopt);
        QCOMPARE(will.count(), 0);
        QCOMPARE(did.count(), 0);
        annotation.setRadius(100.0);
        QCOMPARE(will.count(), 1);
        QCOMPARE(did.count(), 1);
        QCOMPARE(annotation.title(), QStringLiteral("t"));
        QCOMPARE(annotation.color(), QStringLiteral("red"));
    }

    void templateServicesAreSingleInstances()
    {
        StaticTemplate* tmpl = StaticTemplate::sharedEngineInstance();
        QVERIFY(tmpl);
        QCOMPARE(StaticTemplate::sharedEngineInstance(), tmpl);
        QCOMPARE(StaticTemplate::alloc(), nullptr);
        QCOMPARE(tmpl->copy(), tmpl);

        NSConvert* convert = NSConvert::sharedEngineInstance();
        QVERIFY(convert);
        QCOMPARE(NSConvert::sharedEngineInstance(), convert);
        QCOMPARE(NSConvert::alloc(), nullptr);
        QCOMPARE(convert->copy(), convert);
    }

    void greetingsAndHelp()
    {
        StderrCapture capture;
        StaticTemplate::sharedEngineInstance()->greet();
        NSConvert::sharedEngineInstance()->greet();
        const QString answer = help(QStringLiteral("anything"));
        const QStringList lines = QString::fromUtf8(capture.take()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(answer, QStringLiteral("help"));
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].endsWith(QStringLiteral("] hello from SingletonTemplate")), qPrintable(lines[0]));
        QVERIFY2(lines[1].endsWith(QStringLiteral("] hello from NSConvert")), qPrintable(lines[1]));
        QVERIFY2(lines[2].endsWith(QStringLiteral("] help")), qPrintable(lines[2]));
        QCOMPARE(help(QString()), QStringLiteral("help"));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
