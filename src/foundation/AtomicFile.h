#pragma once

#include <QByteArray>
#include <QString>

/**
 * Replaces the file at path with bytes in one step (write to a temporary file, then rename).
 * Answers false, leaving any old file untouched, when the directory is missing, path names a
 * directory, or any write fails. A crash never leaves a half-written file behind.
 */
bool writeFileAtomically(const QString& path, const QByteArray& bytes);

/**
 * Appends bytes to the file at path with one write(2) in append mode, creating the file (mode 0644)
 * when missing. Concurrent appenders never interleave within one call's bytes. Answers false when
 * the file cannot be opened or not every byte was written.
 */
bool appendToFile(const QString& path, const QByteArray& bytes);

/**
 * Appends bytes to the file at path as appendToFile() does, then waits until they are on the disk
 * (fdatasync). A write that stops short (disk full) is cut back off, so the file never ends in a
 * partial record. Answers false when the bytes are not all written and synced.
 */
bool appendDurably(const QString& path, const QByteArray& bytes);
