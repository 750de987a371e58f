#include <gtest/gtest.h>
#include <QApplication>

#include "ApplicationScenario.h"
#include "OffscreenScreens.h"

int main(int argc, char** argv) {
    platform::testing::selectOffscreenScreens();
    if (const char* scenario = platform::testing::requestedApplicationScenario()) {
        return platform::testing::runApplicationScenario(scenario, argc, argv);
    }
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
