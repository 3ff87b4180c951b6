#include "FakeKeyEvents.h"
#include "FakeWorkspace.h"
#include "Format.h"
#include "Mac_system.h"
#include "Platform.h"
#include "Resources.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/types.h>

namespace {
using Key = FakeKeyEvents::Key;
constexpr std::uint64_t Shift = 0x20000;
constexpr std::uint64_t Cmd = 0x100000;

// Sets an environment variable for the lifetime of the object.
class EnvVar
{
public:
    EnvVar(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~EnvVar()
    {
        if (m_had) {
            qputenv(m_name, m_old);
        } else {
            qunsetenv(m_name);
        }
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

bool processAlive(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == 0;
}
} // namespace

class TestMacSystem : public QObject
{
    Q_OBJECT

    Mac_system* sys = Mac_system::sharedEngineInstance();
    std::shared_ptr<FakeKeyEvents> keys;
    QString startDir = QDir::currentPath();

private slots:
    void initTestCase()
    {
        Platform::installBackends(Platform::Backends::Linux);
        QVERIFY(sys->st());
    }

    void init()
    {
        keys = std::make_shared<FakeKeyEvents>();
        Platform::setKeyEvents(keys);
    }

    void cleanup() { QDir::setCurrent(startDir); }

    void output_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("final newline kept")
            << QStringLiteral("printf 'a\\nb\\n'") << std::optional(QStringLiteral("a\nb\n"));
        QTest::newRow("nothing printed") << QStringLiteral("true") << std::optional(QString());
        QTest::newRow("standard error not returned")
            << QStringLiteral("echo oops >&2; echo out") << std::optional(QStringLiteral("out\n"));
        QTest::newRow("failure returns what it printed")
            << QStringLiteral("echo partial; exit 3") << std::optional(QStringLiteral("partial\n"));
        QTest::newRow("UTF-8") << QStringLiteral("printf 'caf\\303\\251'")
                               << std::optional(QStringLiteral(u"caf\u00e9"));
        QTest::newRow("invalid UTF-8") << QStringLiteral("printf 'ab\\377'") << std::optional<QString>();
        QTest::newRow("truncated UTF-8") << QStringLiteral("printf 'caf\\303'") << std::optional<QString>();
        QTest::newRow("command unchanged")
            << QStringLiteral("set -- \"x  y\"; printf '[%s]' \"$1\"") << std::optional(QStringLiteral("[x  y]"));
        QTest::newRow("unknown command") << QStringLiteral("no-such-command-here 2>/dev/null")
                                         << std::optional(QString());
        QTest::newRow("a child keeping the output is waited for")
            << QStringLiteral("(sleep 0.2; echo late) & echo early") << std::optional(QStringLiteral("early\nlate\n"));
    }
    void output()
    {
        QFETCH(QString, command);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(sys->tm(command), expected);
    }

    void largeOutput()
    {
        const std::optional<QString> out = sys->terminal(QStringLiteral("head -c 300000 /dev/zero | tr '\\0' x"));
        QVERIFY(out);
        QCOMPARE(out->size(), 300000);
    }

    void runsInTheCurrentDirectory()
    {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        QCOMPARE(sys->tm(QStringLiteral("pwd -P")), QDir(dir.path()).canonicalPath() + QLatin1Char('\n'));
    }

    void aDetachedChildDoesNotHoldTheCaller()
    {
        // The child's output goes elsewhere, so tm: returns while it still runs.
        const std::optional<QString> out = sys->tm(QStringLiteral("sleep 600 >/dev/null 2>&1 & echo $!"));
        QVERIFY(out);
        const qint64 pid = out->trimmed().toLongLong();
        QVERIFY(processAlive(pid));
        ::kill(pid_t(pid), SIGKILL);
    }

    void openHandsTheAddressToTheDesktopAndReturns()
    {
        // xdg-open without a desktop environment runs $BROWSER and waits for it; this browser keeps
        // running with the output it was given. "open" must still return at once.
        if (QStandardPaths::findExecutable(QStringLiteral("xdg-open")).isEmpty()) {
            QSKIP("needs xdg-open (xdg-utils)");
        }
        QTemporaryDir dir;
        const QString marker = dir.filePath(QStringLiteral("opened"));
        const QString browser = dir.filePath(QStringLiteral("browser"));
        QFile script(browser);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(
            QStringLiteral("#!/bin/sh\necho \"$$ $1\" > '%1.tmp' && mv '%1.tmp' '%1'\necho browsing\nexec sleep 600\n")
                .arg(marker)
                .toUtf8());
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EnvVar env("BROWSER", browser.toUtf8());
        EnvVar display("DISPLAY", QByteArray());

        QCOMPARE(sys->tm(QStringLiteral("open https://www.velbor.example/carrowen")), std::optional(QString()));
        QTRY_VERIFY(QFile::exists(marker));
        QFile file(marker);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> fields = file.readAll().trimmed().split(' ');
        QCOMPARE(fields.size(), 2);
        QCOMPARE(fields[1], QByteArray("https://www.velbor.example/carrowen"));
        const qint64 pid = fields[0].toLongLong();
        QVERIFY(processAlive(pid));
        ::kill(pid_t(pid), SIGKILL);
    }

    void openOfAMissingFileSaysSoOnStandardError()
    {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        QCOMPARE(sys->tm(QStringLiteral("open missing.txt 2>&1")),
                 std::optional(QStringLiteral("open: The file missing.txt does not exist.\n")));
        EnvVar path("PATH", "/nonexistent");
        QVERIFY(sys->tm(QStringLiteral("open missing.txt 2>&1"))->contains(QStringLiteral("xdg-open is missing")));
    }

    void flags_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("cmd");
        QTest::addColumn<bool>("ctl");
        QTest::addColumn<bool>("opt");
        QTest::addColumn<int>("postedCode");
        QTest::addColumn<quint64>("flags");
        QTest::newRow("none") << 0 << false << false << false << false << 0 << quint64(0);
        QTest::newRow("shift and command") << 1 << true << true << false << false << 1 << quint64(0x120000);
        QTest::newRow("all four") << 2 << true << true << true << true << 2 << quint64(0x1E0000);
        QTest::newRow("control") << 3 << false << false << true << false << 3 << quint64(0x40000);
        QTest::newRow("option") << 4 << false << false << false << true << 4 << quint64(0x80000);
        QTest::newRow("low 16 bits") << 0x10005 << false << false << false << false << 5 << quint64(0);
    }
    void flags()
    {
        QFETCH(int, code);
        QFETCH(bool, shift);
        QFETCH(bool, cmd);
        QFETCH(bool, ctl);
        QFETCH(bool, opt);
        QFETCH(int, postedCode);
        QFETCH(quint64, flags);
        sys->postKeycodeShiftCmdCtlOpt(code, shift, cmd, ctl, opt);
        QCOMPARE(keys->posted(), (QList<Key>{{postedCode, flags}}));
    }

    void typing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<Key>>("posted");
        QTest::newRow("Ab") << QStringLiteral("Ab") << QList<Key>{{0, Shift}, {11, 0}};
        QTest::newRow("digits and blank") << QStringLiteral("1 2") << QList<Key>{{18, 0}, {49, 0}, {19, 0}};
        QTest::newRow("missing characters skipped") << QStringLiteral(u"a\u00e9\nb") << QList<Key>{{0, 0}, {11, 0}};
        QTest::newRow("shifted without a key of its own") << QStringLiteral("!x") << QList<Key>{{7, 0}};
        QTest::newRow("empty") << QString() << QList<Key>{};
    }
    void typing()
    {
        QFETCH(QString, text);
        QFETCH(QList<Key>, posted);
        sys->typeChars(text);
        QCOMPARE(keys->posted(), posted);
    }

    void deleting()
    {
        sys->deleteChars(-3);
        sys->deleteChars(0);
        QVERIFY(keys->posted().isEmpty());
        sys->deleteChars(2);
        QCOMPARE(keys->posted(), (QList<Key>{{51, 0}, {51, 0}}));
        keys->clear();
        sys->deleteTypedKeysWithstringShiftKey(QStringLiteral("abc"), QStringLiteral("X"), true);
        QCOMPARE(keys->posted(), (QList<Key>{{51, 0}, {51, 0}, {51, 0}, {7, Shift}}));
    }

    void shortcuts()
    {
        sys->cmd(QStringLiteral("C"));
        sys->cmd(QStringLiteral("v"));
        sys->cmd(QStringLiteral(u"\u00e9"));
        QCOMPARE(keys->posted(), (QList<Key>{{8, Cmd}, {9, Cmd}}));
    }

    void nothingPostedWhenKeysCannotBePosted()
    {
        keys->setCanPost(false);
        sys->typeChars(QStringLiteral("abc"));
        sys->postKeycodeShiftCmdCtlOpt(0, true, false, false, false);
        QVERIFY(keys->posted().isEmpty());
    }

    void pasteboard()
    {
        // The desktop clipboard (QClipboard on the offscreen platform here).
        QVERIFY(sys->clipboardSetString(QStringLiteral("first")));
        QCOMPARE(sys->clipboardGetString(), std::optional(QStringLiteral("first")));
        QVERIFY(sys->clipboardClear(QString()));
        QCOMPARE(sys->clipboardGetString(), std::optional(QString()));
        QVERIFY(sys->clipboardSetString(QStringLiteral(u"\u65e5\u672c")));
        QCOMPARE(sys->clipboardGetString(), std::optional(QStringLiteral(u"\u65e5\u672c")));
    }

    void frontApplicationAndFonts()
    {
        auto workspace = std::make_shared<FakeWorkspace>();
        workspace->setFrontApplication(QStringLiteral("Editor"), QStringLiteral("org.example.editor"));
        workspace->setFontFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Mono")});
        Platform::setWorkspace(workspace);
        QCOMPARE(sys->getFrontApplicationName(), QStringLiteral("Editor"));
        QCOMPARE(sys->getFrontApplicationBundleIdentifier(), QStringLiteral("org.example.editor"));
        QCOMPARE(sys->listAllFontsOnSystem(),
                 describe(QVariant(QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("Mono")})));
        Platform::installBackends(Platform::Backends::Linux);
        // The real font list: every family Qt knows, in one printable list.
        const QString fonts = sys->listAllFontsOnSystem();
        QVERIFY(fonts.startsWith(QLatin1Char('(')));
        QVERIFY(fonts.endsWith(QLatin1Char(')')));
    }
};

QTEST_MAIN(TestMacSystem)
#include "tst_mac_system.moc"
