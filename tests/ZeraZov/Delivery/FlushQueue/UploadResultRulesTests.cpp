#include <gtest/gtest.h>

#include <optional>
#include <tuple>
#include <vector>

#include "ZeraZov/Delivery/Endpoints/BatchLimits.h"
#include "ZeraZov/Delivery/FlushQueue/Private/UploadResultRules.h"

namespace zerazov {
namespace {

using Action = UploadDecision::Action;

// The events stream's retry list: a few transient codes and every redirect.
bool eventsRetriable(int code) {
    return code == 408 || code == 429 || code == 500 || code == 502 || code == 503 || code == 504 ||
           (code >= 300 && code <= 399);
}

struct RuleCase {
    std::optional<int> status;
    std::int64_t retryCount;
    std::int64_t cap;
    Action action;
    std::int64_t newRetryCount;
    double pause;
    bool exhausted = false;
    bool refusedAlone = false;
};

// Only the server's word that it took the batch or that the batch itself is bad
// (or a single record too large for it) lets records go; no failure on the way
// there ever does.
TEST(UploadResultRules, DecidesEachOutcomeFromStatusRetriesAndCap) {
    const std::vector<RuleCase> cases = {
        {std::nullopt, 0, 50, Action::keepAndPause, 1, 5},  // no answer at all
        {503, 1, 50, Action::keepAndPause, 2, 10},
        {302, 2, 50, Action::keepAndPause, 3, 15},
        {500, 3, 50, Action::keepAndPause, 4, 30, true},  // the fourth failure with 3 retries
        {std::nullopt, 9, 50, Action::keepAndPause, 10, 30, true},
        {413, 0, 50, Action::keepAndShrink, 1, 0},
        {413, 3, 50, Action::keepAndShrink, 4, 0},       // halving ends by itself at a cap of 1
        {413, 0, 1, Action::remove, 0, 0, false, true},  // one record no server takes
        {413, 3, 1, Action::remove, 0, 0, false, true},
        {200, 2, 50, Action::remove, 0, 0},
        {400, 1, 50, Action::remove, 0, 0},
        {401, 1, 50, Action::remove, 0, 0},
        {501, 1, 50, Action::remove, 0, 0},  // not in the events list
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status ? *c.status : -1);
        const auto decision =
            decideUpload(c.status, eventsRetriable, c.retryCount, 3, c.cap, static_cast<std::size_t>(c.cap));
        EXPECT_EQ(decision.action, c.action);
        EXPECT_EQ(decision.retryCount, c.newRetryCount);
        EXPECT_DOUBLE_EQ(decision.pauseSeconds, c.pause);
        EXPECT_EQ(decision.retriesExhausted, c.exhausted);
        EXPECT_EQ(decision.refusedAlone, c.refusedAlone);
    }
}

TEST(UploadResultRules, TheEndpointDecidesWhatIsRetried) {
    const auto logsRetriable = [](int code) { return code == 408 || code == 429 || (code >= 500 && code <= 599); };
    EXPECT_EQ(decideUpload(501, logsRetriable, 0, 3, 50, 50).action, Action::keepAndPause);
    EXPECT_EQ(decideUpload(302, logsRetriable, 0, 3, 50, 50).action, Action::remove);
    // A 413 that the endpoint chose to retry is a plain retry, not a shrink.
    EXPECT_EQ(decideUpload(
                  413, [](int) { return true; }, 0, 3, 50, 50)
                  .action,
              Action::keepAndPause);
}

// Only a record refused alone goes: a batch asked for before the cap came down to
// one is shrunk like any other, and one record sent under a larger cap is first
// tried again at a cap of one.
TEST(UploadResultRules, ATooLargeAnswerLetsARecordGoOnlyWhenItWasSentAlone) {
    const std::vector<std::tuple<std::int64_t, std::size_t, Action>> cases = {
        {1, 1, Action::remove},
        {1, 6, Action::keepAndShrink},
        {50, 1, Action::keepAndShrink},
        {2, 2, Action::keepAndShrink},
    };
    for (const auto& [cap, batchSize, action] : cases) {
        EXPECT_EQ(decideUpload(413, eventsRetriable, 0, 3, cap, batchSize).action, action) << cap << "/" << batchSize;
    }
}

TEST(UploadResultRules, BackoffGrowsByFiveSecondsUpToThirty) {
    const std::vector<std::pair<std::int64_t, double>> steps = {{1, 5}, {2, 10}, {5, 25}, {6, 30}, {9, 30}};
    for (const auto& [count, seconds] : steps) EXPECT_DOUBLE_EQ(backoffSeconds(count), seconds) << count;
}

TEST(BatchLimits, StartsAtLeastAtOne) {
    EXPECT_EQ(BatchLimits::initial(0, -4), (BatchLimits{1, 1}));
    EXPECT_EQ(BatchLimits::initial(50, 20), (BatchLimits{50, 20}));
}

TEST(BatchLimits, HalvesFromWhatWasActuallySentNeverBelowOne) {
    struct Step {
        BatchLimits before;
        std::size_t batchSize;
        BatchLimits after;
    };
    const std::vector<Step> steps = {
        {{50, 20}, 50, {25, 10}}, {{50, 20}, 7, {3, 3}},  // a short batch: the cap follows the batch, flushAt the cap
        {{25, 10}, 25, {12, 5}},  {{3, 1}, 3, {1, 1}},   {{2, 2}, 1, {1, 1}},
    };
    for (const auto& step : steps) {
        const auto after = step.before.halvedFor(step.batchSize);
        EXPECT_EQ(after, step.after) << step.before.cap << "/" << step.batchSize << " gave " << after.cap << "/"
                                     << after.flushAt;
    }
}

}  // namespace
}  // namespace zerazov
