// The XML property-list reader. Not libplist's: it takes dates outside 1933-2069 and junk dates
// silently wrong, wraps out-of-range integers and depends on LC_NUMERIC.

#include "Plist.h"
#include "PlistValue.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <charconv>
#include <cmath>
#include <limits>

namespace {

class XmlReader
{
public:
    explicit XmlReader(const QByteArray& bytes) : m_xml(bytes) {}

    std::optional<QVariant> read()
    {
        if (!nextElement() || !m_xml.isStartElement()) {
            return std::nullopt;
        }
        const bool wrapped = m_xml.name() == QLatin1String("plist");
        if (wrapped && (!nextElement() || !m_xml.isStartElement())) {
            return std::nullopt;
        }
        std::optional<QVariant> value = readValue(1);
        if (!value) {
            return std::nullopt;
        }
        if (wrapped && (!nextElement() || !m_xml.isEndElement())) {
            return std::nullopt;
        }
        // Only white space, comments and processing instructions may follow.
        while (!m_xml.atEnd()) {
            const auto token = m_xml.readNext();
            if (token == QXmlStreamReader::StartElement ||
                (token == QXmlStreamReader::Characters && !m_xml.isWhitespace())) {
                return std::nullopt;
            }
        }
        if (m_xml.hasError()) {
            return std::nullopt;
        }
        return value;
    }

private:
    // Advances to the next start or end element; false at the end or on an error or stray text.
    bool nextElement()
    {
        while (!m_xml.atEnd()) {
            switch (m_xml.readNext()) {
            case QXmlStreamReader::StartElement:
            case QXmlStreamReader::EndElement:
                return true;
            case QXmlStreamReader::Characters:
                if (!m_xml.isWhitespace()) {
                    return false;
                }
                break;
            case QXmlStreamReader::EntityReference:
            case QXmlStreamReader::Invalid:
                return false;
            default:
                break;
            }
        }
        return false;
    }

    std::optional<QString> text()
    {
        const QString t = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError()) {
            return std::nullopt;
        }
        return t;
    }

    bool spend() { return ++m_values <= Plist::MaxValues; }

    std::optional<QVariant> readValue(int depth)
    {
        if (!spend()) {
            return std::nullopt;
        }
        const QStringView name = m_xml.name();
        if (name == QLatin1String("dict")) {
            if (depth > Plist::MaxDepth) {
                return std::nullopt;
            }
            QVariantMap map;
            for (;;) {
                if (!nextElement()) {
                    return std::nullopt;
                }
                if (m_xml.isEndElement()) {
                    return map;
                }
                if (m_xml.name() != QLatin1String("key")) {
                    return std::nullopt;
                }
                const auto key = text();
                if (!key || !nextElement() || !m_xml.isStartElement()) {
                    return std::nullopt;
                }
                auto item = readValue(depth + 1);
                if (!item) {
                    return std::nullopt;
                }
                map.insert(*key, *item);
            }
        }
        if (name == QLatin1String("array")) {
            if (depth > Plist::MaxDepth) {
                return std::nullopt;
            }
            QVariantList list;
            for (;;) {
                if (!nextElement()) {
                    return std::nullopt;
                }
                if (m_xml.isEndElement()) {
                    return list;
                }
                auto item = readValue(depth + 1);
                if (!item) {
                    return std::nullopt;
                }
                list.append(*item);
            }
        }
        const auto content = text();
        if (!content) {
            return std::nullopt;
        }
        if (name == QLatin1String("string")) {
            return QVariant(*content);
        }
        if (name == QLatin1String("integer")) {
            return integerFrom(content->trimmed());
        }
        if (name == QLatin1String("real")) {
            bool ok = false;
            const double d = content->trimmed().toDouble(&ok); // always the C locale's format
            return ok ? std::optional<QVariant>(d) : std::nullopt;
        }
        if (name == QLatin1String("true") || name == QLatin1String("false")) {
            if (!content->trimmed().isEmpty()) {
                return std::nullopt;
            }
            return QVariant(name == QLatin1String("true"));
        }
        if (name == QLatin1String("date")) {
            return dateFrom(content->trimmed());
        }
        if (name == QLatin1String("data")) {
            QByteArray base64 = content->toLatin1();
            base64.replace(' ', "").replace('\t', "").replace('\n', "").replace('\r', "");
            auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded) {
                return std::nullopt;
            }
            return QVariant(decoded.decoded);
        }
        return std::nullopt;
    }

    // Decimal with an optional sign, or hexadecimal after "0x"; values up to 2^64-1 wrap into qint64.
    static std::optional<QVariant> integerFrom(const QString& t)
    {
        bool ok = false;
        if (t.startsWith(QLatin1String("0x")) || t.startsWith(QLatin1String("0X"))) {
            const quint64 u = t.mid(2).toULongLong(&ok, 16);
            return ok ? std::optional<QVariant>(qint64(u)) : std::nullopt;
        }
        const qint64 i = t.toLongLong(&ok, 10);
        if (ok) {
            return QVariant(i);
        }
        const quint64 u = t.toULongLong(&ok, 10);
        if (ok && !t.startsWith(QLatin1Char('-')) && !t.startsWith(QLatin1Char('+'))) {
            return QVariant(qint64(u));
        }
        return std::nullopt;
    }

    // "YYYY[-MM[-DD[Thh[:mm[:ss]]]]]Z", in UTC.
    static std::optional<QVariant> dateFrom(const QString& t)
    {
        static const QRegularExpression pattern(
            QStringLiteral("^(\\d\\d\\d\\d)(?:-(\\d\\d)(?:-(\\d\\d)(?:T(\\d\\d)(?::(\\d\\d)(?::(\\d\\d))?)?)?)?)?Z$"));
        const auto m = pattern.match(t);
        if (!m.hasMatch()) {
            return std::nullopt;
        }
        auto field = [&m](int i, int fallback) {
            return m.capturedView(i).isEmpty() ? fallback : m.capturedView(i).toInt();
        };
        const QDate date(field(1, 1), field(2, 1), field(3, 1));
        const QTime time(field(4, 0), field(5, 0), field(6, 0));
        if (!date.isValid() || !time.isValid() || date.year() < 1) {
            return std::nullopt;
        }
        return QVariant(QDateTime(date, time, QTimeZone::utc()));
    }

    QXmlStreamReader m_xml;
    qint64 m_values = 0;
};

} // namespace

std::optional<QVariant> PlistValue::readXml(const QByteArray& bytes)
{
    return XmlReader(bytes).read();
}
