#include <QApplication>
#include <gtest/gtest.h>

// Unit tests run offscreen unless a test asks for the real display it was given.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QUILLBOX_TEST_USE_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
