// The springs the onboarding's entrances move by: where they start and settle,
// and which of them swing past their end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Tessivar/Onboarding/Private/Spring.h"

namespace tessivar {
namespace {

TEST(OnboardingSpring, StartsAtRestSwingsPastTheEndOnlyWhenUnderdampedAndSettlesInTime) {
    struct Case {
        Spring spring;
        bool overshoots;
    };
    const Case cases[] = {
        {{0.55, 0.62}, true}, {{0.5, 0.7}, true}, {{0.3, 0.7}, true}, {{0.35, 1.0}, false}, {{0.5, 1.5}, false},
    };
    for (const auto& c : cases) {
        const Spring& spring = c.spring;
        const double settled = spring.settlingSeconds();
        EXPECT_EQ(spring.value(0), 0);
        EXPECT_EQ(spring.value(-1), 0) << "nothing moves before the start";
        double peak = 0;
        for (double t = 0; t < settled; t += 0.001) peak = std::max(peak, spring.value(t));
        EXPECT_EQ(peak > 1.001, c.overshoots) << spring.response << "/" << spring.dampingFraction << " peak " << peak;
        for (double t = settled; t < settled + 2; t += 0.01) {
            ASSERT_NEAR(spring.value(t), 1, 1e-3) << spring.response << "/" << spring.dampingFraction << " at " << t;
        }
        EXPECT_LT(settled, 3 * spring.response + 1) << "a spring settles within a few of its periods";
    }
}

// The response is the period of the swing: an undamped-looking spring comes
// back to its start value for the first time after about one response.
TEST(OnboardingSpring, TheResponseIsThePeriodOfTheSwing) {
    const Spring lightlyDamped{0.5, 0.05};
    double firstReturn = 0;
    for (double t = 0.3; t < 1.0; t += 0.0005) {
        if (lightlyDamped.value(t) < lightlyDamped.value(t - 0.0005) &&
            lightlyDamped.value(t) < lightlyDamped.value(t + 0.0005)) {
            firstReturn = t;
            break;
        }
    }
    EXPECT_NEAR(firstReturn, 0.5, 0.01);
}

}  // namespace
}  // namespace tessivar
