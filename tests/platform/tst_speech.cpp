#include "linux/EspeakSpeechSynthesizer.h"
#include "null/NullSpeechSynthesizer.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace {
using Range = std::pair<qsizetype, qsizetype>;

QList<Range> ranges(const QSignalSpy& words)
{
    QList<Range> out;
    for (const QList<QVariant>& args : words) {
        out.append({args.at(0).value<qsizetype>(), args.at(1).value<qsizetype>()});
    }
    return out;
}

std::unique_ptr<SpeechSynthesizer> make(const QString& kind)
{
    if (kind == QLatin1String("null")) {
        return std::make_unique<NullSpeechSynthesizer>();
    }
    // "espeak" opens a sink, which fails at once here (no sound server) and falls back to the clock.
    return std::make_unique<EspeakSpeechSynthesizer>(kind == QLatin1String("espeak silent"));
}
} // namespace

/** The speech backends without a sound server: their events follow on the audio's timetable. */
class TestSpeech : public QObject
{
    Q_OBJECT

    void backends()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("null") << QStringLiteral("null");
        QTest::newRow("espeak silent") << QStringLiteral("espeak silent");
        QTest::newRow("espeak, no sound server") << QStringLiteral("espeak");
    }
    void skipWithoutEngine(const QString& kind)
    {
        if (kind != QLatin1String("null") && !EspeakSpeechSynthesizer::engineAvailable()) {
            QSKIP("espeak-ng cannot start here (espeak-ng-data missing)");
        }
    }

private slots:
    void wordsThenEnd_data() { backends(); }
    void wordsThenEnd()
    {
        QFETCH(QString, kind);
        skipWithoutEngine(kind);
        auto synth = make(kind);
        QSignalSpy words(synth.get(), &SpeechSynthesizer::willSpeakWord);
        QSignalSpy ends(synth.get(), &SpeechSynthesizer::didFinishSpeaking);
        const QString text = QStringLiteral(u"caf\u00e9 au lait, please");
        QVERIFY(synth->startSpeakingString(text));
        QVERIFY(synth->isSpeaking());
        QVERIFY(ends.wait(10000));
        QCOMPARE(ends.size(), 1);
        QCOMPARE(ends.at(0).at(0).toBool(), true);
        QVERIFY(!synth->isSpeaking());
        QCOMPARE(ranges(words).size(), 4);
        QCOMPARE(ranges(words).front(), Range(0, 4));
        QCOMPARE(ranges(words).at(1), Range(5, 2));
        QCOMPARE(ranges(words).at(2).first, 8);
        QCOMPARE(words.at(0).at(2).toString(), text);
        QCOMPARE(ranges(words).back().first, 14);
    }

    void stopReportsTheEndLater_data() { backends(); }
    void stopReportsTheEndLater()
    {
        QFETCH(QString, kind);
        skipWithoutEngine(kind);
        auto synth = make(kind);
        QSignalSpy words(synth.get(), &SpeechSynthesizer::willSpeakWord);
        QSignalSpy ends(synth.get(), &SpeechSynthesizer::didFinishSpeaking);
        synth->startSpeakingString(QStringLiteral("one two three four five six seven eight nine ten eleven"));
        QVERIFY(words.wait(10000));
        synth->stopSpeaking();
        QVERIFY(!synth->isSpeaking());
        QCOMPARE(ends.size(), 0); // never from inside the call
        QVERIFY(ends.wait(10000));
        QCOMPARE(ends.at(0).at(0).toBool(), false);
        const qsizetype heard = words.size();
        QVERIFY(heard < 11);
        // Nothing more of the stopped utterance arrives, and stopping again does nothing.
        synth->stopSpeaking();
        QTest::qWait(300);
        QCOMPARE(words.size(), heard);
        QCOMPARE(ends.size(), 1);
    }

    void aNewStartCutsTheOldShort_data() { backends(); }
    void aNewStartCutsTheOldShort()
    {
        QFETCH(QString, kind);
        skipWithoutEngine(kind);
        auto synth = make(kind);
        QSignalSpy words(synth.get(), &SpeechSynthesizer::willSpeakWord);
        QSignalSpy ends(synth.get(), &SpeechSynthesizer::didFinishSpeaking);
        synth->startSpeakingString(QStringLiteral("a long first sentence that is cut short"));
        synth->startSpeakingString(QStringLiteral("second"));
        QTRY_COMPARE_WITH_TIMEOUT(ends.size(), 2, 10000);
        QCOMPARE(ends.at(0).at(0).toBool(), false);
        QCOMPARE(ends.at(1).at(0).toBool(), true);
        QVERIFY(!words.isEmpty());
        QCOMPARE(words.back().at(2).toString(), QStringLiteral("second"));
    }
};

QTEST_GUILESS_MAIN(TestSpeech)
#include "tst_speech.moc"
