#include "capture/ScrollingCaptureHud.h"
#include "capture/ScrollCaptureLoop.h"

#include <QLabel>
#include <gtest/gtest.h>

TEST(ScrollingCaptureHud, showsTheTitleAndTheEscHint_sitsCentredBelowTheTopUnlessOverTheRegion) {
    ScrollingCaptureHud hud;
    EXPECT_EQ(hud.size(), QSize(300, 78));
    EXPECT_EQ(hud.text(), QStringLiteral("Capturing scrolling screenshot\u2026"));
    QStringList texts;
    for (const QLabel* label : hud.findChildren<QLabel*>())
        texts << label->text() + QLatin1Char('@') + QString::number(label->geometry().y());
    // Frames measured from the panel's top: the title 20 down, the hint 43.
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Capturing scrolling screenshot\u2026@20"),
                                  QStringLiteral("Press Esc to stop@43")}));

    const QRect available(0, 30, 1920, 1050);
    // Centred: 960 − 150; 24 below the available area's top.
    EXPECT_EQ(ScrollingCaptureHud::placement(available, QRectF(100, 400, 500, 300)),
              QPoint(810, 54));
    EXPECT_EQ(ScrollingCaptureHud::placement(available, QRectF()), QPoint(810, 54));
    // A region under the top spot: the panel goes 24 above the bottom, out of every frame.
    EXPECT_EQ(ScrollingCaptureHud::placement(available, QRectF(700, 40, 500, 300)),
              QPoint(810, 30 + 1050 - 24 - 78));
    EXPECT_EQ(ScrollingCaptureHud::placement(available, QRectF(700, 40, 500, 1000)), std::nullopt);
}

TEST(ScrollCaptureLoop, stepIsSeventyEightHundredthsOfTheRegionAtLeastForty) {
    EXPECT_EQ(ScrollCaptureLoop::stepFor(QRectF(0, 0, 300, 100)), 78);
    EXPECT_EQ(ScrollCaptureLoop::stepFor(QRectF(0, 0, 300, 50)), 40);
    EXPECT_EQ(ScrollCaptureLoop::stepFor(QRectF(0, 0, 300, 1000.9)), 780);
}
