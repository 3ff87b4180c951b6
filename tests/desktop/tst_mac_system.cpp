#include "FakeKeyEvents.h"
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

    void output()
    {
        const auto none = std::optional<QString>();
        const std::pair<const char*, std::optional<QString>> cases[] = {
            {"printf 'a\\nb\\n'", QStringLiteral("a\nb\n")},                     // the final newline is kept
            {"echo oops >&2; echo out", QStringLiteral("out\n")},                // standard error is not returned
            {"echo partial; exit 3", QStringLiteral("partial\n")},               // nor is the exit status
            {"printf 'caf\\303\\251'", QStringLiteral(u"caf\u00e9")},            // UTF-8
            {"printf 'ab\\377'", none},                                          // invalid UTF-8
            {"printf 'caf\\303'", none},                                         // truncated UTF-8
            {"set -- \"x  y\"; printf '[%s]' \"$1\"", QStringLiteral("[x  y]")}, // the command unchanged
            {"no-such-command-here 2>/dev/null", QString()},
            {"(sleep 0.2; echo late) & echo early", QStringLiteral("early\nlate\n")}, // output held open
        };
        for (const auto& [command, expected] : cases) {
            QCOMPARE(sys->tm(QString::fromUtf8(command)), expected);
        }
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

    void keysAndTyping()
    {
        sys->postKeycodeShiftCmdCtlOpt(2, true, true, true, true);
        sys->postKeycodeShiftCmdCtlOpt(0x10005, false, false, false, false); // the low 16 bits
        sys->postKeycodeShiftCmdCtlOpt(4, false, false, false, true);
        QCOMPARE(keys->posted(), (QList<Key>{{2, 0x1E0000}, {5, 0}, {4, 0x80000}}));
        // Shifted characters with a key of their own; characters without a key are skipped.
        keys->clear();
        sys->typeChars(QStringLiteral(u"Ab1 \u00e9\n!"));
        QCOMPARE(keys->posted(), (QList<Key>{{0, Shift}, {11, 0}, {18, 0}, {49, 0}}));
        // Deleting a negative count posts nothing; a replacement deletes then types; command keys
        // are lower case; a character without a key is skipped.
        keys->clear();
        sys->deleteChars(-3);
        sys->deleteTypedKeysWithstringShiftKey(QStringLiteral("abc"), QStringLiteral("X"), true);
        sys->cmd(QStringLiteral("C"));
        sys->cmd(QStringLiteral(u"\u00e9"));
        QCOMPARE(keys->posted(), (QList<Key>{{51, 0}, {51, 0}, {51, 0}, {7, Shift}, {8, Cmd}}));
        // Nothing is posted when keys cannot be posted.
        keys->clear();
        keys->setCanPost(false);
        sys->typeChars(QStringLiteral("abc"));
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

    void fontsAreListedAsOneValue()
    {
        // Every family Qt knows, in one printable list.
        const QString fonts = sys->listAllFontsOnSystem();
        QVERIFY(fonts.startsWith(QLatin1Char('(')));
        QVERIFY(fonts.endsWith(QLatin1Char(')')));
    }
};

QTEST_MAIN(TestMacSystem)
#include "tst_mac_system.moc"
