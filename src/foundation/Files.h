#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/**
 * Small file helpers shared by every layer: directory entries, bounded whole-file reads, text
 * decoding and the ASCII test of texts written to files.
 */
namespace files {

/** Texts of at most this size are read whole: 32 MiB, far above any text the programs keep. */
inline constexpr qint64 MaxTextBytes = 32 * 1024 * 1024;

/** The entry names of a directory, unsorted, without "." and ".."; empty when it cannot be read. */
QStringList directoryEntries(const QString& dirPath);
/** The same as raw bytes, for code that works below the file-name encoding. */
QList<QByteArray> directoryEntryBytes(const QByteArray& dirPath);

/** The bytes of path when it is a regular file of at most maxBytes; none otherwise. Never blocks on a
 *  pipe or device, and the bound holds even for a file that grows while it is read. */
std::optional<QByteArray> readBoundedFile(const QString& path, qint64 maxBytes);

/** Bytes as text: the encoding comes from a byte-order mark when there is one; otherwise UTF-8 (which
 *  covers ASCII), unmarked UTF-16, or Latin-1 for other 8-bit text. None for binary bytes (NUL or
 *  other control characters that text files do not hold). "" for no bytes. */
std::optional<QString> decodeText(const QByteArray& bytes);

/** readBoundedFile() of at most MaxTextBytes, then decodeText(). */
std::optional<QString> readTextFile(const QString& path);

/** Whether every character of text is 7-bit ASCII. */
bool isAscii(QStringView text);

} // namespace files
