#include "Mac_system.h"

#include "Format.h"
#include "KeyEvents.h"
#include "Pasteboard.h"
#include "Platform.h"
#include "ProcessLog.h"
#include "Resources.h"
#include "Strings.h"
#include "Trace.h"
#include "Workspace.h"

#include <QFileInfo>
#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// The directory holding the "open" command that shell commands see first on their PATH; "" when the
// resource directory lacks it (the system's own "open" is used then).
QString openHelperDirectory()
{
    const QString dir = resourceDirectory() + QStringLiteral("/bin");
    const QFileInfo helper(dir + QStringLiteral("/open"));
    return helper.isFile() && helper.isExecutable() ? dir : QString();
}

// This process's environment with helperDir put in front of PATH.
std::vector<std::string> childEnvironment(const QString& helperDir)
{
    std::vector<std::string> env;
    bool sawPath = false;
    const std::string prefix = helperDir.toStdString();
    for (char** e = environ; e && *e; ++e) {
        std::string entry(*e);
        if (!helperDir.isEmpty() && entry.rfind("PATH=", 0) == 0) {
            entry = "PATH=" + prefix + ":" + entry.substr(5);
            sawPath = true;
        }
        env.push_back(std::move(entry));
    }
    if (!helperDir.isEmpty() && !sawPath) {
        env.push_back("PATH=" + prefix + ":/usr/local/bin:/usr/bin:/bin");
    }
    return env;
}

} // namespace

Mac_system::Mac_system() : m_st(Strings::sharedEngineInstance()) {}

std::optional<QString> Mac_system::tm(const QString& command)
{
    return terminal(command);
}

std::optional<QString> Mac_system::terminal(const QString& command)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        TRACE("no pipe for the command: %s", strerror(errno));
        return std::nullopt;
    }
    std::string shell = "/bin/sh";
    std::string option = "-c";
    std::string line = command.toStdString();
    char* argv[] = {shell.data(), option.data(), line.data(), nullptr};
    std::vector<std::string> env = childEnvironment(openHelperDirectory());
    std::vector<char*> envp;
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    // Standard output into the pipe; standard input and error stay this process's. The duplicate on
    // descriptor 1 loses close-on-exec, the original pipe ends keep it.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, shell.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        TRACE("/bin/sh cannot be started: %s", strerror(spawned));
        return std::nullopt;
    }

    // Read to end of file: also what a child left running prints while it keeps the output open.
    QByteArray output;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n > 0) {
            output.append(buffer, qsizetype(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }

    // Strict UTF-8: invalid bytes answer none. A byte-order mark is kept as printed.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(output);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

void Mac_system::postKeycodeFlags(std::uint16_t keyCode, std::uint64_t flags)
{
    const std::shared_ptr<KeyEvents> keys = Platform::keyEvents();
    if (!keys->canPost()) {
        TRACE("%@ (key %d)", keys->unavailableReason(), int(keyCode));
        return;
    }
    if (!keys->postKey(keyCode, flags)) {
        TRACE("cannot post key %d", int(keyCode));
    }
}

void Mac_system::postKeycodeShiftCmdCtlOpt(int keyCode, bool shift, bool cmd, bool ctl, bool opt)
{
    std::uint64_t flags = 0;
    if (shift) {
        flags |= ShiftFlag;
    }
    if (cmd) {
        flags |= CommandFlag;
    }
    if (ctl) {
        flags |= ControlFlag;
    }
    if (opt) {
        flags |= OptionFlag;
    }
    postKeycodeFlags(std::uint16_t(keyCode & 0xFFFF), flags);
}

void Mac_system::postCharacter(const QString& character, std::uint64_t flags)
{
    const int code = m_st->getKeycodeFromString(character);
    if (code < 0) {
        // No key types it: skipped rather than posting a junk key.
        TRACE("no key for \"%@\": skipped", character);
        return;
    }
    postKeycodeFlags(std::uint16_t(code), flags);
}

void Mac_system::cmd(const QString& character)
{
    postCharacter(m_st->changeCaseMode(character, 0), CommandFlag);
}

void Mac_system::typeChars(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; end = finder.toNextBoundary()) {
        const QString element = text.mid(start, end - start);
        start = end;
        if (m_st->isCharKeyboardShift(element)) {
            postCharacter(m_st->changeCaseMode(element, 0), ShiftFlag);
        } else {
            postCharacter(element, 0);
        }
    }
}

void Mac_system::deleteChars(int count)
{
    for (int i = 0; i < count; ++i) {
        postKeycodeFlags(DeleteKeyCode, 0);
    }
}

void Mac_system::deleteTypedKeysWithstringShiftKey(const QString& oldText, const QString& newText, bool)
{
    deleteChars(int(oldText.size()));
    typeChars(newText);
}

bool Mac_system::clipboardSetString(const QString& text)
{
    return Platform::pasteboard()->setString(text);
}

std::optional<QString> Mac_system::clipboardGetString()
{
    return Platform::pasteboard()->string();
}

bool Mac_system::clipboardClear(const QString& text)
{
    return clipboardSetString(text);
}

QString Mac_system::getFrontApplicationName()
{
    return Platform::workspace()->frontApplicationName();
}

QString Mac_system::getFrontApplicationBundleIdentifier()
{
    return Platform::workspace()->frontApplicationIdentifier();
}

QString Mac_system::listAllFontsOnSystem()
{
    return describe(QVariant(Platform::workspace()->fontFamilies()));
}

void Mac_system::greet()
{
    processLog(QStringLiteral("hello from Mac_system"));
}
