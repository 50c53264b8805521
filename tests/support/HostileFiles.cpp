#include "HostileFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <sys/stat.h>
#include <zlib.h>

namespace hostile_files {
namespace {

QByteArray chunk(const char* type, const QByteArray& body) {
    QByteArray out(4, '\0');
    qToBigEndian<quint32>(quint32(body.size()), out.data());
    const QByteArray typed = QByteArray(type, 4) + body;
    QByteArray crc(4, '\0');
    qToBigEndian<quint32>(
        quint32(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()), uInt(typed.size()))),
        crc.data());
    return out + typed + crc;
}

// Deflate blocks for `length` zero bytes that end on a byte and refer to nothing before
// them, so any number of copies in a row inflate to that many zeros.
QByteArray zeroBlocks(qsizetype length) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    QByteArray zeros(length, '\0');
    QByteArray out(length / 100 + 1024, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(zeros.data());
    stream.avail_in = uInt(length);
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FULL_FLUSH);
    out.resize(out.size() - stream.avail_out);
    deflateEnd(&stream);
    return out;
}

QByteArray hugePng() {
    constexpr int side = 20000;
    constexpr qsizetype rowBytes = 1 + side * 3;
    constexpr int rowsPerBlock = 100;
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(side, header.data());
    qToBigEndian<quint32>(side, header.data() + 4);
    header[8] = 8; // bit depth
    header[9] = 2; // RGB
    const QByteArray block = zeroBlocks(rowBytes * rowsPerBlock);
    QByteArray data("\x78\xda", 2);
    for (int i = 0; i < side / rowsPerBlock; ++i)
        data += block;
    data += QByteArray("\x03\x00", 2); // the last block, empty
    // The Adler-32 of n zeros: 1 in the low half, n in the high one (modulo 65521).
    QByteArray adler(4, '\0');
    qToBigEndian<quint32>(quint32((qint64(rowBytes) * side % 65521) << 16 | 1), adler.data());
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + chunk("IHDR", header) +
           chunk("IDAT", data + adler) + chunk("IEND", {});
}

} // namespace

QStringList kinds() {
    return {QStringLiteral("link to /dev/zero"), QStringLiteral("FIFO"),
            QStringLiteral("sparse giant"), QStringLiteral("folder"),
            QStringLiteral("huge-dimension PNG")};
}

bool place(const QString& kind, const QString& path) {
    QFile::remove(path);
    QDir(path).removeRecursively();
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (kind == u"link to /dev/zero")
        return QFile::link(QStringLiteral("/dev/zero"), path);
    if (kind == u"FIFO")
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (kind == u"folder")
        return QDir().mkpath(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (kind == u"sparse giant")
        return file.resize(qint64(1) << 30);
    static const QByteArray huge = hugePng();
    return file.write(huge) == huge.size();
}

} // namespace hostile_files
