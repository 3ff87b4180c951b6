#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

/**
 * The one failure the archive classes report: a reason text and, when the zip library produced it,
 * the library's error code (0 otherwise). Its name is always "ZipException". Thrown by value,
 * caught by reference; nothing in the archive classes catches it.
 */
class ZipException : public std::exception
{
public:
    /** A failure that did not come from the zip library: error() answers 0. */
    explicit ZipException(const QString& reason);
    /** A failure the zip library reported with the code error. */
    ZipException(qint64 error, const QString& reason);

    /** Always "ZipException". */
    QString name() const;
    /** The reason text given at creation. */
    QString reason() const { return m_reason; }
    /** The zip library's error code, 0 when the failure did not come from the library. */
    qint64 error() const { return m_error; }
    /** The reason as UTF-8, for std::exception handlers. */
    const char* what() const noexcept override;

private:
    QString m_reason;
    QByteArray m_what;
    qint64 m_error = 0;
};
