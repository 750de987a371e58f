#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv) {
    // These tests never touch a real display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
