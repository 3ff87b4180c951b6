#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

/**
 * One monitor per settings directory. The first copy holds a lock file and listens on a local socket
 * in the user's runtime directory, both named after the documents directory (so that every HOME has its
 * own); a later copy finds the lock taken, tells the first through the socket and should then exit,
 * so that no announcement is spoken or logged twice.
 */
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    /** key names the instance (the documents directory's path). */
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    /** true when this is the only copy (it now listens for later ones); false when a running copy
     *  holds the lock and was told about this start (or could not be reached within a few seconds). */
    bool claim();
    /** The lock file that marks the running copy. */
    QString lockFilePath() const { return m_base + QStringLiteral(".lock"); }

signals:
    /** A later copy was started: the running copy shows itself. */
    void anotherStart();

private:
    // Listens for later starts, which ask this copy to show itself.
    void listen();

    QString m_base;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};
