#include <gtest/gtest.h>

#include <set>

#include <sys/stat.h>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/DurableFile.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "StorageTestSupport.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace zerazov_storage_tests {
namespace {

namespace fs = std::filesystem;
using zerazov::ZeraZovStorage;
using Key = ZeraZovStorage::StorageKey;
using nlohmann::json;

class StorageTest : public ::testing::Test {
protected:
    platform::TemporaryDirectory base;
    ZeraZovStorage storage{base.path(), "zzk_token"};
    const fs::path folder = base.path() / "zzk_token";
};

TEST(StorageKeyTest, EveryKeyHasItsOwnFileNameAndIsFoundByIt) {
    std::set<std::string_view> names;
    for (const auto key : ZeraZovStorage::allCases()) {
        names.insert(ZeraZovStorage::rawValue(key));
        EXPECT_EQ(ZeraZovStorage::storageKey(ZeraZovStorage::rawValue(key)), key);
    }
    EXPECT_EQ(names.size(), 27u);
    EXPECT_EQ(ZeraZovStorage::rawValue(Key::queue), "zerazov.queueFolder.uuid");
    EXPECT_EQ(ZeraZovStorage::rawValue(Key::personProcessingEnabled), "zerazov.enabledPersonProcessing");
    EXPECT_EQ(ZeraZovStorage::rawValue(Key::deviceId), "zerazov.deviceId");
    EXPECT_EQ(ZeraZovStorage::caseName(Key::replayQeueue), "replayQeueue");
    EXPECT_EQ(ZeraZovStorage::storageKey("zerazov.unknown"), std::nullopt);
    EXPECT_EQ(ZeraZovStorage::storageKey("distinctId"), std::nullopt);
}

TEST(StorageFolderTest, ProjectFolderLiesUnderTheDataHomeAndTheBundleIdentifier) {
    platform::TemporaryDirectory dataHome;
    ScopedDataHome scoped(dataHome.path());
    zerazov::ZeraZovConfig config("  zzk_token\n");
    // No container exists for an app group here; the identifier changes nothing.
    config.appGroupIdentifier.set("group.com.example");
    ZeraZovStorage storage(config, platform::BundleInfo::main());
    const fs::path expected = dataHome.path() / platform::BundleInfo::main().identifier / "zzk_token";
    EXPECT_EQ(storage.appFolderUrl(), expected);
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_EQ(ZeraZovStorage::applicationSupportDirectoryURL(""), dataHome.path() / "com.zerazov.unknown");
}

TEST_F(StorageTest, ScalarsAreWrappedInAnObjectNamedByTheKey) {
    storage.setJSON(Key::distinctId, "user-1");
    storage.setJSON(Key::optOut, true);
    storage.setJSON(Key::evaluatedAt, 1700000000123);
    EXPECT_EQ(readText(folder / "zerazov.distinctId"), R"({"zerazov.distinctId":"user-1"})");
    EXPECT_EQ(readText(folder / "zerazov.optOut"), R"({"zerazov.optOut":true})");
    EXPECT_EQ(readText(folder / "zerazov.evaluatedAt"), R"({"zerazov.evaluatedAt":1700000000123})");
    EXPECT_EQ(storage.getString(Key::distinctId), "user-1");
    EXPECT_EQ(storage.getBool(Key::optOut), true);
    EXPECT_EQ(storage.getNumber(Key::evaluatedAt), 1700000000123);
}

TEST_F(StorageTest, BareScalarsAreReadAsTheyAre) {
    writeText(folder / "zerazov.requestId", R"("req-7")");
    writeText(folder / "zerazov.isIdentified", "false");
    writeText(folder / "zerazov.evaluatedAt", "42");
    EXPECT_EQ(storage.getString(Key::requestId), "req-7");
    EXPECT_EQ(storage.getBool(Key::isIdentified), false);
    EXPECT_EQ(storage.getNumber(Key::evaluatedAt), 42);
}

TEST_F(StorageTest, TypedReadersRefuseOtherShapes) {
    writeText(folder / "zerazov.evaluatedAt", R"({"zerazov.evaluatedAt":12.9})");
    EXPECT_EQ(storage.getNumber(Key::evaluatedAt), 12);
    writeText(folder / "zerazov.evaluatedAt", R"({"zerazov.evaluatedAt":"12"})");
    EXPECT_EQ(storage.getNumber(Key::evaluatedAt), std::nullopt);
    writeText(folder / "zerazov.evaluatedAt", "1e300");
    EXPECT_EQ(storage.getNumber(Key::evaluatedAt), std::nullopt);

    // A member of another type makes the object no text record at all.
    writeText(folder / "zerazov.distinctId", R"({"zerazov.distinctId":"a","other":1})");
    EXPECT_EQ(storage.getString(Key::distinctId), std::nullopt);
    writeText(folder / "zerazov.optOut", R"({"zerazov.optOut":1})");
    EXPECT_EQ(storage.getBool(Key::optOut), std::nullopt);
    EXPECT_EQ(storage.getString(Key::anonymousId), std::nullopt);
}

TEST_F(StorageTest, ObjectsAndArraysAreWrittenUnwrapped) {
    storage.setJSON(Key::groups, json{{"company", "acme"}});
    storage.setJSON(Key::surveySeen, json::array({"s1", "s2"}));
    EXPECT_EQ(readText(folder / "zerazov.groups"), R"({"company":"acme"})");
    EXPECT_EQ(storage.getJSON(Key::surveySeen), json::array({"s1", "s2"}));
    EXPECT_EQ(storage.getString(Key::groups), std::nullopt);
}

TEST_F(StorageTest, AValueWithoutJSONTextRemovesTheStoredOne) {
    storage.setJSON(Key::distinctId, "before");
    storage.setJSON(Key::distinctId, std::string("\xff\xfe"));
    EXPECT_FALSE(fs::exists(folder / "zerazov.distinctId"));
    storage.setJSON(Key::evaluatedAt, 5);
    storage.setJSON(Key::evaluatedAt, std::numeric_limits<double>::quiet_NaN());
    EXPECT_FALSE(fs::exists(folder / "zerazov.evaluatedAt"));
}

TEST_F(StorageTest, WritesReplaceTheFileAndLeaveNoTemporaryFiles) {
    for (int i = 0; i < 5; ++i) storage.setJSON(Key::requestId, "req-" + std::to_string(i));
    EXPECT_EQ(storage.getString(Key::requestId), "req-4");
    EXPECT_EQ(entryNames(folder), std::vector<std::string>{"zerazov.requestId"});
    storage.setData(Key::requestId, std::nullopt);
    EXPECT_TRUE(entryNames(folder).empty());
    EXPECT_EQ(storage.getData(Key::requestId), std::nullopt);
}

TEST_F(StorageTest, AFailedWriteIsLoggedAndLeavesNoTemporaryFile) {
    DebugLogCapture log;
    // A folder in the way makes the final rename fail, whoever the user is.
    fs::create_directories(folder / "zerazov.distinctId" / "inside");
    storage.setJSON(Key::distinctId, "user");
    EXPECT_TRUE(log.containsPrefix("[ZeraZov] Failed to write data for key 'distinctId' error: "));
    EXPECT_EQ(entryNames(folder), std::vector<std::string>{"zerazov.distinctId"});
    EXPECT_TRUE(fs::is_directory(folder / "zerazov.distinctId" / "inside"));
}

TEST_F(StorageTest, UnreadableFilesReadAsAbsent) {
    DebugLogCapture log;
    fs::create_directory(folder / "zerazov.distinctId");
    EXPECT_EQ(storage.getString(Key::distinctId), std::nullopt);
    EXPECT_TRUE(log.containsPrefix("[ZeraZov] Error reading data from key distinctId: "));

    writeText(folder / "zerazov.flags", "{not json");
    EXPECT_EQ(storage.getJSON(Key::flags), std::nullopt);
    EXPECT_TRUE(log.containsPrefix("[ZeraZov] Failed to serialize key 'flags' error: "));

    // A pipe must not stall the reader waiting for a writer that never comes.
    ASSERT_EQ(mkfifo((folder / "zerazov.requestId").c_str(), 0600), 0);
    EXPECT_EQ(storage.getData(Key::requestId), std::nullopt);
    EXPECT_EQ(storage.getData(Key::anonymousId), std::nullopt);

    // A link in a value's place names someone else's file, however good its text.
    writeText(base.path() / "theirs", R"({"zerazov.deviceId":"theirs"})");
    fs::create_symlink(base.path() / "theirs", folder / "zerazov.deviceId");
    EXPECT_EQ(storage.getString(Key::deviceId), std::nullopt);
    EXPECT_TRUE(log.containsPrefix("[ZeraZov] Error reading data from key deviceId: " +
                                   (folder / "zerazov.deviceId").string() + " is a symbolic link, not followed"));

    // Grown past the bound of whole reads, a valid value is not read at all.
    writeText(folder / "zerazov.groups", R"({"pad": ")" + std::string(platform::DurableFile::readLimit, 'a') + R"("})");
    EXPECT_EQ(storage.getJSON(Key::groups), std::nullopt);
    EXPECT_TRUE(log.containsPrefix("[ZeraZov] Error reading data from key groups: larger than 16777216 bytes"));
}

// The project folder replaced by a link while the program runs: nothing is read
// or written through it, and each refusal says why.
TEST_F(StorageTest, AProjectFolderReplacedByALinkIsNeitherReadNorWrittenThrough) {
    DebugLogCapture log;
    storage.setJSON(Key::optOut, true);
    fs::rename(folder, base.path() / "moved");
    fs::create_directory_symlink(base.path() / "moved", folder);
    const std::string why = folder.string() + " is a symbolic link, not a folder; left alone";

    EXPECT_EQ(storage.getBool(Key::optOut), std::nullopt);
    EXPECT_TRUE(log.containsPrefix("[ZeraZov] Error reading data from key optOut: " + why));
    storage.setJSON(Key::optOut, false);
    storage.setJSON(Key::distinctId, "user");
    EXPECT_TRUE(log.containsPrefix("[ZeraZov] Failed to write data for key 'optOut' error: " + why));
    EXPECT_EQ(entryNames(base.path() / "moved"), std::vector<std::string>{"zerazov.optOut"});
    EXPECT_EQ(readText(base.path() / "moved" / "zerazov.optOut"), R"({"zerazov.optOut":true})");
}

void createEveryKey(const fs::path& folder) {
    for (const auto key : ZeraZovStorage::allCases()) {
        writeText(folder / ZeraZovStorage::rawValue(key), "{}");
    }
    // The live queue folders hold records, which a reset must leave alone.
    for (const auto key : {Key::queue, Key::replayQeueue, Key::replayBufferQueue, Key::logsQueue}) {
        const fs::path queueFolder = folder / ZeraZovStorage::rawValue(key);
        fs::remove(queueFolder);
        fs::create_directory(queueFolder);
        writeText(queueFolder / "0190A0B0-0000-7000-8000-000000000001", "{}");
    }
}

TEST_F(StorageTest, ResetKeepsTheDeviceIdTheLiveQueuesAndWhenAskedTheAnonymousId) {
    createEveryKey(folder);
    storage.reset(true);
    const std::vector<std::string> kept{
        "zerazov.anonymousId",      "zerazov.deviceId",           "zerazov.evaluatedAt",       "zerazov.logsFolder",
        "zerazov.queueFolder.uuid", "zerazov.replayBufferFolder", "zerazov.replayFolder.uuid",
    };
    EXPECT_EQ(entryNames(folder), kept);
    EXPECT_EQ(entryNames(folder / "zerazov.queueFolder.uuid").size(), 1u);

    storage.reset(false);
    EXPECT_FALSE(fs::exists(folder / "zerazov.anonymousId"));
    EXPECT_TRUE(fs::exists(folder / "zerazov.deviceId"));
    EXPECT_EQ(entryNames(folder).size(), kept.size() - 1);
}

class StorageMigrationTest : public ::testing::Test {
protected:
    platform::TemporaryDirectory base;
    const fs::path folder = base.path() / "zzk_token";
};

TEST_F(StorageMigrationTest, OldLayoutFilesAndFoldersMoveIntoTheProjectFolder) {
    writeText(base.path() / "zerazov.distinctId", R"({"zerazov.distinctId":"old-user"})");
    fs::create_directory(base.path() / "zerazov.queueFolder");
    writeText(base.path() / "zerazov.queueFolder" / "record-1", "event");
    fs::create_directory(base.path() / "other_project");
    writeText(base.path() / "unrelated.txt", "mine");

    ZeraZovStorage storage(base.path(), "zzk_token");

    EXPECT_EQ(storage.getString(Key::distinctId), "old-user");
    EXPECT_EQ(readText(folder / "zerazov.queueFolder" / "record-1"), "event");
    EXPECT_EQ(entryNames(base.path()), (std::vector<std::string>{"other_project", "unrelated.txt", "zzk_token"}));
    EXPECT_EQ(entryNames(folder), (std::vector<std::string>{"zerazov.distinctId", "zerazov.queueFolder"}));
}

TEST_F(StorageMigrationTest, ValuesAlreadyInTheProjectFolderWinAndTheOlderCopyGoes) {
    fs::create_directory(folder);
    writeText(folder / "zerazov.anonymousId", R"({"zerazov.anonymousId":"new"})");
    writeText(base.path() / "zerazov.anonymousId", R"({"zerazov.anonymousId":"old"})");

    ZeraZovStorage storage(base.path(), "zzk_token");

    EXPECT_EQ(storage.getString(Key::anonymousId), "new");
    EXPECT_FALSE(fs::exists(base.path() / "zerazov.anonymousId"));
}

TEST_F(StorageMigrationTest, AFailedCopyKeepsTheSourceAndLeavesNothingHalfCopied) {
    DebugLogCapture log;
    const fs::path oldQueue = base.path() / "zerazov.queueFolder";
    fs::create_directory(oldQueue);
    writeText(oldQueue / "record-1", "event");
    // A pipe cannot be copied, so the folder's copy breaks off.
    ASSERT_EQ(mkfifo((oldQueue / "stuck").c_str(), 0600), 0);

    { ZeraZovStorage storage(base.path(), "zzk_token"); }

    EXPECT_EQ(readText(oldQueue / "record-1"), "event");
    EXPECT_TRUE(entryNames(folder).empty());
    EXPECT_TRUE(log.containsPrefix("[ZeraZov] Error during storage migration for file zerazov.queueFolder at path "));

    // Once the obstacle is gone the next start finishes the move.
    fs::remove(oldQueue / "stuck");
    ZeraZovStorage storage(base.path(), "zzk_token");
    EXPECT_FALSE(fs::exists(oldQueue));
    EXPECT_EQ(readText(folder / "zerazov.queueFolder" / "record-1"), "event");
}

TEST_F(StorageMigrationTest, AnEmptyProjectTokenDeletesNothing) {
    writeText(base.path() / "zerazov.distinctId", R"({"zerazov.distinctId":"user"})");
    ZeraZovStorage storage(base.path(), "");
    EXPECT_EQ(storage.getString(Key::distinctId), "user");
}

}  // namespace
}  // namespace zerazov_storage_tests
