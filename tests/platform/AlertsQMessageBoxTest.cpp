#include "platform/AlertsQMessageBox.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

// Presses a key in the alert once it is up.
int runPressing(const Alerts::Alert& alert, Qt::Key key) {
    QTimer::singleShot(0, [key] {
        if (QWidget* box = QApplication::activeModalWidget())
            QTest::keyClick(box, key);
    });
    AlertsQMessageBox alerts;
    return alerts.run(alert);
}

const Alerts::Alert permissionAlert{
    QStringLiteral("Screen Recording Permission Required"),
    QStringLiteral("Why"),
    {QStringLiteral("Open System Settings"), QStringLiteral("Cancel")}};

} // namespace

TEST(AlertsQMessageBox, returnChoosesTheFirstButtonAndEscTheCancelButton) {
    EXPECT_EQ(runPressing(permissionAlert, Qt::Key_Return), 0);
    EXPECT_EQ(runPressing(permissionAlert, Qt::Key_Escape), 1);
}
