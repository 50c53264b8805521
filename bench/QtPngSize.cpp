// Prints the size in bytes of the PNG file Qt's default writer makes of an image, the
// yardstick for the capture tool's files.
//   qt_png_size IMAGE
#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const QImage image(QString::fromLocal8Bit(argv[1]));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !QImageWriter(&buffer, "png").write(image))
        return 1;
    std::printf("%lld\n", static_cast<long long>(bytes.size()));
    return 0;
}
