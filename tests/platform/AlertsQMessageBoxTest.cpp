#include "platform/AlertsQMessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Once the alert is up, hands it to `look` and presses `key` in it.
int runPressing(const Alerts::Alert& alert, Qt::Key key,
                const std::function<void(QMessageBox&)>& look = {}) {
    QTimer::singleShot(0, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (look)
            look(*box);
        QTest::keyClick(box, key);
    });
    return AlertsQMessageBox().run(alert);
}

} // namespace

// Return chooses the first button and Esc the cancel one. A folder alert belongs to the
// settings window, shows success as information and holds its message on a line or two.
TEST(AlertsQMessageBox, keysChooseButtons_anAlertOfAWindowIsModalToItAndWideEnough) {
    const Alerts::Alert permissionAlert{
        QStringLiteral("Screen Recording Permission Required"),
        QStringLiteral("Why"),
        {QStringLiteral("Open Settings"), QStringLiteral("Cancel")}};
    EXPECT_EQ(runPressing(permissionAlert, Qt::Key_Return), 0);
    EXPECT_EQ(runPressing(permissionAlert, Qt::Key_Escape), 1);

    QWidget window;
    window.resize(480, 620);
    window.show();
    const Alerts::Alert alert{QStringLiteral("Folder Changed"),
                              QStringLiteral("Moved 3 screenshots to the new folder. 2 couldn't "
                                             "be moved."),
                              {QStringLiteral("OK")},
                              Alerts::Alert::Kind::information,
                              &window};
    int informativeLines = 0;
    const auto look = [&](QMessageBox& seen) {
        EXPECT_EQ(seen.parentWidget(), &window);
        EXPECT_EQ(seen.windowModality(), Qt::WindowModal);
        EXPECT_EQ(seen.icon(), QMessageBox::Information);
        const auto* label = seen.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        informativeLines = 1 + (label->height() - label->heightForWidth(10000)) /
                                   label->fontMetrics().lineSpacing();
    };
    EXPECT_EQ(runPressing(alert, Qt::Key_Return, look), 0);
    EXPECT_GE(informativeLines, 1);
    EXPECT_LE(informativeLines, 2);
}
