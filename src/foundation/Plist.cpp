#include "Plist.h"

#include "AtomicFile.h"
#include "PlistValue.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTimeZone>
#include <QXmlStreamReader>

#include <plist/plist.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

// Writing XML is done here rather than by libplist because libplist writes reals as "%.17g"
// ("0.10000000000000001", "3") where the platform writes the shortest form ("0.1", "3.0"), and it
// accepts strings that no XML reader can read back. Reading is done here as well: libplist's readers
// take dates outside 1933-2069 and junk dates silently wrong, wrap out-of-range integers, depend on
// LC_NUMERIC, and its binary reader overflows the stack on deeply chained objects and expands shared
// objects exponentially. libplist writes the binary form.

namespace {

using PlistValue::arrayOf;
using PlistValue::hasUnpairedSurrogate;
using PlistValue::integerOf;
using PlistValue::kindOf;
using PlistValue::ReferenceEpochOffset;
using PlistValue::ValueKind;

// Dictionary entries sorted by the code points of their keys (UTF-16 order differs for characters
// beyond the basic plane).
std::vector<std::pair<QString, QVariant>> sortedEntries(const QVariant& value)
{
    std::vector<std::pair<QString, QVariant>> entries;
    if (value.metaType().id() == QMetaType::QVariantHash) {
        const QVariantHash hash = value.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
            entries.emplace_back(it.key(), it.value());
        }
    } else {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            entries.emplace_back(it.key(), it.value());
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first.toUcs4() < b.first.toUcs4(); });
    return entries;
}

// The UTC date-time of seconds since 1970, none when not finite or out of Qt's range.
std::optional<QDateTime> dateFromUnixSeconds(double seconds)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e14) {
        return std::nullopt;
    }
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(qint64(std::floor(seconds * 1000.0 + 0.5)), QTimeZone::utc());
    if (!date.isValid()) {
        return std::nullopt;
    }
    return date;
}

// ------------------------------------------------------------------------------------------------
// XML writer

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

// ------------------------------------------------------------------------------------------------
// Binary writer (libplist)

struct PlistDeleter
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

plist_t toNode(const QVariant& value, int depth)
{
    if (depth > Plist::MaxDepth) {
        return nullptr;
    }
    switch (kindOf(value)) {
    case ValueKind::String: {
        const QString s = value.toString();
        if (hasUnpairedSurrogate(s) || s.contains(QChar(0))) {
            return nullptr; // libplist takes C strings: a NUL would cut the text short
        }
        return plist_new_string(s.toUtf8().constData());
    }
    case ValueKind::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case ValueKind::Integer: {
        const auto i = integerOf(value);
        return i ? plist_new_uint(quint64(*i)) : nullptr;
    }
    case ValueKind::Real:
        return plist_new_real(value.toDouble());
    case ValueKind::Data: {
        const QByteArray data = value.toByteArray();
        return plist_new_data(data.constData(), quint64(data.size()));
    }
    case ValueKind::Date: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid()) {
            return nullptr;
        }
        const qint64 unixMs = date.toMSecsSinceEpoch();
        if (unixMs < -(qint64(1) << 50) || unixMs > (qint64(1) << 50)) {
            return nullptr; // far outside the binary form's range; also keeps the arithmetic in range
        }
        const qint64 ms = unixMs - ReferenceEpochOffset * 1000;
        const qint64 sec = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        const qint64 usec = (ms - sec * 1000) * 1000;
        if (sec < std::numeric_limits<qint32>::min() || sec > std::numeric_limits<qint32>::max()) {
            return nullptr;
        }
        return plist_new_date(qint32(sec), qint32(usec));
    }
    case ValueKind::Uid:
        return plist_new_uid(value.value<Plist::Uid>().value);
    case ValueKind::Array: {
        PlistPtr array(plist_new_array());
        for (const QVariant& item : arrayOf(value)) {
            plist_t node = toNode(item, depth + 1);
            if (!node) {
                return nullptr;
            }
            plist_array_append_item(array.get(), node);
        }
        return array.release();
    }
    case ValueKind::Dict: {
        PlistPtr dict(plist_new_dict());
        for (const auto& [key, item] : sortedEntries(value)) {
            if (hasUnpairedSurrogate(key) || key.contains(QChar(0))) {
                return nullptr;
            }
            plist_t node = toNode(item, depth + 1);
            if (!node) {
                return nullptr;
            }
            plist_dict_set_item(dict.get(), key.toUtf8().constData(), node);
        }
        return dict.release();
    }
    case ValueKind::Invalid:
        break;
    }
    return nullptr;
}

// ------------------------------------------------------------------------------------------------
// XML reader

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

// ------------------------------------------------------------------------------------------------
// Binary reader

class BinaryReader
{
public:
    explicit BinaryReader(const QByteArray& bytes)
        : m_data(reinterpret_cast<const uchar*>(bytes.constData())), m_size(quint64(bytes.size()))
    {
    }

    std::optional<QVariant> read()
    {
        // Header "bplist00", objects, offset table, 32-byte trailer.
        if (m_size < 8 + 1 + 32) {
            return std::nullopt;
        }
        const uchar* trailer = m_data + m_size - 32;
        m_offsetSize = trailer[6];
        m_refSize = trailer[7];
        const quint64 count = be(trailer + 8, 8);
        const quint64 top = be(trailer + 16, 8);
        const quint64 tableOffset = be(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_refSize < 1 || m_refSize > 8 || count == 0 || top >= count ||
            tableOffset < 9 || tableOffset > m_size - 32 || count > (m_size - 32 - tableOffset) / m_offsetSize) {
            return std::nullopt;
        }
        m_tableOffset = tableOffset;
        m_objects.resize(size_t(count));
        if (!decode(top, 1)) {
            return std::nullopt;
        }
        return m_objects[size_t(top)].value;
    }

private:
    struct Object
    {
        enum State : quint8 { Unvisited, InProgress, Done };
        State state = Unvisited;
        int height = 0;
        qint64 values = 0;
        QVariant value;
    };

    static quint64 be(const uchar* p, int n)
    {
        quint64 v = 0;
        for (int i = 0; i < n; ++i) {
            v = (v << 8) | p[i];
        }
        return v;
    }

    // Reads the element count that follows a marker (nibble 0xF means an integer object follows);
    // advances pos past it.
    bool count(quint64& pos, uchar nibble, quint64& out) const
    {
        if (nibble != 0xF) {
            out = nibble;
            return true;
        }
        if (pos >= m_tableOffset) {
            return false;
        }
        const uchar marker = m_data[pos++];
        if ((marker & 0xF0) != 0x10 || (marker & 0x0F) > 3) {
            return false;
        }
        const int n = 1 << (marker & 0x0F);
        if (pos + quint64(n) > m_tableOffset) {
            return false;
        }
        out = be(m_data + pos, n);
        pos += quint64(n);
        return true;
    }

    bool fits(quint64 pos, quint64 count, quint64 unit) const
    {
        return pos <= m_tableOffset && count <= (m_tableOffset - pos) / unit;
    }

    bool decode(quint64 index, int depth)
    {
        Object& slot = m_objects[size_t(index)];
        if (slot.state == Object::InProgress) {
            return false; // a cycle
        }
        if (slot.state == Object::Done) {
            return depth + slot.height - 1 <= Plist::MaxDepth;
        }
        slot.state = Object::InProgress;
        const quint64 pos = be(m_data + m_tableOffset + index * m_offsetSize, m_offsetSize);
        if (pos < 8 || pos >= m_tableOffset) {
            return false;
        }
        if (!decodeAt(pos, depth, index)) {
            return false;
        }
        m_objects[size_t(index)].state = Object::Done;
        return true;
    }

    bool finish(quint64 index, QVariant value, int height = 1, qint64 values = 1)
    {
        Object& slot = m_objects[size_t(index)];
        slot.value = std::move(value);
        slot.height = height;
        slot.values = values;
        return values <= Plist::MaxValues;
    }

    bool decodeAt(quint64 pos, int depth, quint64 index)
    {
        const uchar marker = m_data[pos++];
        const uchar high = marker >> 4;
        const uchar low = marker & 0x0F;
        switch (high) {
        case 0x0:
            if (marker == 0x08 || marker == 0x09) {
                return finish(index, QVariant(marker == 0x09));
            }
            return false;
        case 0x1: { // integer of 2^low bytes, big-endian; 16-byte ones keep their low 64 bits
            if (low > 4) {
                return false;
            }
            const quint64 n = quint64(1) << low;
            if (!fits(pos, n, 1)) {
                return false;
            }
            const quint64 v = n == 16 ? be(m_data + pos + 8, 8) : be(m_data + pos, int(n));
            return finish(index, QVariant(qint64(v)));
        }
        case 0x2: { // real: 4- or 8-byte IEEE
            if ((low != 2 && low != 3) || !fits(pos, quint64(1) << low, 1)) {
                return false;
            }
            return finish(index, QVariant(readReal(pos, low)));
        }
        case 0x3: { // date: 8-byte real, seconds since 2001
            if (marker != 0x33 || !fits(pos, 8, 1)) {
                return false;
            }
            const auto date = dateFromUnixSeconds(readReal(pos, 3) + double(ReferenceEpochOffset));
            return date && finish(index, QVariant(*date));
        }
        case 0x4:
        case 0x5:
        case 0x6: {
            quint64 n = 0;
            const quint64 unit = high == 0x6 ? 2 : 1;
            if (!count(pos, low, n) || !fits(pos, n, unit)) {
                return false;
            }
            const auto* p = reinterpret_cast<const char*>(m_data + pos);
            if (high == 0x4) {
                return finish(index, QVariant(QByteArray(p, qsizetype(n))));
            }
            if (high == 0x5) {
                return finish(index, QVariant(QString::fromLatin1(p, qsizetype(n))));
            }
            QString s(qsizetype(n), Qt::Uninitialized);
            for (quint64 i = 0; i < n; ++i) {
                s[qsizetype(i)] = QChar(char16_t(be(m_data + pos + 2 * i, 2)));
            }
            return finish(index, QVariant(s));
        }
        case 0x8: { // UID of low+1 bytes
            if (!fits(pos, quint64(low) + 1, 1)) {
                return false;
            }
            return finish(index, QVariant::fromValue(Plist::Uid{be(m_data + pos, low + 1)}));
        }
        case 0xA:
        case 0xC: // arrays and sets both read as arrays
        case 0xD: {
            if (depth > Plist::MaxDepth) {
                return false;
            }
            quint64 n = 0;
            const quint64 refsPerEntry = high == 0xD ? 2 : 1;
            if (!count(pos, low, n) || !fits(pos, n, refsPerEntry * m_refSize)) {
                return false;
            }
            return high == 0xD ? decodeDict(pos, n, depth, index) : decodeArray(pos, n, depth, index);
        }
        default:
            return false;
        }
    }

    double readReal(quint64 pos, uchar low) const
    {
        if (low == 2) {
            const quint32 bits = quint32(be(m_data + pos, 4));
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return double(f);
        }
        const quint64 bits = be(m_data + pos, 8);
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }

    std::optional<quint64> ref(quint64 pos) const
    {
        const quint64 r = be(m_data + pos, m_refSize);
        if (r >= m_objects.size()) {
            return std::nullopt;
        }
        return r;
    }

    // Decodes a child; adds its height and value count to the running totals.
    bool child(quint64 r, int depth, int& height, qint64& values)
    {
        if (!decode(r, depth + 1)) {
            return false;
        }
        const Object& o = m_objects[size_t(r)];
        height = std::max(height, o.height + 1);
        values += o.values;
        return values <= Plist::MaxValues;
    }

    bool decodeArray(quint64 pos, quint64 n, int depth, quint64 index)
    {
        QVariantList list;
        list.reserve(qsizetype(n));
        int height = 1;
        qint64 values = 1;
        for (quint64 i = 0; i < n; ++i) {
            const auto r = ref(pos + i * m_refSize);
            if (!r || !child(*r, depth, height, values)) {
                return false;
            }
            list.append(m_objects[size_t(*r)].value);
        }
        return finish(index, QVariant(list), height, values);
    }

    bool decodeDict(quint64 pos, quint64 n, int depth, quint64 index)
    {
        QVariantMap map;
        int height = 1;
        qint64 values = 1;
        for (quint64 i = 0; i < n; ++i) {
            const auto k = ref(pos + i * m_refSize);
            const auto v = ref(pos + (n + i) * m_refSize);
            if (!k || !v || !child(*k, depth, height, values) || !child(*v, depth, height, values)) {
                return false;
            }
            const QVariant& key = m_objects[size_t(*k)].value;
            if (key.metaType().id() != QMetaType::QString) {
                return false;
            }
            map.insert(key.toString(), m_objects[size_t(*v)].value);
        }
        return finish(index, QVariant(map), height, values);
    }

    const uchar* m_data;
    quint64 m_size;
    quint64 m_tableOffset = 0;
    int m_offsetSize = 0;
    int m_refSize = 0;
    std::vector<Object> m_objects;
};

} // namespace

namespace Plist {

std::optional<QByteArray> toXml(const QVariant& value)
{
    XmlWriter writer;
    if (!writer.write(value)) {
        return std::nullopt;
    }
    return writer.take();
}

std::optional<QByteArray> toBinary(const QVariant& value)
{
    PlistPtr root(toNode(value, 1));
    if (!root) {
        return std::nullopt;
    }
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(root.get(), &bytes, &length);
    if (!bytes) {
        return std::nullopt;
    }
    QByteArray out(bytes, qsizetype(length));
    std::free(bytes);
    return out;
}

std::optional<QVariant> fromData(const QByteArray& bytes)
{
    if (bytes.isEmpty() || bytes.size() > MaxInputSize) {
        return std::nullopt;
    }
    if (bytes.startsWith("bplist00")) {
        return BinaryReader(bytes).read();
    }
    return XmlReader(bytes).read();
}

std::optional<QVariant> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    // Read at most one byte past the limit, so that a huge file (or an endless device) costs nothing.
    const QByteArray bytes = file.read(MaxInputSize + 1);
    if (bytes.size() > MaxInputSize) {
        return std::nullopt;
    }
    return fromData(bytes);
}

bool writeFile(const QString& path, const QVariant& value, Kind kind)
{
    const auto bytes = kind == Kind::Xml ? toXml(value) : toBinary(value);
    if (!bytes) {
        return false;
    }
    return writeFileAtomically(path, *bytes);
}

} // namespace Plist
