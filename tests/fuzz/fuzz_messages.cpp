// The receive path of typed messages: frame assembly (first byte: the chunk size the stream is cut
// into), header, keyed-archive body with the packet class allowed, and dispatch on the payload's
// format, including storing received files in a private directory.
#include "VelborReceiver.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {
QTemporaryDir& documents()
{
    static QTemporaryDir dir;
    return dir;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1) {
        return 0;
    }
    const qsizetype chunk = data[0] == 0 ? qsizetype(size) : qsizetype(data[0]);
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    VelborReceiver receiver;
    receiver.setDocumentDirectoryProvider([] { return documents().path(); });
    for (qsizetype at = 0; at < stream.size(); at += chunk) {
        if (!receiver.receiveBytes(stream.mid(at, chunk))) {
            break;
        }
    }
    QDir dir(documents().path());
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden)) {
        dir.remove(name);
    }
    return 0;
}
