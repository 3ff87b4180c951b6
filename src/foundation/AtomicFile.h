#pragma once

#include <QByteArray>
#include <QString>

/**
 * Replaces the file at path with bytes in one step (write to a temporary file, then rename).
 * Answers false, leaving any old file untouched, when the directory is missing, path names a
 * directory, or any write fails. A crash never leaves a half-written file behind.
 */
bool writeFileAtomically(const QString& path, const QByteArray& bytes);
