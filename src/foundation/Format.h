#pragma once

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <type_traits>

/**
 * Renders a value the way "%@" shows it: strings as they are, numbers plainly, booleans as 1 or 0,
 * arrays "(\n    a,\n    b\n)", dictionaries "{\n    key = value;\n}" with sorted keys, data
 * "<0a0b0c0d 0e>", dates "2026-12-05 09:05:03 +0000" (UTC), and "(null)" for no value.
 */
QString describe(const QVariant& value);

/** Appends describe() of data ("<0a0b0c0d 0e>", ASCII) to out as bytes, in one pass. */
void appendDataDescription(QByteArray& out, QByteArrayView data);

/**
 * printf-style formatting over QVariant arguments: %@ (describe), %d %i %u %x %X %o with the h, l,
 * ll, q and z lengths, %f %F %e %E %g %G with precision, %s, %c, %p and %%, flags "-+ 0#", widths and
 * precisions (also "*"). Each conversion takes its argument by value, whatever the argument's type
 * (a double printed with %d is truncated, a number printed with %@ is described): never undefined.
 * A missing argument prints as "(null)" for %@ and %s, and as 0 for numbers. Numeric conversions print
 * exactly what C's printf prints in the C locale ("%.0f" of 0.5 is "0", of -0.0 is "-0").
 */
QString formatList(QStringView format, const QVariantList& args);

namespace format_detail {
inline QVariant toArg(const char* text)
{
    return QString::fromUtf8(text);
}
inline QVariant toArg(char* text)
{
    return QString::fromUtf8(text);
}
inline QVariant toArg(const QString& text)
{
    return text;
}
inline QVariant toArg(QStringView text)
{
    return text.toString();
}
inline QVariant toArg(QChar c)
{
    return QVariant::fromValue(c);
}
inline QVariant toArg(char c)
{
    return int(c);
}
inline QVariant toArg(float f)
{
    return double(f);
}
inline QVariant toArg(long v)
{
    return qint64(v);
}
inline QVariant toArg(unsigned long v)
{
    return quint64(v);
}
inline QVariant toArg(const QVariant& v)
{
    return v;
}
template <typename T> QVariant toArg(T* pointer)
{
    return QVariant::fromValue(quintptr(pointer));
}
template <typename T> QVariant toArg(const T& value)
{
    if constexpr (std::is_enum_v<T>) {
        return QVariant::fromValue(qint64(value));
    } else {
        return QVariant::fromValue(value);
    }
}
} // namespace format_detail

/** format(u"%@ has %d items"_s, name, count): see formatList. */
template <typename... Args> QString format(QStringView fmt, const Args&... args)
{
    return formatList(fmt, QVariantList{format_detail::toArg(args)...});
}

template <typename... Args> QString format(const QString& fmt, const Args&... args)
{
    return formatList(fmt, QVariantList{format_detail::toArg(args)...});
}

template <typename... Args> QString format(const char* fmt, const Args&... args)
{
    return formatList(QString::fromUtf8(fmt), QVariantList{format_detail::toArg(args)...});
}
