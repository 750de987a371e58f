#include <gtest/gtest.h>

#include <memory>

#include "ApiTestSupport.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"
#include "ZeraZov/Integrations/Logs/LogsQueueEndpoint.h"

namespace zerazov {
namespace {

struct StatusCase {
    int code;
    bool eventsRetry;  // also the snapshot stream
    bool logsRetry;
};

// Redirects are retried by the event streams only, the server errors outside the
// six transient ones by the logs stream only.
constexpr StatusCase statusCases[] = {
    {-1, false, false}, {200, false, false}, {204, false, false}, {299, false, false}, {300, true, false},
    {302, true, false}, {399, true, false},  {400, false, false}, {401, false, false}, {407, false, false},
    {408, true, true},  {413, false, false}, {429, true, true},   {499, false, false}, {500, true, true},
    {501, false, true}, {502, true, true},   {503, true, true},   {504, true, true},   {505, false, true},
    {599, false, true}, {600, false, false},
};

TEST(RetriableStatusCodes, EachStreamRetriesItsOwnSetOfCodes) {
    const auto config = std::make_shared<ZeraZovConfig>(testing::testToken);
    const auto api = std::make_shared<ZeraZovApi>(config);
    const auto events = QueueEndpoints::events(api);
    const auto snapshots = QueueEndpoints::snapshots(api);
    const auto logs = LogsQueueEndpoint::make(api, nlohmann::json::object());
    for (const auto& [code, eventsRetry, logsRetry] : statusCases) {
        EXPECT_EQ(events.isRetriableStatusCode(code), eventsRetry) << code;
        EXPECT_EQ(snapshots.isRetriableStatusCode(code), eventsRetry) << code;
        EXPECT_EQ(logs.isRetriableStatusCode(code), logsRetry) << code;
    }
}

}  // namespace
}  // namespace zerazov
