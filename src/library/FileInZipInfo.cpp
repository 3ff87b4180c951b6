#include "FileInZipInfo.h"

FileInZipInfo::FileInZipInfo(const QString& name, quint64 length, int level, bool crypted, quint64 size,
                             const QDateTime& date, quint64 crc32)
    : m_name(name), m_length(length), m_level(level), m_crypted(crypted), m_size(size), m_date(date), m_crc32(crc32)
{
}
