#include "Format.h"

#include "PlistValue.h"

#include <QTimeZone>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

#include <locale.h>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// One numeric conversion printed by the C library itself, in the C locale: Qt's own printf rounds
// exact ties away from zero and drops the sign of -0, where C prints "0" for 0.5 with "%.0f" and
// "-0" for -0.0.
QString cPrintf(const char* conversion, ...)
{
    static const locale_t cLocale = ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const locale_t previous = ::uselocale(cLocale);
    char small[128];
    va_list args;
    va_start(args, conversion);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, conversion, args);
    va_end(args);
    QString out;
    if (length >= 0 && size_t(length) < sizeof small) {
        out = QString::fromLatin1(small, length);
    } else if (length >= 0) {
        QByteArray large(length + 1, '\0');
        std::vsnprintf(large.data(), size_t(large.size()), conversion, again);
        out = QString::fromLatin1(large.constData(), length);
    }
    va_end(again);
    ::uselocale(previous);
    return out;
}

QString indentLines(const QString& text)
{
    QString out = text;
    out.replace(u'\n', QStringLiteral("\n    "));
    return out;
}

QString describeList(const QVariantList& list)
{
    if (list.isEmpty()) {
        return QStringLiteral("(\n)");
    }
    QString out = QStringLiteral("(\n");
    for (qsizetype i = 0; i < list.size(); ++i) {
        out += QStringLiteral("    ") + indentLines(describe(list.at(i)));
        out += (i + 1 < list.size()) ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    return out + u')';
}

QString describeMap(const QVariantMap& map)
{
    QString out = QStringLiteral("{\n");
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        out += QStringLiteral("    ") + it.key() + QStringLiteral(" = ") + indentLines(describe(it.value())) +
               QStringLiteral(";\n");
    }
    return out + u'}';
}

QString describeData(const QByteArray& data)
{
    QByteArray text;
    appendDataDescription(text, data);
    return QString::fromLatin1(text);
}

// The argument as a 64-bit integer: doubles are truncated (saturating, NaN as 0), texts and other
// values use their integer reading or 0.
qint64 asInt64(const QVariant& v)
{
    if (!v.isValid()) {
        return 0;
    }
    if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong) {
        return qint64(v.toULongLong());
    }
    if (PlistValue::isIntegerOrBool(v)) {
        return v.toLongLong();
    }
    if (v.typeId() == QMetaType::QChar) {
        return v.value<QChar>().unicode();
    }
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float) {
        const double d = v.toDouble();
        if (std::isnan(d)) {
            return 0;
        }
        if (d >= 9223372036854775807.0) {
            return std::numeric_limits<qint64>::max();
        }
        if (d <= -9223372036854775808.0) {
            return std::numeric_limits<qint64>::min();
        }
        return qint64(d);
    }
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    return ok ? n : 0;
}

double asDouble(const QVariant& v)
{
    if (!v.isValid()) {
        return 0.0;
    }
    if (v.typeId() == QMetaType::ULongLong || v.typeId() == QMetaType::ULong) {
        return double(v.toULongLong());
    }
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d : 0.0;
}

QString asText(const QVariant& v)
{
    if (!v.isValid()) {
        return QStringLiteral("(null)");
    }
    return describe(v);
}

QString pad(const QString& text, int width, bool left, QChar fill = u' ')
{
    if (width <= text.size()) {
        return text;
    }
    const QString padding(width - text.size(), fill);
    return left ? text + padding : padding + text;
}

} // namespace

void appendDataDescription(QByteArray& out, QByteArrayView data)
{
    // Received messages describe megabytes.
    constexpr char hex[] = "0123456789abcdef";
    const qsizetype n = data.size();
    const qsizetype at = out.size();
    out.resize(at + 2 + 2 * n + (n > 0 ? (n - 1) / 4 : 0));
    char* p = out.data() + at;
    const auto* in = reinterpret_cast<const uchar*>(data.data());
    *p++ = '<';
    qsizetype i = 0;
#ifdef __SSE2__
    // Sixteen bytes (four groups) at a time: nibbles split and turned into digits side by side.
    const __m128i low4 = _mm_set1_epi8(0x0F);
    const auto digits = [](__m128i nibbles) {
        const __m128i letters = _mm_and_si128(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9)), _mm_set1_epi8(39));
        return _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')), letters);
    };
    for (; i + 16 < n; i += 16) { // followed by more bytes, so every group ends in a blank
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), low4);
        const __m128i low = _mm_and_si128(bytes, low4);
        const __m128i first = digits(_mm_unpacklo_epi8(high, low));  // groups 1 and 2
        const __m128i second = digits(_mm_unpackhi_epi8(high, low)); // groups 3 and 4
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), first);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 9), _mm_unpackhi_epi64(first, first));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 18), second);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 27), _mm_unpackhi_epi64(second, second));
        p[8] = p[17] = p[26] = p[35] = ' ';
        p += 36;
    }
#endif
    for (; i < n; ++i) {
        *p++ = hex[in[i] >> 4];
        *p++ = hex[in[i] & 15];
        if (i % 4 == 3 && i + 1 < n) {
            *p++ = ' ';
        }
    }
    *p = '>';
}

QString describe(const QVariant& value)
{
    if (!value.isValid() ||
        (value.isNull() && value.typeId() != QMetaType::QString && value.typeId() != QMetaType::QByteArray)) {
        return QStringLiteral("(null)");
    }
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QChar:
        return QString(value.value<QChar>());
    case QMetaType::QByteArray:
        return describeData(value.toByteArray());
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" +0000");
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return describeList(value.toList());
    case QMetaType::QVariantMap:
        return describeMap(value.toMap());
    case QMetaType::QVariantHash: {
        const QVariantHash hash = value.toHash();
        QVariantMap map;
        for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
            map.insert(it.key(), it.value());
        }
        return describeMap(map);
    }
    default:
        break;
    }
    if (PlistValue::isIntegerOrBool(value)) {
        return value.toString();
    }
    if (value.canConvert<QString>()) {
        return value.toString();
    }
    return QString::fromLatin1(value.typeName() ? value.typeName() : "(unknown)");
}

QString formatList(QStringView fmt, const QVariantList& args)
{
    QString out;
    out.reserve(fmt.size() + 16 * args.size());
    qsizetype next = 0;
    auto take = [&]() -> QVariant { return next < args.size() ? args.at(next++) : QVariant(); };

    const qsizetype n = fmt.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = fmt[i];
        if (c != u'%') {
            out += c;
            continue;
        }
        const qsizetype start = i;
        ++i;
        bool left = false, plus = false, space = false, zero = false, alt = false;
        for (; i < n; ++i) {
            const QChar f = fmt[i];
            if (f == u'-')
                left = true;
            else if (f == u'+')
                plus = true;
            else if (f == u' ')
                space = true;
            else if (f == u'0')
                zero = true;
            else if (f == u'#')
                alt = true;
            else
                break;
        }
        int width = -1;
        if (i < n && fmt[i] == u'*') {
            width = int(asInt64(take()));
            if (width < 0) {
                left = true;
                width = -width;
            }
            ++i;
        } else {
            for (; i < n && fmt[i].isDigit(); ++i) {
                width = qMin(4096, (width < 0 ? 0 : width) * 10 + fmt[i].digitValue());
            }
        }
        int precision = -1;
        if (i < n && fmt[i] == u'.') {
            ++i;
            precision = 0;
            if (i < n && fmt[i] == u'*') {
                precision = qMax(-1, int(asInt64(take())));
                ++i;
            } else {
                for (; i < n && fmt[i].isDigit(); ++i) {
                    precision = qMin(4096, precision * 10 + fmt[i].digitValue());
                }
            }
        }
        int longness = 0; // 0 int, 1 long/long long, -1 short, -2 char
        for (; i < n; ++i) {
            const QChar l = fmt[i];
            if (l == u'l' || l == u'q' || l == u'z' || l == u'j' || l == u't' || l == u'L')
                longness = 1;
            else if (l == u'h')
                longness = longness < 0 ? -2 : -1;
            else
                break;
        }
        if (i >= n) {
            // A lone or unfinished "%" at the end is copied as it stands.
            out += fmt.mid(start);
            break;
        }
        const char16_t conv = fmt[i].unicode();

        QByteArray printfSpec = "%";
        if (left)
            printfSpec += '-';
        if (plus)
            printfSpec += '+';
        if (space)
            printfSpec += ' ';
        if (zero)
            printfSpec += '0';
        if (alt)
            printfSpec += '#';
        if (width >= 0)
            printfSpec += QByteArray::number(width);
        if (precision >= 0)
            printfSpec += '.' + QByteArray::number(precision);

        switch (conv) {
        case u'%':
            out += u'%';
            break;
        case u'@': {
            QString text = asText(take());
            if (precision >= 0)
                text.truncate(precision);
            out += pad(text, width, left);
            break;
        }
        case u's': {
            const QVariant v = take();
            QString text =
                v.isValid() ? (v.typeId() == QMetaType::QByteArray ? QString::fromUtf8(v.toByteArray()) : describe(v))
                            : QStringLiteral("(null)");
            if (precision >= 0)
                text.truncate(precision);
            out += pad(text, width, left);
            break;
        }
        case u'c': {
            const QVariant v = take();
            QString text;
            if (v.typeId() == QMetaType::QChar) {
                text = QString(v.value<QChar>());
            } else if (v.typeId() == QMetaType::QString) {
                text = v.toString().left(1);
            } else {
                const qint64 code = asInt64(v);
                if (code > 0 && code <= 0x10FFFF) {
                    const char32_t cp = char32_t(code);
                    text = QString::fromUcs4(&cp, 1);
                }
            }
            out += pad(text, width, left);
            break;
        }
        case u'd':
        case u'i': {
            qint64 value = asInt64(take());
            if (longness == 0)
                value = qint32(quint32(quint64(value)));
            else if (longness == -1)
                value = qint16(quint16(quint64(value)));
            else if (longness == -2)
                value = qint8(quint8(quint64(value)));
            printfSpec += "lld";
            out += cPrintf(printfSpec.constData(), static_cast<long long>(value));
            break;
        }
        case u'u':
        case u'x':
        case u'X':
        case u'o': {
            quint64 value = quint64(asInt64(take()));
            if (longness == 0)
                value = quint32(value);
            else if (longness == -1)
                value = quint16(value);
            else if (longness == -2)
                value = quint8(value);
            printfSpec += "ll";
            printfSpec += char(conv);
            out += cPrintf(printfSpec.constData(), static_cast<unsigned long long>(value));
            break;
        }
        case u'f':
        case u'F':
        case u'e':
        case u'E':
        case u'g':
        case u'G':
        case u'a':
        case u'A': {
            printfSpec += char(conv);
            out += cPrintf(printfSpec.constData(), asDouble(take()));
            break;
        }
        case u'p': {
            out += pad(QStringLiteral("0x") + QString::number(quint64(asInt64(take())), 16), width, left);
            break;
        }
        default:
            // Unknown conversions are copied unchanged and consume nothing.
            out += fmt.mid(start, i - start + 1);
            break;
        }
    }
    return out;
}
