#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Small helpers the tests share: UTF-8 literals as QString, and a whole file's bytes.

inline QString s(const char* text)
{
    return QString::fromUtf8(text);
}

/** The file's bytes; empty when it cannot be read. */
inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
