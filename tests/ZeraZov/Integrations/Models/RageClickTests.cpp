#include <gtest/gtest.h>

#include "ZeraZov/Integrations/Replay/Private/RageClickDetector.h"

namespace zerazov {
namespace {

TEST(RageClick, ADetectorStartsWithoutClicksAndTheLimitsOfItsSettings) {
    struct Case {
        const char* what;
        ZeraZovRageClickConfig config;
        double thresholdPoints;
        double timeoutInterval;
        std::int64_t minimumTapCount;
    };
    ZeraZovRageClickConfig written;
    written.enabled = false;
    written.thresholdPoints = -4.5;  // kept as given
    written.timeoutInterval = 0.25;
    written.minimumTapCount = 0;
    const std::vector<Case> cases{
        {"fresh settings", {}, 30.0, 1.0, 3},
        {"written settings", written, -4.5, 0.25, 0},
    };
    for (const auto& c : cases) {
        const RageClickDetector detector(c.config);
        EXPECT_TRUE(detector.clicks().empty()) << c.what;
        EXPECT_EQ(detector.thresholdPoints(), c.thresholdPoints) << c.what;
        EXPECT_EQ(detector.timeoutInterval(), c.timeoutInterval) << c.what;
        EXPECT_EQ(detector.minimumTapCount(), c.minimumTapCount) << c.what;
    }
    EXPECT_TRUE(ZeraZovRageClickConfig{}.enabled);
}

}  // namespace
}  // namespace zerazov
