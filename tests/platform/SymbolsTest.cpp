#include "platform/Symbols.h"
#include "core/annotate/AnnotationTool.h"
#include "core/library/ScreenshotKind.h"

#include <gtest/gtest.h>

TEST(Symbols, everySymbolTheProgramUsesHasAPictureAndNoOtherNameHasOne) {
    QStringList used{QStringLiteral("camera.viewfinder"),
                     QStringLiteral("ellipsis.circle"),
                     QStringLiteral("xmark.circle.fill"),
                     QStringLiteral("doc.on.doc"),
                     QStringLiteral("checkmark"),
                     QStringLiteral("pencil.tip"),
                     QStringLiteral("folder"),
                     QStringLiteral("ellipsis.circle.fill"),
                     QStringLiteral("photo")};
    for (ScreenshotKind kind : screenshot_kind::allCases())
        used.append(screenshot_kind::symbol(kind));
    for (AnnotationTool tool : annotation_tool::allCases())
        used.append(annotation_tool::symbol(tool));
    used << QStringLiteral("arrow.uturn.backward") << QStringLiteral("trash")
         << QStringLiteral("crop");
    for (const QString& name : used)
        EXPECT_TRUE(symbols::names().contains(name)) << name.toStdString();
    for (const QString& name : symbols::names()) {
        const QIcon icon = symbols::icon(name);
        EXPECT_FALSE(icon.isNull()) << name.toStdString();
        EXPECT_FALSE(icon.pixmap(24, 24).isNull()) << name.toStdString();
        EXPECT_FALSE(icon.pixmap(16, 16).isNull()) << name.toStdString();
    }
    EXPECT_TRUE(symbols::icon(QStringLiteral("no.such.symbol")).isNull());
    EXPECT_TRUE(symbols::themeName(QStringLiteral("no.such.symbol")).isEmpty());
}
