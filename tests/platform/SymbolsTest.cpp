#include "platform/Symbols.h"
#include "core/annotate/AnnotationTool.h"
#include "core/library/ScreenshotKind.h"

#include <QImage>
#include <gtest/gtest.h>
#include <span>

TEST(Symbols, everySymbolTheProgramUsesHasAPictureAndNoOtherNameHasOne) {
    // The popover's, the strip's and the card's, then the settings', then the editor's.
    QStringList used =
        QStringLiteral(
            "camera.viewfinder ellipsis.circle exclamationmark.shield.fill "
            "arrow.up.right.square arrow.clockwise arrow.triangle.2.circlepath "
            "photo.on.rectangle.angled list.bullet.rectangle xmark.circle.fill doc.on.doc "
            "checkmark pencil.tip folder ellipsis.circle.fill photo folder.fill "
            "checkmark.shield.fill arrow.uturn.backward trash crop")
            .split(u' ');
    for (ScreenshotKind kind : screenshot_kind::allCases())
        used.append(screenshot_kind::symbol(kind));
    for (AnnotationTool tool : annotation_tool::allCases())
        used.append(annotation_tool::symbol(tool));
    for (const QString& name : used)
        EXPECT_TRUE(symbols::names().contains(name)) << name.toStdString();
    for (const QString& name : symbols::names()) {
        const QIcon icon = symbols::icon(name);
        EXPECT_FALSE(icon.isNull()) << name.toStdString();
        EXPECT_FALSE(icon.pixmap(24, 24).isNull()) << name.toStdString();
        EXPECT_FALSE(icon.pixmap(16, 16).isNull()) << name.toStdString();
    }
    EXPECT_TRUE(symbols::icon(QStringLiteral("no.such.symbol")).isNull());
    EXPECT_TRUE(symbols::pixmap(QStringLiteral("no.such.symbol"), 9, Qt::red, 1).isNull());
}

// A symbol takes the room it is given at every scale (at scale 2 it once came out twice
// its size), and shows in the colour asked for: a dark palette gets light symbols.
TEST(Symbols, aTintedSymbolHasItsSizeAtEveryScaleAndOnlyItsColour) {
    const QColor ink(230, 230, 230);
    for (const char* name : {"rectangle.dashed", "arrow.up.right", "photo.on.rectangle.angled"}) {
        for (int size : {9, 36}) {
            for (qreal ratio : {1.0, 2.0}) {
                const QPixmap pixmap = symbols::pixmap(QLatin1String(name), size, ink, ratio);
                SCOPED_TRACE(std::string(name) + " " + std::to_string(size) + " @" +
                             std::to_string(ratio));
                EXPECT_EQ(pixmap.deviceIndependentSize(), QSizeF(size, size));
                EXPECT_EQ(pixmap.width(), qRound(size * ratio));
                const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
                int inked = 0;
                const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
                for (const QRgb pixel : std::span(pixels, image.width() * image.height())) {
                    if (qAlpha(pixel) < 128)
                        continue;
                    ++inked;
                    EXPECT_LE(std::abs(qRed(pixel) - ink.red()), 2);
                    EXPECT_LE(std::abs(qBlue(pixel) - ink.blue()), 2);
                }
                EXPECT_GT(inked, size * ratio);
            }
        }
    }
}
