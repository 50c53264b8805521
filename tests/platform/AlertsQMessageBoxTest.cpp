#include "platform/AlertsQMessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
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

} // namespace

TEST(AlertsQMessageBox, returnChoosesTheFirstButtonAndEscTheCancelButton) {
    const Alerts::Alert permissionAlert{
        QStringLiteral("Screen Recording Permission Required"),
        QStringLiteral("Why"),
        {QStringLiteral("Open Settings"), QStringLiteral("Cancel")}};
    EXPECT_EQ(runPressing(permissionAlert, Qt::Key_Return), 0);
    EXPECT_EQ(runPressing(permissionAlert, Qt::Key_Escape), 1);
}

// A folder alert belongs to the settings window, shows success as information and holds
// its message on a line or two.
TEST(AlertsQMessageBox, anAlertOfAWindowIsModalToItAndWideEnoughForItsMessage) {
    QWidget window;
    window.resize(480, 620);
    window.show();
    const Alerts::Alert alert{QStringLiteral("Folder Changed"),
                              QStringLiteral("Moved 3 screenshots to the new folder. 2 couldn't "
                                             "be moved."),
                              {QStringLiteral("OK")},
                              Alerts::Alert::Kind::information,
                              &window};
    QMessageBox* seen = nullptr;
    int informativeLines = 0;
    QTimer::singleShot(0, [&] {
        seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!seen)
            return;
        EXPECT_EQ(seen->parentWidget(), &window);
        EXPECT_EQ(seen->windowModality(), Qt::WindowModal);
        EXPECT_EQ(seen->icon(), QMessageBox::Information);
        const auto* label = seen->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        const int oneLine = label->heightForWidth(10000);
        informativeLines = 1 + (label->height() - oneLine) / label->fontMetrics().lineSpacing();
        QTest::keyClick(seen, Qt::Key_Return);
    });
    AlertsQMessageBox alerts;
    EXPECT_EQ(alerts.run(alert), 0);
    ASSERT_NE(seen, nullptr);
    EXPECT_GE(informativeLines, 1);
    EXPECT_LE(informativeLines, 2);
}
