#pragma once

#include <QDateTime>
#include <QString>

/**
 * What an archive knows about one entry, read once when the record is made: name (UTF-8 decoded),
 * uncompressed length, compression level (0 stored, -1 default, 1 fastest, 9 best), whether the
 * entry is encrypted, compressed size, modification time in local time, and CRC-32.
 *
 * Lengths and sizes are what the archive claims; readers must not trust them for allocation.
 */
class FileInZipInfo
{
public:
    FileInZipInfo() = default;
    /** A record holding exactly the values given. */
    FileInZipInfo(const QString& name, quint64 length, int level, bool crypted, quint64 size, const QDateTime& date,
                  quint64 crc32);

    /** The entry's name as stored. */
    QString name() const { return m_name; }
    /** Uncompressed size in bytes, as claimed by the archive. */
    quint64 length() const { return m_length; }
    /** 0 stored, -1 default, 1 fastest, 9 best. */
    int level() const { return m_level; }
    /** Whether bit 0 of the entry's general-purpose flags is set (a password is needed). */
    bool crypted() const { return m_crypted; }
    /** Compressed size in bytes, as claimed by the archive. */
    quint64 size() const { return m_size; }
    /** The entry's modification time, local calendar. */
    QDateTime date() const { return m_date; }
    /** The entry's CRC-32. */
    quint64 crc32() const { return m_crc32; }

private:
    QString m_name;
    quint64 m_length = 0;
    int m_level = 0;
    bool m_crypted = false;
    quint64 m_size = 0;
    QDateTime m_date;
    quint64 m_crc32 = 0;
};
