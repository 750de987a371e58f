#include <gtest/gtest.h>
#include <QApplication>

#include "OffscreenScreens.h"

int main(int argc, char** argv) {
    platform::testing::selectOffscreenScreens();
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
