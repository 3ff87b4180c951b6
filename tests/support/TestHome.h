#pragma once

#include <QString>
#include <QTemporaryDir>

/**
 * Points HOME and the XDG directories at a fresh temporary directory for the lifetime of the object,
 * so that a test never touches the real user's files. The documents directory is HOME/Documents
 * (created). The previous values come back on destruction.
 */
class TestHome
{
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    QString path() const { return m_dir.path(); }
    QString documents() const { return m_dir.path() + QStringLiteral("/Documents"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved[5];
    bool m_had[5] = {};
};
