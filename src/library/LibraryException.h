#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

/**
 * The error a withdrawn library operation raises: a name and a reason text. Thrown by value, caught by
 * reference.
 */
class LibraryException : public std::exception
{
public:
    LibraryException(const QString& name, const QString& reason);

    QString name() const { return m_name; }
    QString reason() const { return m_reason; }
    /** The reason as UTF-8, for std::exception handlers. */
    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_name;
    QString m_reason;
    QByteArray m_what;
};
