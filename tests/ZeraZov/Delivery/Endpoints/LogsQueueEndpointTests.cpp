#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ApiTestSupport.h"
#include "ZeraZov/Integrations/Logs/LogsQueueEndpoint.h"

namespace zerazov {
namespace {

class LogsQueueEndpointFields : public ::testing::Test {
protected:
    std::shared_ptr<ZeraZovConfig> config_ = std::make_shared<ZeraZovConfig>(testing::testToken);
    QueueEndpoint<ZeraZovLogRecord> endpoint_ =
        LogsQueueEndpoint::make(std::make_shared<ZeraZovApi>(config_), nlohmann::json::object());
};

TEST_F(LogsQueueEndpointFields, LogsLiveInTheirOwnFolderWithNothingToMigrate) {
    EXPECT_EQ(ZeraZovStorage::rawValue(endpoint_.storageKey), "zerazov.logsFolder");
    EXPECT_TRUE(endpoint_.oldStorageKeys.empty());
    EXPECT_EQ(endpoint_.dispatchQueueLabel, "com.zerazov.LogsQueue");
    EXPECT_EQ(endpoint_.describe(ZeraZovLogRecord("anything", ZeraZovLogSeverity::info)), "log");
}

TEST_F(LogsQueueEndpointFields, LimitsComeFromTheLogsSettingsNotTheEventQueueOnes) {
    config_->maxBatchSize = 1;
    config_->flushAt = 1;
    config_->logs.maxBatchSize = 9;
    config_->logs.flushAt = 4;
    config_->logs.maxBufferSize = 30;
    config_->logs.flushIntervalSeconds = 12;
    EXPECT_EQ(endpoint_.initialCap(*config_), 9);
    EXPECT_EQ(endpoint_.initialFlushAt(*config_), 4);
    EXPECT_EQ(endpoint_.maxQueueSize(*config_), 30);
    EXPECT_EQ(endpoint_.flushIntervalSeconds(*config_), 12.0);
    EXPECT_EQ(endpoint_.rateCapMax(*config_), 500);
    EXPECT_EQ(endpoint_.rateCapWindowSeconds(*config_), 10.0);
}

TEST_F(LogsQueueEndpointFields, NegativeRateCapSettingsTurnTheCapOff) {
    config_->logs.rateCapMaxLogs = -5;
    config_->logs.rateCapWindowSeconds = -1;
    EXPECT_EQ(endpoint_.rateCapMax(*config_), 0);
    EXPECT_EQ(endpoint_.rateCapWindowSeconds(*config_), 0.0);
}

TEST_F(LogsQueueEndpointFields, StoredRecordsReadBackWithEveryField) {
    ZeraZovLogRecord record("disk almost full", ZeraZovLogSeverity::warn);
    record.attributes = {{"free_mb", 120}, {"paths", {"/", "/home"}}};
    record.traceId = "4bf92f3577b34da6a3ce929d0e0e4736";
    record.traceFlags = 1;
    record.sessionId = "0190a1b2-c3d4-7e5f-8a9b-0c1d2e3f4a5b";
    record.featureFlagKeys = {"beta"};
    record.timeUnixNano = "1714564800123456789";
    const auto bytes = endpoint_.encode(record);
    ASSERT_TRUE(bytes);
    const auto decoded = endpoint_.decode(*bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->toDictionary(), record.toDictionary());
}

TEST_F(LogsQueueEndpointFields, CorruptStoredBytesDecodeToNothing) {
    for (const std::string bytes : {"", "{\"body\":", "[{\"body\":\"a\"}]", "{\"body\":7}", "{\"level\":\"warn\"}"}) {
        EXPECT_FALSE(endpoint_.decode(bytes)) << bytes;
    }
}

}  // namespace
}  // namespace zerazov
