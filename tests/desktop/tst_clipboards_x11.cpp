#include "ClipboardController.h"
#include "Platform.h"
#include "linux/ClipboardPasteboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

/** Named clipboards against the X clipboard, with xclip as the other application. */
class TestClipboardsX11 : public QObject
{
    Q_OBJECT

private slots:
    void xclipSeesWhatVPutsAndProvidesWhatXTakes()
    {
        if (QStandardPaths::findExecutable(u"xclip"_s).isEmpty()) {
            QSKIP("xclip is not installed");
        }
        Platform::setPasteboard(std::make_shared<ClipboardPasteboard>());
        ClipboardController c;
        c.clipboardAddNameCmdContents(u"out"_s, u"v"_s, u"from carrowen \u00e9"_s);
        for (int i = 0; i < 4; ++i) {
            c.gameLoop();
        }
        QProcess reader; // waits while our event loop answers its request for the text
        reader.start(u"xclip"_s, {u"-o"_s, u"-selection"_s, u"clipboard"_s});
        QTRY_COMPARE_WITH_TIMEOUT(reader.state(), QProcess::NotRunning, 10000);
        QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()), u"from carrowen \u00e9"_s);

        QSignalSpy changed(QGuiApplication::clipboard(), &QClipboard::changed);
        QProcess writer; // keeps the X clipboard until it is killed
        writer.start(u"xclip"_s, {u"-i"_s, u"-quiet"_s, u"-selection"_s, u"clipboard"_s});
        writer.write("from xclip");
        writer.closeWriteChannel();
        QVERIFY(changed.wait(10000));
        c.clipboardAddNameCmdContents(u"in"_s, u"c"_s, u"old"_s);
        c.gameLoop();
        QCOMPARE(c.clipboardReadContents(u"in"_s), u"from xclip"_s);
        writer.kill();
        writer.waitForFinished(5000);
    }
};

QTEST_MAIN(TestClipboardsX11)
#include "tst_clipboards_x11.moc"
