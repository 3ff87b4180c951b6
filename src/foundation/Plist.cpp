#include "Plist.h"

#include "AtomicFile.h"
#include "PlistValue.h"

#include <QFile>

// The readers and writers live in PlistXmlReader.cpp, PlistBinaryReader.cpp, PlistXmlWriter.cpp and
// PlistBinaryWriter.cpp; this file picks between them and reads and writes files.

namespace Plist {

std::optional<QVariant> fromData(const QByteArray& bytes)
{
    if (bytes.isEmpty() || bytes.size() > MaxInputSize) {
        return std::nullopt;
    }
    if (bytes.startsWith("bplist00")) {
        return PlistValue::readBinary(bytes);
    }
    return PlistValue::readXml(bytes);
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
