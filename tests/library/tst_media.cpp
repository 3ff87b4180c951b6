#include "AudioPlayer.h"
#include "FSWeb.h"
#include "Media.h"
#include "NotificationCounter.h"
#include "Platform.h"
#include "Resources.h"
#include "TestHome.h"
#include "TraceRecorder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <limits>

namespace {

QStringList split(const char* words)
{
    return QString::fromUtf8(words).split(u' ', Qt::SkipEmptyParts);
}

// A tone file made by sox, the peer that writes the test sounds.
bool makeTone(const QString& path, double seconds, double amplitude = 0.5)
{
    return QProcess::execute(QStringLiteral("sox"),
                             {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"), QStringLiteral("-c"),
                              QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16"), path,
                              QStringLiteral("synth"), QString::number(seconds), QStringLiteral("sine"),
                              QStringLiteral("440"), QStringLiteral("vol"), QString::number(amplitude)}) == 0;
}

// Counts "IOSMedia"/"ipod_exit", the end of a sentence, while it lives.
struct ExitCounter : NotificationCounter
{
    ExitCounter() : NotificationCounter(QStringLiteral("IOSMedia"), QStringLiteral("ipod_exit")) {}
};

} // namespace

/** The sound service with no sound server: the sentence queue, word processing and hostile input. */
class TestMedia : public QObject
{
    Q_OBJECT

    Media* media = nullptr;
    std::unique_ptr<TestHome> home;

    // The items a builder appends to an empty queue, without their ".aiff".
    QStringList built(const std::function<void()>& build)
    {
        media->clrQueue();
        build();
        QStringList out;
        for (const QString& item : media->queue()) {
            out << (item.endsWith(QLatin1String(".aiff")) ? item.chopped(5) : item);
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty()) {
            QSKIP("needs sox to make the test sounds");
        }
        Platform::installBackends(Platform::Backends::Null);
        home = std::make_unique<TestHome>();
        media = Media::sharedEngineInstance();
        fs_web::setTimeouts(1000, 4000, 1000);
    }

    void init()
    {
        media->setUkEnglish(false);
        media->setProcessWordEnd(true);
        media->setPlayerType(0);
    }

    void numbers()
    {
        QCOMPARE(built([&] { media->add_0_999_toQueue(342); }), split("3 hundred 40 2"));
        QCOMPARE(built([&] { media->add_0_999_toQueue(15); }), split("15"));
        QCOMPARE(built([&] { media->add_0_999_toQueue(40); }), split("40"));
        QCOMPARE(built([&] { media->addNumberToQueue(1000000); }), split("1 million"));
        QCOMPARE(built([&] { media->addNumberToQueue(0); }), split("0"));
        // Above 999 trillion the count of trillions is a number of its own.
        QCOMPARE(built([&] { media->addNumberToQueue(std::numeric_limits<std::uint64_t>::max()); }),
                 split("18 million 4 hundred 40 6 thousand 7 hundred 40 4 trillion 70 3 billion 7 hundred 9 million "
                       "5 hundred 50 1 thousand 6 hundred 15"));
        media->setUkEnglish(true);
        QCOMPARE(built([&] { media->addNumberToQueue(1005); }), split("and 1 thousand and 5"));
        QCOMPARE(built([&] { media->add_0_999_toQueue(342); }), split("3 hundred and 40 2"));
        TraceRecorder traces;
        QVERIFY(built([&] {
                    media->add_0_999_toQueue(1000);
                    media->add_0_999_toQueue(-1);
                }).isEmpty());
        QCOMPARE(traces.count(QStringLiteral("DON'T KNOW")), 2);
    }

    void datesAndTimes()
    {
        QCOMPARE(built([&] { media->addDayOfMonth(21); }), split("20 1st"));
        QCOMPARE(built([&] { media->addDayOfMonth(13); }), split("13 th"));
        QCOMPARE(built([&] { media->addDayOfMonth(30); }), split("30 th"));
        QCOMPARE(built([&] { media->addDigitalTimeHrsAndMins(9, 5); }), split("9 oh 5"));
        QCOMPARE(built([&] { media->addDigitalTimeHrsAndMins(10, 30); }), split("10 30"));
        QCOMPARE(built([&] { media->addYear(1900); }), split("19 0"));
        QCOMPARE(built([&] { media->addAnalogTimeHrsAndMins(7, 0); }), split("7 o'clock"));
        QCOMPARE(built([&] { media->addAnalogTimeHrsAndMins(3, 15); }), split("quarter after 3"));
        QCOMPARE(built([&] { media->addAnalogTimeHrsAndMins(5, 7); }), split("7 minutes after 5"));
        // After the half hour the minutes count down to the next hour.
        QCOMPARE(built([&] { media->addAnalogTimeHrsAndMins(3, 45); }), split("quarter before 4"));
        QCOMPARE(built([&] { media->addAnalogTimeHrsAndMins(12, 59); }), split("1 minute before 1"));
        media->setUkEnglish(true);
        QCOMPARE(built([&] { media->addAnalogTimeHrsAndMins(3, 30); }), split("half past and 3"));
        QCOMPARE(built([&] { media->addAnalogTimeHrsAndMins(4, 40); }), split("and 20 to and 5"));
        QCOMPARE(built([&] {
                     media->addDayOfWeek(7);
                     media->addMonth(2);
                 }),
                 split("sunnday febuary"));
        TraceRecorder traces;
        QVERIFY(built([&] {
                    media->addDayOfWeek(0);
                    media->addDayOfWeek(8);
                    media->addMonth(13);
                    media->addAnalogTimeHrsAndMins(25, 0);
                    media->addAnalogTimeHrsAndMins(3, 60);
                    media->addYear(-1);
                    media->addDayOfMonth(-5);
                }).isEmpty());
        QCOMPARE(traces.count(QStringLiteral("DON'T KNOW")), 7);
    }

    void words()
    {
        auto word = [&](const char* w) { return built([&] { media->processWord(QString::fromUtf8(w)); }); };
        QCOMPARE(word("Ladies,"),
                 split("lady s1 waitShort").replaceInStrings(QStringLiteral("waitShort"), QStringLiteral("waitshort")));
        QCOMPARE(word("going"), split("go ing"));
        QCOMPARE(word("wanted"), split("want ed"));
        QCOMPARE(word("don't"), split("do nt"));
        QCOMPARE(word("tried"), split("try d1"));
        QCOMPARE(word("closing"), split("close ing"));
        QCOMPARE(word("boxes"), split("boxe es"));
        QCOMPARE(word("hundred"), split("hundred"));
        QCOMPARE(word("glass"), split("glass"));
        QCOMPARE(word("U.S.A"), split("u s a"));
        QCOMPARE(word("e.g."), split("e.g waitshort"));
        QCOMPARE(word("!!"), QStringList({QString(), QStringLiteral("waitshort")}));
        QCOMPARE(word("?"), split("questionmark"));
        QCOMPARE(word("42"), split("40 2"));
        QCOMPARE(word("-3"), split("minus 3"));
        QVERIFY(word("").isEmpty());
        QCOMPARE(word("1e30"), split("1"));
        QVERIFY(word("99999999999999999999999").isEmpty());
        media->setProcessWordEnd(false);
        QCOMPARE(word("ladies"), split("ladies"));
        QCOMPARE(media->processStrWithArray(QStringLiteral("a"), {QStringLiteral("a"), QStringLiteral("b")}),
                 QStringLiteral("beep"));
    }

    // Commands in a play-through, on word files of 20 ms each in a resource directory of the test.
    void commandsInAPlayThrough()
    {
        QTemporaryDir resources;
        for (const char* name : {"a", "b", "c", "d", "e"}) {
            QVERIFY(makeTone(resources.filePath(QString::fromLatin1(name) + QStringLiteral(".aiff")), 0.02));
        }
        setResourceDirectory(resources.path());
        media->setPlayerType(1);
        media->clrQueue();
        for (const char* item : {"a", "#label x", "b", "#loop x 2", "#volume 0.5", "c", "-", "d", "-", "e"}) {
            media->addItemToQueue(QString::fromLatin1(item));
        }
        QCOMPARE(media->replaceItemInQueuePosition(QStringLiteral("#repeat"), 6), 6);
        QCOMPARE(media->replaceItemInQueuePosition(QStringLiteral("#stop"), 8), 8);
        QCOMPARE(media->replaceItemInQueuePosition(QStringLiteral("#stop"), 10), -1);
        QCOMPARE(media->removeItemAtIndex(-1), -1);

        TraceRecorder traces;
        ExitCounter exits;
        media->playitemInQueue();
        // "#stop" ends the play-through in the play step: no end notification, playPtr back at 0.
        QTRY_COMPARE_WITH_TIMEOUT(traces.count(QStringLiteral("str: #stop")), 1, 10000);
        QTest::qWait(100);
        QStringList played;
        const QRegularExpression file(QStringLiteral("str: ([a-e])\\.aiff$"));
        for (const QString& line : traces.lines()) {
            const QRegularExpressionMatch m = file.match(line.trimmed());
            if (m.hasMatch()) {
                played << m.captured(1);
            }
        }
        // The loop plays b twice more; "#repeat" acts once and resumes at the second item.
        QCOMPARE(played, split("a b b b c b c d"));
        QCOMPARE(exits.count, 0);
        QCOMPARE(media->playPtr(), 0);
        QCOMPARE(media->queuePlayer()->volume(), 0.5F);
        media->av_setVolume(1.0F);
        setResourceDirectory(QString());
    }

    // Real word files, no sound server: the sentence plays through on the clock and ends once.
    void sentenceEndsOnceWithoutSoundServer()
    {
        for (int type : {0, 1}) {
            media->setPlayerType(type);
            ExitCounter exits;
            TraceRecorder traces;
            media->say_sentence(QStringLiteral("Hello doctor, 3 minutes past 5."));
            QCOMPARE(media->queuePtr(), 8);
            QTRY_COMPARE_WITH_TIMEOUT(exits.count, 1, 15000);
            QTest::qWait(200);
            QCOMPARE(exits.count, 1);
            QCOMPARE(traces.count(QStringLiteral("not found")), 0);
            QVERIFY(!media->isSpeechEnabled());
        }
    }

    // Broken, hostile and missing files: the player is empty, the end still comes, nothing crashes.
    void badFiles()
    {
        const QString docs = home->documents();
        QFile(docs + QStringLiteral("/empty.wav")).open(QIODevice::WriteOnly);
        QFile text(docs + QStringLiteral("/text.wav"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("this is not audio at all, just text\n");
        text.close();
        QVERIFY(makeTone(docs + QStringLiteral("/tone.wav"), 0.1));
        QFile tone(docs + QStringLiteral("/tone.wav"));
        QVERIFY(tone.open(QIODevice::ReadOnly));
        const QByteArray wav = tone.readAll();
        QFile truncated(docs + QStringLiteral("/truncated.wav"));
        QVERIFY(truncated.open(QIODevice::WriteOnly));
        truncated.write(wav.left(30));
        truncated.close();
        // A header that claims 2 GB of samples in front of 0.1 s of them.
        QByteArray liar = wav;
        const int data = int(liar.indexOf("data"));
        QVERIFY(data > 0);
        const quint32 claimed = 0x7FFFFF00;
        liar.replace(data + 4, 4, QByteArray(reinterpret_cast<const char*>(&claimed), 4));
        QFile liarFile(docs + QStringLiteral("/liar.wav"));
        QVERIFY(liarFile.open(QIODevice::WriteOnly));
        liarFile.write(liar);
        liarFile.close();

        media->setPlayerType(1);
        for (const char* name : {"missing.wav", "empty.wav", "text.wav", "truncated.wav", "liar.wav"}) {
            ExitCounter exits;
            media->av_playFileFileType(QString::fromLatin1(name), 1);
            QTRY_COMPARE_WITH_TIMEOUT(exits.count, 1, 5000);
        }
        media->av_addFileFileType(QStringLiteral("liar.wav"), 1);
        QVERIFY(std::abs(media->av_getChannelDuration() - 0.1F) < 0.01F);

        // Kinds outside 0 to 2, and names that would leave the resource or documents directory.
        QVERIFY(media->getPathFileType(QStringLiteral("tone.wav"), 3).isEmpty());
        QVERIFY(media->getPathFileType(QStringLiteral("tone.wav"), -1).isEmpty());
        for (const char* name : {"../tone.wav", "Documents/tone.wav", "/etc/passwd", "..", ""}) {
            QVERIFY(media->getPathFileType(QString::fromLatin1(name), 0).isEmpty());
            QVERIFY(media->getPathFileType(QString::fromLatin1(name), 1).isEmpty());
        }
        QCOMPARE(media->getPathFileType(QStringLiteral("tone.wav"), 1).toLocalFile(),
                 docs + QStringLiteral("/tone.wav"));
        ExitCounter none;
        media->av_playFileFileType(QStringLiteral("tone.wav"), 7);
        QTest::qWait(100);
        QCOMPARE(none.count, 0);

        QFile latin(docs + QStringLiteral("/word.txt"));
        QVERIFY(latin.open(QIODevice::WriteOnly));
        latin.write("\x80 \x93quoted\x94 caf\xe9");
        latin.close();
        QCOMPARE(media->loadWord97TxtFileType(QStringLiteral("word.txt"), 1), QString::fromUtf8("€ “quoted” café"));
        QVERIFY(!media->loadWord97TxtFileType(QStringLiteral("nope.txt"), 1));
        QVERIFY(!media->loadWord97TxtFileType(QStringLiteral("word.txt"), 5));
    }

    void playerValues()
    {
        media->av_addFileFileType(QStringLiteral("tone.wav"), 1);
        AudioPlayer* player = media->queuePlayer();
        QVERIFY(player->hasSound());
        for (float bad : {std::nanf(""), -1.0F, 2.0F}) {
            media->av_setVolume(bad);
        }
        QCOMPARE(player->volume(), 1.0F);
        media->av_setVolume(-1.0F);
        QCOMPARE(player->volume(), 0.0F);
        media->av_setVolume(1.0F);
        media->av_setChannelPosition(-5.0F);
        QCOMPARE(media->av_getChannelposition(), 0.0F);
        media->av_setChannelPosition(99.0F);
        QCOMPARE(media->av_getChannelposition(), media->av_getChannelDuration());
        for (float bad : {0.0F, -1.0F, std::nanf("")}) {
            player->setRate(bad);
        }
        QCOMPARE(player->rate(), 1.0F);
        QCOMPARE(media->av_getChannelVolumeAveragePower(0, true), -160.0F);
        QCOMPARE(media->av_getChannelVolumeAveragePower(5, false), -160.0F);
        // A negative loop count repeats until stopped.
        media->av_setNumOfLoops(-1);
        media->av_play();
        QTest::qWait(400);
        QVERIFY(player->isPlaying());
        media->av_setAction(0);
        QVERIFY(player->isPlaying());
        media->av_setAction(1);
        QVERIFY(!player->isPlaying());

        // A player replaced while playing finishes on its own; the sentence queue does not move for it.
        ExitCounter exits;
        media->av_playFileFileType(QStringLiteral("tone.wav"), 1);
        media->setQueuePlayer(new AudioPlayer);
        QTest::qWait(400);
        QCOMPARE(exits.count, 0);
    }

    // Web addresses that fail, stall or send too much: the main thread goes on and the end comes.
    void webAddresses()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QFile tone(home->documents() + QStringLiteral("/tone.wav"));
        QVERIFY(tone.open(QIODevice::ReadOnly));
        const QByteArray wav = tone.readAll();
        connect(&server, &QTcpServer::newConnection, this, [&] {
            QTcpSocket* socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket, wav] {
                const QByteArray request = socket->readAll();
                if (request.contains("/404")) {
                    socket->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
                } else if (request.contains("/huge")) {
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\n");
                    auto more = [socket] {
                        if (socket->bytesToWrite() < (1 << 20)) {
                            socket->write(QByteArray(1 << 20, '\0'));
                        }
                    };
                    connect(socket, &QTcpSocket::bytesWritten, socket, more);
                    more();
                } else if (request.contains("/tone.wav")) {
                    socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(wav.size()) + "\r\n\r\n" +
                                  wav);
                }
            });
        });
        media->setPlayerType(1);
        const QString base = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
        for (const char* path : {"404", "never", "huge", "tone.wav"}) {
            ExitCounter exits;
            QElapsedTimer gap;
            qint64 longestGap = 0;
            QTimer ticker;
            connect(&ticker, &QTimer::timeout, this, [&] { longestGap = std::max(longestGap, gap.restart()); });
            gap.start();
            ticker.start(20);
            media->av_playFileFileType(base + QString::fromLatin1(path), 2);
            QTRY_COMPARE_WITH_TIMEOUT(exits.count, 1, 15000);
            QVERIFY2(longestGap < 500, path);
        }
    }

    // No input device: a trace line, no recorder, and the process goes on.
    void recorderWithoutInput()
    {
        TraceRecorder traces;
        media->ar_recorderPrepare();
        QVERIFY(!media->hasRecorder());
        QCOMPARE(traces.count(QStringLiteral("An error occured while initializing the audio recorder!")), 1);
        media->ar_recordStart();
        media->ar_recorderStop();
        QFile::remove(home->documents() + QStringLiteral("/recordedFile.caf"));
        media->ar_recorderPlay();
        QCOMPARE(traces.count(QStringLiteral("An error occured while initializing the audio recorder!")), 2);
    }

    void fullQueue()
    {
        media->clrQueue();
        for (int i = 0; i < Media::MaxQueueItems + 1; ++i) {
            media->addItemToQueue(QStringLiteral("nothing"));
        }
        QCOMPARE(media->queuePtr(), int(Media::MaxQueueItems));
        media->replaceItemInQueuePosition(QStringLiteral("#stop"), 50000);
        QElapsedTimer timer;
        timer.start();
        media->playitemInQueue();
        QCOMPARE(media->playPtr(), 0);
        qInfo() << "passing over 50,000 missing items took" << timer.elapsed() << "ms";
        media->clrQueue();
    }
};

QTEST_GUILESS_MAIN(TestMedia)
#include "tst_media.moc"
