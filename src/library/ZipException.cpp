#include "ZipException.h"

ZipException::ZipException(const QString& reason) : ZipException(0, reason) {}

ZipException::ZipException(qint64 error, const QString& reason)
    : m_reason(reason), m_what(reason.toUtf8()), m_error(error)
{
}

QString ZipException::name() const
{
    return QStringLiteral("ZipException");
}

const char* ZipException::what() const noexcept
{
    return m_what.constData();
}
