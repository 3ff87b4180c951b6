// The region annotation, the two template services and the strings' help extension.

#include "AddressAnnotation.h"
#include "NSConvert.h"
#include "StaticTemplate.h"
#include "StderrCapture.h"
#include "StringHelp.h"

#include <QTest>

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void titleAndSubtitle()
    {
        AddressAnnotation plain;
        QCOMPARE(plain.title(), QStringLiteral("Monitored Region"));
        const CircularRegion home{{51.5, -0.1}, 100.0, QStringLiteral("home")};
        AddressAnnotation fromRegion(home);
        QCOMPARE(fromRegion.title(), QStringLiteral("Monitored Region xxx"));
        // The region is only stored: centre and radius are set separately.
        QCOMPARE(fromRegion.coordinate(), GeoCoordinate{});

        // The subtitle is made from centre and radius; a stored one is never shown.
        plain.setCoordinate({-33.8688, 151.2093});
        plain.setRadius(2.26);
        plain.setSubtitle(QStringLiteral("stored, never shown"));
        QCOMPARE(plain.subtitle(), QStringLiteral("Lat: -33.868800, Lon: 151.209300, Rad: 2.3m"));
        QCOMPARE(plain.property("subtitle").toString(), plain.subtitle());
    }

    // Observers see the old radius before the change and the new one after it, once each; the other
    // setters store silently.
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
        annotation.setCoordinate({1.0, 2.0});
        annotation.setTitle(QStringLiteral("t"));
        annotation.setColor(QStringLiteral("red"));
        annotation.setRegion(std::nullopt);
        QCOMPARE(seen, QStringList({QStringLiteral("will Lat: 0.000000, Lon: 0.000000, Rad: 5.0m"),
                                    QStringLiteral("did Lat: 0.000000, Lon: 0.000000, Rad: 100.0m")}));
    }

    void greetingsAndHelp()
    {
        StderrCapture capture;
        StaticTemplate::sharedEngineInstance()->greet();
        NSConvert::sharedEngineInstance()->greet();
        QCOMPARE(help(QStringLiteral("anything")), QStringLiteral("help"));
        const QStringList lines = QString::fromUtf8(capture.take()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[0].endsWith(QStringLiteral("] hello from SingletonTemplate")), qPrintable(lines[0]));
        QVERIFY2(lines[1].endsWith(QStringLiteral("] hello from NSConvert")), qPrintable(lines[1]));
        QVERIFY2(lines[2].endsWith(QStringLiteral("] help")), qPrintable(lines[2]));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
