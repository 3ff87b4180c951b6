// Drives the archive classes for bench_zip.sh:
//   zip_driver create ARCHIVE DIR LEVEL      packs every file under DIR (names relative to DIR)
//   zip_driver extract ARCHIVE OUTDIR        unpacks every entry into OUTDIR
// Entries are read and written in 256 KB chunks, never by their claimed length. A ZipException is
// printed and ends the run with status 2.

#include "ZipFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

constexpr qsizetype Chunk = 256 * 1024;

int create(const QString& archive, const QString& dir, int level)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << QFileInfo(it.next()).absoluteFilePath();
    }
    std::sort(files.begin(), files.end());
    const QDir base(QDir(dir).absolutePath());
    ZipFile zip(archive, ZipFile::ZipFileModeCreate);
    QByteArray buffer(Chunk, Qt::Uninitialized);
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        auto stream = zip.writeFileInZipWithNameFileDateCompressionLevel(base.relativeFilePath(path),
                                                                         QFileInfo(file).lastModified(), level);
        for (qint64 n; (n = file.read(buffer.data(), Chunk)) > 0;) {
            stream->writeData(QByteArray::fromRawData(buffer.constData(), qsizetype(n)));
        }
        stream->finishedWriting();
    }
    zip.close();
    return 0;
}

int extract(const QString& archive, const QString& outDir)
{
    ZipFile zip(archive, ZipFile::ZipFileModeUnzip);
    const QDir out(QDir(outDir).absolutePath());
    QByteArray chunk(Chunk, Qt::Uninitialized);
    if (zip.numFilesInZip() == 0) {
        zip.close();
        return 0;
    }
    // Walk the entries in archive order: locating each by name would scan the directory every time.
    zip.goToFirstFileInZip();
    do {
        const QString name = zip.getCurrentFileInZipInfo().name();
        if (name.startsWith(QLatin1Char('/')) || name.split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
            continue;
        }
        const QString target = out.filePath(name);
        if (name.endsWith(QLatin1Char('/'))) {
            out.mkpath(name);
            continue;
        }
        out.mkpath(QFileInfo(target).absolutePath());
        auto stream = zip.readCurrentFileInZip();
        QFile file(target);
        if (!file.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
            return 1;
        }
        while (const qint64 n = stream->readDataWithBuffer(chunk)) {
            file.write(chunk.constData(), n);
        }
        stream->finishedReading();
    } while (zip.goToNextFileInZip());
    zip.close();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    try {
        if (args.size() == 5 && args[1] == QStringLiteral("create")) {
            return create(args[2], args[3], args[4].toInt());
        }
        if (args.size() == 4 && args[1] == QStringLiteral("extract")) {
            return extract(args[2], args[3]);
        }
    } catch (const ZipException& e) {
        std::fprintf(stderr, "ZipException: %s (error %lld)\n", e.what(), static_cast<long long>(e.error()));
        return 2;
    }
    std::fprintf(stderr, "usage: zip_driver create ARCHIVE DIR LEVEL | extract ARCHIVE OUTDIR\n");
    return 1;
}
