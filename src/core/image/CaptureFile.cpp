#include "core/image/CaptureFile.h"

#include "core/image/CaptureBounds.h"
#include "core/image/Png.h"
#include "core/image/PngDecoder.h"
#include "core/image/PngRowReader.h"
#include "core/image/PngScaledDecoder.h"
#include "core/io/GuardedFile.h"

#include <QFile>
#include <QImageReader>
#include <memory>

namespace capture_file {
namespace {

const QString tooLarge = QStringLiteral("the picture is larger than any capture");

std::unique_ptr<QFile> openCapture(const QString& path, QString* error) {
    return guarded_file::open(path, capture_bounds::largestFileBytes(), error);
}

QSize scaledDown(QSize size, int maxSide) {
    if (size.isEmpty() || maxSide <= 0 || qMax(size.width(), size.height()) <= maxSide)
        return size;
    return size.scaled(maxSide, maxSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

// Any other kind of picture, through Qt's reader: its size is read before its pixels.
// Scaled while it is read where the format can (`maxSide` 0: whole).
QImage readGeneral(QFile& file, int maxSide, QString* error) {
    if (!file.seek(0)) {
        *error = file.errorString();
        return {};
    }
    QImageReader reader(&file);
    const QSize size = reader.size();
    if (size.isValid() && !capture_bounds::fits(size)) {
        *error = tooLarge;
        return {};
    }
    if (size.isValid() && scaledDown(size, maxSide) != size)
        reader.setScaledSize(scaledDown(size, maxSide));
    QImage image;
    if (!reader.read(&image) || !capture_bounds::fits(image.size())) {
        *error = image.isNull() ? reader.errorString() : tooLarge;
        return {};
    }
    return image;
}

bool isPng(QFile& file) {
    return file.seek(0) && file.peek(8) == QByteArrayLiteral("\x89PNG\r\n\x1a\n");
}

} // namespace

QImage read(const QString& path, QString* error) {
    QString why;
    QImage image;
    if (const std::unique_ptr<QFile> file = openCapture(path, &why)) {
        if (std::optional<QImage> plain = png::decodePlain(file.get()))
            image = std::move(*plain);
        else
            image = readGeneral(*file, 0, &why);
    }
    if (image.isNull() && error)
        *error = why;
    return image;
}

QImage readScaled(const QString& path, int maxSide) {
    QString why;
    const std::unique_ptr<QFile> file = openCapture(path, &why);
    if (!file)
        return {};
    if (maxSide > 0) {
        if (QImage streamed = png::decodeScaled(file.get(), QSize(maxSide, maxSide));
            !streamed.isNull())
            return streamed;
    }
    const QImage image = readGeneral(*file, maxSide, &why);
    if (image.isNull())
        return {};
    const QSize target = scaledDown(image.size(), maxSide);
    if (target == image.size())
        return image;
    return image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

std::optional<QByteArray> pngForPasteboard(const QString& path) {
    QString why;
    const std::unique_ptr<QFile> file = openCapture(path, &why);
    if (!file)
        return std::nullopt;
    const bool pngFile = isPng(*file);
    if (pngFile) {
        // Checked row by row without holding the picture: every chunk to the end decodes.
        png::RowReader reader(file.get());
        const std::optional<png::RowReader::Header> header = reader.open();
        if (header && !header->managedColours &&
            capture_bounds::fits(QSize(header->width, header->height)) &&
            reader.readRows([](int, const uchar*) {}) && file->seek(0))
            return guarded_file::readAll(*file, capture_bounds::largestFileBytes());
    }
    const QImage image = readGeneral(*file, 0, &why);
    if (image.isNull())
        return std::nullopt;
    if (pngFile && file->seek(0))
        return guarded_file::readAll(*file, capture_bounds::largestFileBytes());
    const QByteArray encoded = png::encode(image);
    if (encoded.isEmpty())
        return std::nullopt;
    return encoded;
}

} // namespace capture_file
