#include "VelborReceiver.h"

#include "FSPaths.h"
#include "KeyedArchive.h"
#include "PlistValue.h"
#include "ProcessLog.h"
#include "Trace.h"
#include "VelborPacket.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <unistd.h>

namespace {

// Numbered names tried before a received file is given up: "name-1.ext" ... "name-9999.ext".
constexpr int MaxNameNumber = 9999;

// The value keys each format needs; a payload missing any of them is ignored.
QStringList keysOfFormat(qint64 format)
{
    static const QList<QStringList> keys = {
        {},
        {QStringLiteral("bool")},
        {QStringLiteral("bool0"), QStringLiteral("bool1"), QStringLiteral("bool2")},
        {QStringLiteral("int")},
        {QStringLiteral("int0"), QStringLiteral("int1"), QStringLiteral("int2")},
        {QStringLiteral("float")},
        {QStringLiteral("float0"), QStringLiteral("float1"), QStringLiteral("float2")},
        {QStringLiteral("string")},
        {QStringLiteral("string0"), QStringLiteral("string1"), QStringLiteral("string2")},
        {QStringLiteral("array")},
        {QStringLiteral("array0"), QStringLiteral("array1"), QStringLiteral("array2")},
        {QStringLiteral("dictionary")},
        {QStringLiteral("mutableDictionary")},
        {QStringLiteral("nsdata")},
        {QStringLiteral("fileData"), QStringLiteral("fileName")},
    };
    return format >= 0 && format < keys.size() ? keys.at(qsizetype(format)) : QStringList{};
}

// The integer value of a number or of a text's leading digits (as a text's integer value reads).
std::optional<qint64> integerOf(const QVariant& v)
{
    if (PlistValue::isNumber(v)) {
        const double d = v.toDouble();
        if (v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::Float) {
            if (!std::isfinite(d) || d >= 9.2e18 || d <= -9.2e18) {
                return std::nullopt;
            }
            return qint64(d);
        }
        return v.toLongLong();
    }
    if (v.metaType().id() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        qsizetype end = 0;
        if (end < s.size() && (s[end] == u'-' || s[end] == u'+')) {
            ++end;
        }
        while (end < s.size() && s[end].isDigit() && s[end].unicode() < 128) {
            ++end;
        }
        bool ok = false;
        const qint64 value = s.left(end).toLongLong(&ok);
        return ok ? value : 0;
    }
    return std::nullopt;
}

} // namespace

VelborReceiver::VelborReceiver()
{
    VelborPacket::registerArchivedClass();
}

std::optional<quint64> VelborReceiver::parseHeader(const QByteArray& bytes)
{
    if (bytes.size() < HeaderLength) {
        return std::nullopt;
    }
    quint64 length = 0;
    std::memcpy(&length, bytes.constData(), sizeof length);
    return length;
}

std::optional<QVariantMap> VelborReceiver::parseBody(const QByteArray& body)
{
    VelborPacket::registerArchivedClass();
    const KeyedDecodeOptions options{
        .allowedClasses = {VelborPacket::className()}, .maxDepth = 64, .maxSize = qsizetype(MaxBodyLength)};
    const std::optional<QVariant> packet = KeyedArchive::unarchivedObject(body, QStringLiteral("packet"), options);
    if (!packet || packet->metaType() != QMetaType::fromType<VelborPacket>()) {
        TRACE("message body of %d bytes is not an archived packet of allowed classes", body.size());
        return std::nullopt;
    }
    const QVariant data = packet->value<VelborPacket>().data();
    if (data.metaType().id() != QMetaType::QVariantMap) {
        TRACE("message packet carries no dictionary");
        return std::nullopt;
    }
    return data.toMap();
}

void VelborReceiver::rxDictionary(const QVariantMap& payload)
{
    qint64 format = 0;
    const auto formatValue = payload.constFind(QStringLiteral("dataFormat"));
    if (formatValue == payload.cend()) {
        processLog(QStringLiteral("Warning:No dataFormat in Dictionary"));
    } else if (const auto value = integerOf(*formatValue)) {
        format = *value;
    } else {
        TRACE("dataFormat is not a number: %@", *formatValue);
        return;
    }
    if (format < 0 || format > 14) {
        processLogf("Velbor: DON'T KNOW:%d", format);
        return;
    }
    const QStringList keys = keysOfFormat(format);
    QVariantList values;
    for (const QString& key : keys) {
        const auto it = payload.constFind(key);
        if (it == payload.cend()) {
            return;
        }
        values << *it;
    }
    // Formats 1 to 6 print numbers: a value of another kind is reported, not guessed at.
    if (format >= 1 && format <= 6) {
        for (QVariant& v : values) {
            if (!PlistValue::isNumber(v)) {
                TRACE("dataFormat %d carries a value that is not a number: %@", format, v);
                return;
            }
            if (format <= 2) {
                v = int(v.toDouble() != 0);
            } else if (format <= 4) {
                v = integerOf(v).value_or(0);
            } else {
                v = double(float(v.toDouble()));
            }
        }
    }
    switch (format) {
    case 0:
        processLog(QStringLiteral("rxDictionary: Dont know DataFormat key"));
        break;
    case 1:
        processLogf("Bool: %d", values[0]);
        break;
    case 2:
        processLogf("b0:%d  b1:%d  b2:%d", values[0], values[1], values[2]);
        break;
    case 3:
        processLogf("Int: %d", values[0]);
        break;
    case 4:
        processLogf("i0:%d  i1:%d  i2:%d", values[0], values[1], values[2]);
        break;
    case 5:
        processLogf("Float: %f", values[0]);
        break;
    case 6:
        processLogf("accx:%f  accy:%f  accz:%f", values[0], values[1], values[2]);
        break;
    case 7:
        processLogf("String: %@", values[0]);
        break;
    case 8:
        processLogf("s0:%@  s1:%@  s2:%@", values[0], values[1], values[2]);
        break;
    case 9:
        processLogf("Array: %@", values[0]);
        break;
    case 10:
        processLogf("a0:%@  a1:%@  a2:%@", values[0], values[1], values[2]);
        break;
    case 11:
        processLogf("Dictionary: %@", values[0]);
        break;
    case 12:
        processLogf("Mutable Dictionary: %@", values[0]);
        break;
    case 13:
        if (values[0].metaType().id() == QMetaType::QByteArray) {
            // Megabytes of data: the line is built as bytes in one pass rather than through format().
            QByteArray line("Data: ");
            appendDataDescription(line, values[0].toByteArray());
            processLogUtf8(line);
        } else {
            processLogf("Data: %@", values[0]);
        }
        break;
    case 14:
        receiveFile(payload);
        break;
    }
}

void VelborReceiver::receiveFile(const QVariantMap& payload)
{
    const QVariant data = payload.value(QStringLiteral("fileData"));
    const QVariant name = payload.value(QStringLiteral("fileName"));
    if (data.metaType().id() != QMetaType::QByteArray || name.metaType().id() != QMetaType::QString) {
        TRACE("received file needs data under fileData and a text under fileName");
        return;
    }
    processLogf("FileName: %@  Data: %@", name, data);
    processLogf("currentpath: %@", fs_paths::currentDir());
    const QString dir = m_documents ? m_documents() : QString();
    if (dir.isEmpty()) {
        TRACE("no documents directory for the received file %@", name);
        return;
    }
    const std::optional<QString> path = storeReceivedFile(dir, name.toString(), data.toByteArray());
    if (!path) {
        return;
    }
    processLogf("path: %@", *path);
    processLogf("  docDir: %@", dir);
    processLogf("filelist: %@", fs_paths::sortedEntries(dir));
}

std::optional<QString> VelborReceiver::storeReceivedFile(const QString& dir, const QString& name,
                                                         const QByteArray& bytes)
{
    const QString last = fs_paths::splitName(name).last;
    if (last.isEmpty() || last == u"." || last == u".." || last.contains(QChar(0))) {
        TRACE("refused received file name \"%@\"", name);
        return std::nullopt;
    }
    // Write the bytes beside their destination first, then link them in under the first free name:
    // link() never replaces an existing file, so a file that appears meanwhile is not overwritten.
    QTemporaryFile temp(fs_paths::join(dir, QStringLiteral(".received-XXXXXX")));
    if (!temp.open() || temp.write(bytes) != bytes.size() || !temp.flush() || ::fsync(temp.handle()) != 0) {
        TRACE("cannot write the received file %@ in %@", last, dir);
        return std::nullopt;
    }
    const QFileInfo info(last);
    QString base = info.completeBaseName();
    QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
    if (base.isEmpty()) { // ".profile": the whole name is the base
        base = last;
        suffix.clear();
    }
    const QByteArray tempPath = QFile::encodeName(temp.fileName());
    for (int n = 0; n <= MaxNameNumber; ++n) {
        const QString candidate = fs_paths::join(dir, n == 0 ? last : base + u'-' + QString::number(n) + suffix);
        if (::link(tempPath.constData(), QFile::encodeName(candidate).constData()) == 0) {
            return candidate;
        }
        if (errno != EEXIST) {
            TRACE("cannot store the received file %@: %s", candidate, std::strerror(errno));
            return std::nullopt;
        }
    }
    TRACE("no free name for the received file %@", last);
    return std::nullopt;
}

bool VelborReceiver::receiveBytes(const QByteArray& bytes)
{
    if (m_refused) {
        return false;
    }
    if (m_pos == m_buffer.size()) { // nothing pending: take the bytes as they come, without a copy
        m_buffer = bytes;
        m_pos = 0;
    } else {
        m_buffer.append(bytes);
    }
    for (;;) {
        const qsizetype available = m_buffer.size() - m_pos;
        if (!m_bodyLength) {
            if (available < HeaderLength) {
                break;
            }
            m_bodyLength = parseHeader(QByteArray::fromRawData(m_buffer.constData() + m_pos, HeaderLength));
            m_pos += HeaderLength;
            if (*m_bodyLength > MaxBodyLength) {
                TRACE("message header announces %llu bytes, more than %llu: closing the connection", *m_bodyLength,
                      MaxBodyLength);
                m_refused = true;
                m_buffer = QByteArray();
                m_pos = 0;
                return false;
            }
            continue;
        }
        if (quint64(available) < *m_bodyLength) {
            break;
        }
        // Parsed where it lies: the parser copies what it keeps, and the view is gone before any
        // handler runs (a handler may feed more bytes).
        const std::optional<QVariantMap> payload =
            parseBody(QByteArray::fromRawData(m_buffer.constData() + m_pos, qsizetype(*m_bodyLength)));
        m_pos += qsizetype(*m_bodyLength);
        m_bodyLength.reset();
        if (payload) {
            rxDictionary(*payload);
            if (m_handler) {
                m_handler(*payload);
            }
        }
    }
    if (m_pos > 0 && m_pos >= m_buffer.size() / 2) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    return true;
}

void VelborReceiver::reset()
{
    m_buffer = QByteArray();
    m_pos = 0;
    m_bodyLength.reset();
    m_refused = false;
}
