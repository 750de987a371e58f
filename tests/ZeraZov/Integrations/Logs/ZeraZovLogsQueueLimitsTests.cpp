#include <gtest/gtest.h>

#include <limits>

#include "ZeraZov/Integrations/Logs/Private/ZeraZovLogsQueueLimits.h"

namespace zerazov {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

ZeraZovLogsQueueLimits limitsWith(void (*change)(ZeraZovLogsConfig&)) {
    ZeraZovLogsConfig config;
    change(config);
    return ZeraZovLogsQueueLimits::from(config);
}

TEST(ZeraZovLogsQueueLimits, DefaultsAreTheConfiguredDefaults) {
    const auto limits = ZeraZovLogsQueueLimits::from(ZeraZovLogsConfig{});
    EXPECT_EQ(limits.flushIntervalSeconds, 30.0);
    EXPECT_EQ(limits.maxBufferSize, 1000);
    EXPECT_EQ(limits.flushAt, 20);
    EXPECT_EQ(limits.maxBatchSize, 50);
    EXPECT_EQ(limits.rateCapMax, 500);
    EXPECT_EQ(limits.rateCapWindowSeconds, 10.0);
}

TEST(ZeraZovLogsQueueLimits, RateCapValuesBelowZeroAreZero) {
    EXPECT_EQ(limitsWith([](auto& c) { c.rateCapMaxLogs = -5; }).rateCapMax, 0);
    EXPECT_EQ(limitsWith([](auto& c) { c.rateCapWindowSeconds = -1; }).rateCapWindowSeconds, 0.0);
    EXPECT_EQ(limitsWith([](auto& c) { c.rateCapWindowSeconds = nan; }).rateCapWindowSeconds, 0.0);
    EXPECT_EQ(limitsWith([](auto& c) { c.rateCapWindowSeconds = 0.5; }).rateCapWindowSeconds, 0.5);
}

TEST(ZeraZovLogsQueueLimits, SizesBelowOneAreOne) {
    const auto limits = limitsWith([](auto& c) {
        c.maxBufferSize = 0;
        c.flushAt = -3;
        c.maxBatchSize = 0;
    });
    EXPECT_EQ(limits.maxBufferSize, 1);
    EXPECT_EQ(limits.flushAt, 1);
    EXPECT_EQ(limits.maxBatchSize, 1);
}

TEST(ZeraZovLogsQueueLimits, AFlushPeriodThatIsNotAPositiveNumberGetsTheDefault) {
    EXPECT_EQ(limitsWith([](auto& c) { c.flushIntervalSeconds = 0; }).flushIntervalSeconds, 30.0);
    EXPECT_EQ(limitsWith([](auto& c) { c.flushIntervalSeconds = -2; }).flushIntervalSeconds, 30.0);
    EXPECT_EQ(limitsWith([](auto& c) { c.flushIntervalSeconds = nan; }).flushIntervalSeconds, 30.0);
    EXPECT_EQ(limitsWith([](auto& c) { c.flushIntervalSeconds = 2.5; }).flushIntervalSeconds, 2.5);
}

}  // namespace
}  // namespace zerazov
