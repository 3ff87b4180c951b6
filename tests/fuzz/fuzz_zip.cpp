// Archive reader under libFuzzer: any bytes opened as an archive must be answered (entries read, or a
// ZipException) without a crash, a hang, or memory sized by what the headers claim. Every entry is
// read to its end, with and without a password, through a small buffer.
#include "ZipFile.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>

#include <unistd.h>

namespace {

void readEntry(ZipFile& zip, const QString* password)
{
    try {
        auto stream = password ? zip.readCurrentFileInZipWithPassword(*password) : zip.readCurrentFileInZip();
        QByteArray buffer(4096, '\0');
        while (const qint64 n = stream->readDataWithBuffer(buffer)) {
            if (n < 0 || n > buffer.size()) {
                std::abort();
            }
        }
        stream->finishedReading();
    } catch (const ZipException&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The archive classes open archives by path: one file per process, rewritten for every input and
    // removed when the process ends.
    static const struct Scratch
    {
        QString path = QStringLiteral("/tmp/fuzz_zip.%1.zip").arg(::getpid());
        ~Scratch() { QFile::remove(path); }
    } scratch;
    const QString& path = scratch.path;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size)) {
        return 0;
    }
    file.close();
    try {
        ZipFile zip(path, ZipFile::ZipFileModeUnzip);
        const QList<FileInZipInfo> infos = zip.listFileInZipInfos();
        const QString password = QStringLiteral("pw");
        if (!infos.isEmpty()) {
            zip.goToFirstFileInZip();
            // Bounded: a directory may claim more entries than the file can hold.
            for (int i = 0; i < 64; ++i) {
                readEntry(zip, nullptr);
                readEntry(zip, &password);
                if (!zip.goToNextFileInZip()) {
                    break;
                }
            }
            zip.locateFileInZip(infos.first().name());
        }
        zip.close();
    } catch (const ZipException&) {
    }
    return 0;
}
