// The outage history: recorded by the controller (fake probe, a clock moved by hand), read back
// tolerantly, shown and exported (CSV read back by Python's csv module, the PDF by pdftotext); the
// settings exported and imported, hostile files refused; the "Start at login" entry validated.
#include "AppDelegate.h"
#include "AppDelegateUi.h"
#include "HistoryData.h"
#include "HistoryWindow.h"
#include "MonitorTestCase.h"
#include "OutageHistory.h"
#include "OutageTableModel.h"
#include "TestText.h"

#include "Mac_media.h"
#include "Platform.h"
#include "Plist.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSlider>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray at(qint64 seconds)
{
    return HistoryData::timeText(seconds);
}

// What a peer program prints; the test skips when the peer is not installed.
QByteArray run(const char* program, const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess process;
    process.start(QStandardPaths::findExecutable(s(program)), arguments);
    process.waitForFinished(30000);
    if (exitCode) {
        *exitCode = process.exitCode();
    }
    return process.readAllStandardOutput();
}

bool havePeers(std::initializer_list<const char*> programs)
{
    return std::all_of(programs.begin(), programs.end(),
                       [](const char* p) { return !QStandardPaths::findExecutable(s(p)).isEmpty(); });
}

} // namespace

class TestHistory : public MonitorTestCase
{
    Q_OBJECT

    qint64 now() const { return m_clock->now().toSecsSinceEpoch(); }
    QString historyPath() const { return m_home->documents() + s("/com.velbor.Carrowen/history.csv"); }
    QString settingsPath() const { return m_home->documents() + s("/com.velbor.Carrowen/TestFile.txt"); }

    AppDelegate& launch()
    {
        MonitorTestCase::launch().ui().intSlider->setValue(1);
        return *m_app;
    }
    // Each second: the clock moves on, then the twelve ticks that end in that second's check.
    void seconds(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_clock->advance(1);
            for (int tick = 0; tick < 12; ++tick) {
                m_app->gameLoop();
            }
        }
    }

    // Ten hours of one run, after a run three days ago that ended (no "stop") in an open outage:
    // down 1 h, paused 1 h, and lines a reader must skip.
    QByteArray handMadeHistory(qint64 n) const
    {
        const qint64 h = 3600, d = 86400;
        return HistoryData::headerLine() + "\n" + "start," + at(n - 3 * d) + ",,,\n" + "down," + at(n - 3 * d + h) +
               ",,,\n" + "start," + at(n - 10 * h) + ",,,\n" + "down," + at(n - 5 * h) +
               ",,,\"dns, timeout \"\"x\"\"\"\n" + "garbage\n\n" + "down,not-a-time,,,\n" + "up," + at(n - 4 * h) +
               "," + at(n - 5 * h) + ",3600,,extra\n" + "up," + at(n - 4 * h) + "," + at(n - 5 * h) + ",3600,\n" +
               "pause," + at(n - 3 * h) + ",,,\n" + "resume," + at(n - 2 * h) + "," + at(n - 3 * h) + ",3600,\n" +
               "up,2026-12-0";
    }

private slots:
    void initTestCase() { Platform::installBackends(Platform::Backends::Null); }

    void init() { setUpMonitor(); }

    void cleanup() { tearDownMonitor(); }

    void controllerRecordsOutagesPausesAndACrash()
    {
        const qint64 t0 = now();
        AppDelegate& app = launch();
        m_probe->setReachable(s("www.debian.org"));
        seconds(3);
        QVERIFY(!QFile::exists(historyPath())); // no outage, no pause: nothing written yet
        m_probe->setReachable(s("www.debian.org"), false);
        seconds(7);
        m_probe->setReachable(s("www.debian.org"));
        seconds(2);
        app.ui().checkingEnabled->setChecked(false);
        app.gameLoop();
        app.gameLoop();
        m_clock->advance(30);
        app.ui().checkingEnabled->setChecked(true);
        app.gameLoop();
        m_probe->setReachable(s("www.debian.org"), false);
        seconds(1);
        m_app.reset(); // ends without quitting, as a crash does
        m_clock->advance(100);
        launch();
        const QByteArray expected = HistoryData::headerLine() + "\nstart," + at(t0) + ",,,\ndown," + at(t0 + 4) +
                                    ",,,address unreachable\nup," + at(t0 + 11) + "," + at(t0 + 4) + ",7,\npause," +
                                    at(t0 + 12) + ",,,\nresume," + at(t0 + 42) + "," + at(t0 + 12) + ",30,\ndown," +
                                    at(t0 + 43) + ",,,address unreachable\nunknown-end," + at(t0 + 143) + "," +
                                    at(t0 + 43) + ",,\nstart," + at(t0 + 143) + ",,,\n";
        QCOMPARE(readAll(historyPath()), expected);

        const HistoryData data = HistoryData::read(historyPath(), m_app->history()->unsavedLines(), now() + 10);
        QCOMPARE(data.outages().at(0).duration(), std::optional<qint64>(7));
        QCOMPARE(data.outages().at(1).endKind, Outage::End::Unknown);
        // Up 4 + 1 + 1 + 10 s, down 7 s; the pause and the crashed run's open outage are not monitored.
        QCOMPARE(data.figures(0).monitored, 23);
        QCOMPARE(data.figures(0).downTime, 7);
        m_app->MenuMain()->actions().last()->trigger(); // History...
        QVERIFY(m_app->windowHistory()->isVisible() && m_app->windowHistory()->model()->rowCount() == 2);
    }

    // Figures worked out by hand, then the exports read back by peers.
    void windowFiguresAndExports()
    {
        const QString path = m_home->path() + s("/history.csv");
        writeAll(path, handMadeHistory(now()));
        OutageHistory history(path);
        HistoryWindow window(&history);
        // 24 h: up 5 h + 1 h + 2 h, down 1 h (before the run ten hours ago nothing was monitored). 7 days:
        // also the hour before the outage that never saw its end; that outage counts, unmeasured.
        QCOMPARE(window.figureText(0, 0), s("88.889 %"));
        QCOMPARE(window.figureText(0, 1), s("90.000 %"));
        QCOMPARE(window.figureText(1, 0) + window.figureText(1, 1), s("12"));
        QCOMPARE(window.figureText(2, 1), s("1 h 00 min 00 s"));
        QVERIFY(window.noteText().contains(s("4 lines")));
        QCOMPARE(window.model()->data(window.model()->index(1, OutageTableModel::End)).toString(), s("unknown end"));
        if (!havePeers({"python3", "pdftotext", "pdfinfo"})) {
            QSKIP("needs python3 and pdftotext, pdfinfo (poppler-utils)");
        }

        const QString csv = m_home->path() + s("/export.csv");
        QVERIFY(window.exportCsv(csv));
        const QByteArray json = run("python3", {s("-c"),
                                                s("import csv, json, sys\n"
                                                  "print(json.dumps(list(csv.reader(open(sys.argv[1], "
                                                  "newline='')))))"),
                                                csv});
        QJsonArray expected{QJsonArray::fromStringList(OutageTableModel::csvHeader())};
        for (int row = 0; row < window.model()->rowCount(); ++row) {
            expected.append(QJsonArray::fromStringList(window.model()->csvRow(row)));
        }
        QCOMPARE(QJsonDocument::fromJson(json).array(), expected);
        QCOMPARE(window.model()->csvRow(0).at(3), s("dns, timeout \"x\""));

        const QString pdf = m_home->path() + s("/report.pdf");
        QVERIFY(window.exportPdf(pdf));
        const QString report = QString::fromUtf8(run("pdftotext", {s("-layout"), pdf, s("-")}));
        for (const QString& figure : {s("88.889 %"), s("90.000 %"), s("unknown end")}) {
            QVERIFY2(report.contains(figure), qPrintable(report));
        }
        QVERIFY(QString::fromUtf8(run("pdfinfo", {pdf})).contains(QRegularExpression(s("Pages:\\s+1\n"))));
    }

    // Another program's file, a line cut off by a crash, a place that cannot be written: what can be
    // read is shown, nothing already there is changed.
    void hostileFilesAreLeftAlone()
    {
        const QString foreign = m_home->path() + s("/foreign.csv");
        writeAll(foreign, "Date;Value\n1;2\n");
        OutageHistory other(foreign);
        other.begin();
        other.outageBegan(s("r"));
        QCOMPARE(readAll(foreign), QByteArray("Date;Value\n1;2\n"));
        HistoryData data = HistoryData::read(foreign, other.unsavedLines(), now());
        QCOMPARE(data.skippedLines(), 2);
        QCOMPARE(data.outages().size(), 1);

        const QString cut = m_home->path() + s("/cut.csv");
        const QByteArray before = HistoryData::headerLine() + "\nstart," + at(now()) + ",,,\ndown,2026-1";
        writeAll(cut, before);
        OutageHistory resumed(cut);
        resumed.begin();
        resumed.outageBegan(QString());
        QVERIFY(readAll(cut).startsWith(before + "\nstart,"));
        data = HistoryData::read(cut, {}, now());
        QCOMPARE(data.skippedLines(), 1);
        QCOMPARE(data.outages().size(), 1);

        const QString blocked = foreign + s("/history.csv"); // below a plain file: cannot be created
        OutageHistory memory(blocked);
        memory.begin();
        memory.setPaused(true);
        QVERIFY(!memory.isSaving());
        HistoryWindow window(&memory);
        QVERIFY(window.noteText().contains(s("cannot be saved")));
    }
    void settingsExportThenImport()
    {
        AppDelegate& app = launch();
        const QString file = m_home->path() + s("/mine.plist");
        app.ui().txtUrl->setText(s("exported.example"));
        QCOMPARE(app.exportSettingsTo(file), QString());
        const QVariantMap exported = Plist::readFile(file)->toMap();
        app.ui().txtUrl->setText(s("changed.example"));
        QCOMPARE(app.importSettingsFrom(file), QString());
        QCOMPARE(app.ui().txtUrl->text(), s("exported.example"));
        QCOMPARE(Plist::readFile(settingsPath())->toMap(), exported); // and saved as the settings
    }

    void settingsImportRefusesForeignFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("says");
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10)
                                << s("not a property list");
        QTest::newRow("huge") << QByteArray(2 * 1024 * 1024, ' ') << s("too large");
        QTest::newRow("array") << *Plist::toXml(QVariantList{1, 2}) << s("no dictionary");
        QVariantMap wrong{{s("gen0"), s("wrong.example")}, {s("gen1"), s("")}};
        for (int i = 2; i < 24; ++i) {
            wrong.insert(s("gen%1").arg(i), 0);
        }
        QTest::newRow("wrong type") << *Plist::toXml(wrong) << s("\"gen2\" is not a text");
        QTest::newRow("other keys") << *Plist::toXml(QVariantMap{{s("Name"), s("x")}}) << s("\"gen0\" is missing");
    }

    void settingsImportRefusesForeignFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        AppDelegate& app = launch();
        const QString file = m_home->path() + s("/other");
        writeAll(file, bytes);
        const QByteArray before = readAll(settingsPath());
        const QString error = app.importSettingsFrom(file);
        QVERIFY2(error.contains(says) && error.contains(s("unchanged")), qPrintable(error));
        QCOMPARE(app.ui().txtUrl->text(), s("www.debian.org"));
        QCOMPARE(readAll(settingsPath()), before);
    }

    void startAtLoginEntry()
    {
        if (!havePeers({"desktop-file-validate"})) {
            QSKIP("needs desktop-file-validate (desktop-file-utils)");
        }
        AppDelegate& app = launch();
        const QString entry = m_home->path() + s("/.config/autostart/carrowen.desktop");
        app.startAtLoginBox()->click();
        int code = -1;
        const QByteArray said = run("desktop-file-validate", {entry}, &code);
        QVERIFY2(QFile::exists(entry) && code == 0, said.constData());
        app.startAtLoginBox()->click();
        QVERIFY(!QFile::exists(entry) && !app.startAtLoginBox()->isChecked());
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
