// The XML form of property lists, written here rather than by libplist: libplist writes reals as
// "%.17g" ("0.10000000000000001", "3") where the platform writes the shortest form ("0.1", "3.0"), and
// it accepts strings that no XML reader can read back.

#include "Plist.h"
#include "PlistValue.h"

#include <QDateTime>
#include <QTimeZone>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using PlistValue::arrayOf;
using PlistValue::hasUnpairedSurrogate;
using PlistValue::integerOf;
using PlistValue::kindOf;
using PlistValue::sortedEntries;
using PlistValue::ValueKind;

// A double the way the platform's writer prints it: the shortest text that reads back to the same
// value, fixed notation for decimal exponents -4..15 (with ".0" on whole numbers), otherwise
// "1e+16" / "1.5e-05".
QByteArray realText(double v)
{
    if (std::isnan(v)) {
        return QByteArrayLiteral("nan");
    }
    if (std::isinf(v)) {
        return v < 0 ? QByteArrayLiteral("-inf") : QByteArrayLiteral("inf");
    }
    char buf[64];
    const auto result = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string sci(buf, result.ptr);
    std::string sign;
    if (!sci.empty() && sci[0] == '-') {
        sign = "-";
        sci.erase(0, 1);
    }
    const auto ePos = sci.find('e');
    std::string mantissa = sci.substr(0, ePos);
    const int exponent = std::atoi(sci.c_str() + ePos + 1);
    std::string digits;
    for (char c : mantissa) {
        if (c != '.') {
            digits += c;
        }
    }
    const int decpt = exponent + 1;
    const int n = int(digits.size());
    std::string out;
    if (decpt <= -4 || decpt > 16) {
        out = digits.substr(0, 1);
        if (n > 1) {
            out += '.';
            out += digits.substr(1);
        }
        const int e = decpt - 1;
        char ebuf[16];
        std::snprintf(ebuf, sizeof ebuf, "e%c%02d", e < 0 ? '-' : '+', std::abs(e));
        out += ebuf;
    } else if (decpt <= 0) {
        out = "0." + std::string(size_t(-decpt), '0') + digits;
    } else if (decpt >= n) {
        out = digits + std::string(size_t(decpt - n), '0') + ".0";
    } else {
        out = digits.substr(0, size_t(decpt)) + "." + digits.substr(size_t(decpt));
    }
    return QByteArray::fromStdString(sign + out);
}

class XmlWriter
{
public:
    bool write(const QVariant& value)
    {
        m_out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                 "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                 "<plist version=\"1.0\">\n";
        if (!writeValue(value, 0)) {
            return false;
        }
        m_out += "</plist>\n";
        return true;
    }
    QByteArray take() { return std::move(m_out); }

private:
    void line(int level, const QByteArray& text)
    {
        m_out.append(level, '\t');
        m_out += text;
        m_out += '\n';
    }

    // Escaped UTF-8 text; none for characters an XML property list cannot hold.
    static std::optional<QByteArray> escaped(const QString& text)
    {
        if (hasUnpairedSurrogate(text)) {
            return std::nullopt;
        }
        for (QChar c : text) {
            const char16_t u = c.unicode();
            // XML 1.0 has no form for these; a reader would refuse the whole file.
            if ((u < 0x20 && u != '\t' && u != '\n' && u != '\r') || u == 0xFFFE || u == 0xFFFF) {
                return std::nullopt;
            }
        }
        QString s = text;
        s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        s.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
        s.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
        s.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
        return s.toUtf8();
    }

    bool simple(int level, const char* tag, const QByteArray& content)
    {
        line(level, QByteArray("<") + tag + ">" + content + "</" + tag + ">");
        return true;
    }

    bool writeValue(const QVariant& value, int level)
    {
        switch (kindOf(value)) {
        case ValueKind::String: {
            const auto text = escaped(value.toString());
            return text && simple(level, "string", *text);
        }
        case ValueKind::Bool:
            line(level, value.toBool() ? QByteArrayLiteral("<true/>") : QByteArrayLiteral("<false/>"));
            return true;
        case ValueKind::Integer: {
            const auto i = integerOf(value);
            return i && simple(level, "integer", QByteArray::number(*i));
        }
        case ValueKind::Real:
            return simple(level, "real", realText(value.toDouble()));
        case ValueKind::Data:
            writeData(value.toByteArray(), level);
            return true;
        case ValueKind::Date: {
            const QDateTime date = value.toDateTime().toUTC();
            if (!date.isValid() || date.date().year() < 1 || date.date().year() > 9999) {
                return false;
            }
            const QDate d = date.date();
            const QTime t = date.time();
            char buf[32];
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02dZ", d.year(), d.month(), d.day(), t.hour(),
                          t.minute(), t.second());
            return simple(level, "date", QByteArray(buf));
        }
        case ValueKind::Array: {
            const QVariantList list = arrayOf(value);
            if (list.isEmpty()) {
                line(level, QByteArrayLiteral("<array/>"));
                return true;
            }
            line(level, QByteArrayLiteral("<array>"));
            for (const QVariant& item : list) {
                if (!writeValue(item, level + 1)) {
                    return false;
                }
            }
            line(level, QByteArrayLiteral("</array>"));
            return true;
        }
        case ValueKind::Dict: {
            const auto entries = sortedEntries(value);
            if (entries.empty()) {
                line(level, QByteArrayLiteral("<dict/>"));
                return true;
            }
            line(level, QByteArrayLiteral("<dict>"));
            for (const auto& [key, item] : entries) {
                const auto keyText = escaped(key);
                if (!keyText) {
                    return false;
                }
                simple(level + 1, "key", *keyText);
                if (!writeValue(item, level + 1)) {
                    return false;
                }
            }
            line(level, QByteArrayLiteral("</dict>"));
            return true;
        }
        case ValueKind::Uid:
        case ValueKind::Invalid:
            break;
        }
        return false;
    }

    // Base64 in lines whose length shrinks with the indentation (a tab counted as 8 columns, at least
    // 16 characters), at the indentation of the <data> element itself.
    void writeData(const QByteArray& data, int level)
    {
        line(level, QByteArrayLiteral("<data>"));
        const int maxLine = std::max(16, 76 - 8 * level);
        const qsizetype chunk = (maxLine / 4) * 3;
        for (qsizetype i = 0; i < data.size(); i += chunk) {
            line(level, data.mid(i, chunk).toBase64());
        }
        line(level, QByteArrayLiteral("</data>"));
    }

    QByteArray m_out;
};

} // namespace

std::optional<QByteArray> Plist::toXml(const QVariant& value)
{
    XmlWriter writer;
    if (!writer.write(value)) {
        return std::nullopt;
    }
    return writer.take();
}
