#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ApiTestSupport.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"

namespace zerazov {
namespace {

using Key = ZeraZovStorage::StorageKey;

class EventQueueEndpoints : public ::testing::Test {
protected:
    std::shared_ptr<ZeraZovConfig> config_ = std::make_shared<ZeraZovConfig>(testing::testToken);
    std::shared_ptr<const ZeraZovApi> api_ = std::make_shared<ZeraZovApi>(config_);
};

TEST_F(EventQueueEndpoints, EventsLiveInTheQueueFolderAndMigrateBothOldLocations) {
    const auto endpoint = QueueEndpoints::events(api_);
    EXPECT_EQ(ZeraZovStorage::rawValue(endpoint.storageKey), "zerazov.queueFolder.uuid");
    EXPECT_EQ(endpoint.oldStorageKeys, (std::vector<Key>{Key::oldQueueFolder, Key::oldQueuePlist}));
    EXPECT_EQ(endpoint.dispatchQueueLabel, "com.zerazov.Queue");
}

TEST_F(EventQueueEndpoints, SnapshotsLiveInTheReplayFolderAndMigrateTheOldOne) {
    const auto endpoint = QueueEndpoints::snapshots(api_);
    EXPECT_EQ(ZeraZovStorage::rawValue(endpoint.storageKey), "zerazov.replayFolder.uuid");
    EXPECT_EQ(endpoint.oldStorageKeys, std::vector<Key>{Key::oldReplayQueue});
    EXPECT_EQ(endpoint.dispatchQueueLabel, "com.zerazov.ReplayQueue");
}

TEST_F(EventQueueEndpoints, BothReadTheQueueSettingsWhenAskedAndHaveNoRateCap) {
    const std::vector endpoints{QueueEndpoints::events(api_), QueueEndpoints::snapshots(api_)};
    config_->maxBatchSize = 7;
    config_->flushAt = 3;
    config_->maxQueueSize = 11;
    config_->flushIntervalSeconds = 2.5;
    for (const auto& endpoint : endpoints) {
        EXPECT_EQ(endpoint.initialCap(*config_), 7);
        EXPECT_EQ(endpoint.initialFlushAt(*config_), 3);
        EXPECT_EQ(endpoint.maxQueueSize(*config_), 11);
        EXPECT_EQ(endpoint.flushIntervalSeconds(*config_), 2.5);
        EXPECT_EQ(endpoint.rateCapMax(*config_), 0);
        EXPECT_EQ(endpoint.rateCapWindowSeconds(*config_), 0.0);
    }
}

TEST_F(EventQueueEndpoints, DescribeNamesTheEventOrJustTheSnapshot) {
    const auto event = testing::sampleEvent("$screen");
    EXPECT_EQ(QueueEndpoints::events(api_).describe(event), "event '$screen'");
    EXPECT_EQ(QueueEndpoints::snapshots(api_).describe(event), "snapshot");
}

TEST_F(EventQueueEndpoints, StoredEventsReadBackUnchangedThroughEitherEndpoint) {
    auto event = testing::sampleEvent("purchase");
    event.apiKey = "zzk_stored";
    event.properties["cart"] = {{"items", {1, 2}}, {"note", "größer 大"}};
    for (const auto& endpoint : {QueueEndpoints::events(api_), QueueEndpoints::snapshots(api_)}) {
        const auto bytes = endpoint.encode(event);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(endpoint.decode(*bytes), event);
    }
}

// The client only queues writable events, written straight from the event; one
// made some other way must still come out as JSON that reads back, without the
// member that could not be written.
TEST_F(EventQueueEndpoints, ARecordThatIsNotWritableAsItStandsLosesOnlyWhatCannotBeWritten) {
    const auto endpoint = QueueEndpoints::events(api_);
    auto badProperty = testing::sampleEvent("purchase");
    badProperty.properties["ratio"] = std::numeric_limits<double>::quiet_NaN();
    auto badName = testing::sampleEvent("bad\xc3");
    const struct {
        const char* name;
        ZeraZovEvent event;
        const char* lostMember;
    } rows[] = {{"a property that is no number", badProperty, "properties"},
                {"a name that is no text", badName, "event"}};
    for (const auto& row : rows) {
        const auto bytes = endpoint.encode(row.event);
        ASSERT_TRUE(bytes) << row.name;
        const auto written = nlohmann::json::parse(*bytes);
        EXPECT_FALSE(written.contains(row.lostMember)) << row.name;
        EXPECT_EQ(written.at("distinct_id"), row.event.distinctId) << row.name;
    }
}

TEST_F(EventQueueEndpoints, CorruptStoredBytesDecodeToNothing) {
    const auto endpoint = QueueEndpoints::events(api_);
    for (const std::string bytes : {"", "{\"event\":\"cut off", "[{\"event\":\"a\",\"distinct_id\":\"u\"}]",
                                    "{\"event\":42,\"distinct_id\":\"u\"}", "{\"event\":\"no one\"}"}) {
        EXPECT_FALSE(endpoint.decode(bytes)) << bytes;
    }
}

}  // namespace
}  // namespace zerazov
