#include "TestHome.h"

#include <QDir>
#include <QStandardPaths>

namespace {
const char* const Names[5] = {"HOME", "XDG_DOCUMENTS_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"};
}

TestHome::TestHome()
{
    for (int i = 0; i < 5; ++i) {
        m_had[i] = qEnvironmentVariableIsSet(Names[i]);
        m_saved[i] = qgetenv(Names[i]);
    }
    const QString home = m_dir.path();
    QDir(home).mkpath(QStringLiteral("Documents"));
    qputenv("HOME", home.toUtf8());
    qputenv("XDG_DOCUMENTS_DIR", (home + QStringLiteral("/Documents")).toUtf8());
    qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toUtf8());
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toUtf8());
    qputenv("XDG_CACHE_HOME", (home + QStringLiteral("/.cache")).toUtf8());
    QStandardPaths::setTestModeEnabled(false);
}

TestHome::~TestHome()
{
    for (int i = 0; i < 5; ++i) {
        if (m_had[i]) {
            qputenv(Names[i], m_saved[i]);
        } else {
            qunsetenv(Names[i]);
        }
    }
}
