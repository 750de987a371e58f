#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "Platform/Testing/TemporaryDirectory.h"
#include "StorageTestSupport.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Identity/UUID.h"
#include "ZeraZov/Core/Storage/ZeraZovStorageManager.h"

namespace zerazov_storage_tests {
namespace {

namespace fs = std::filesystem;
using zerazov::UUID;
using zerazov::ZeraZovStorageManager;

bool isUpperCaseVersion7(const std::string& id) {
    const auto parsed = UUID::fromString(id);
    return parsed && parsed->uuidString() == id && id[14] == '7';
}

class StorageManagerTest : public ::testing::Test {
protected:
    std::unique_ptr<ZeraZovStorageManager> open(ZeraZovStorageManager::AnonymousIdGenerator idGen = {}) {
        return std::make_unique<ZeraZovStorageManager>(base.path(), "zzk_token", std::move(idGen));
    }
    std::string stored(const std::string& rawValue) const { return readText(folder / rawValue); }

    platform::TemporaryDirectory base;
    const fs::path folder = base.path() / "zzk_token";
};

TEST_F(StorageManagerTest, AFreshInstallationIsAnonymousEverywhere) {
    auto manager = open();
    const std::string anonymous = manager->getDistinctId();
    EXPECT_TRUE(isUpperCaseVersion7(anonymous)) << anonymous;
    EXPECT_EQ(manager->getAnonymousId(), anonymous);
    EXPECT_FALSE(manager->isIdentified());
    EXPECT_EQ(manager->getDeviceId(), anonymous);
    EXPECT_FALSE(manager->isPersonProcessing());
    EXPECT_EQ(stored("zerazov.anonymousId"), R"({"zerazov.anonymousId":")" + anonymous + R"("})");
    EXPECT_EQ(stored("zerazov.deviceId"), R"({"zerazov.deviceId":")" + anonymous + R"("})");
    // The anonymous id answers for the distinct id without being stored as one.
    EXPECT_FALSE(fs::exists(folder / "zerazov.distinctId"));
    EXPECT_FALSE(fs::exists(folder / "zerazov.isIdentified"));
}

TEST_F(StorageManagerTest, TheConfiguredGeneratorShapesTheAnonymousId) {
    const UUID fixed = *UUID::fromString("0f0e0d0c-0b0a-4908-8706-050403020100");
    auto manager = open([fixed](UUID) { return fixed; });
    EXPECT_EQ(manager->getAnonymousId(), "0F0E0D0C-0B0A-4908-8706-050403020100");
}

TEST_F(StorageManagerTest, AThrowingGeneratorStillGivesAnId) {
    auto manager = open([](UUID) -> UUID { throw std::runtime_error("no"); });
    EXPECT_TRUE(isUpperCaseVersion7(manager->getAnonymousId()));
}

TEST_F(StorageManagerTest, TheConfigurationsGeneratorIsTaken) {
    ScopedDataHome dataHome(base.path());
    zerazov::ZeraZovConfig config("zzk_token");
    const UUID fixed = *UUID::fromString("11111111-2222-4333-8444-555555555555");
    config.getAnonymousId.set([fixed](UUID) { return fixed; });
    ZeraZovStorageManager manager(config, platform::BundleInfo{"org.example.viewer", "2.4.1", "7", "viewer"});
    EXPECT_EQ(manager.getDistinctId(), fixed.uuidString());
}

TEST_F(StorageManagerTest, StoredValuesAreLoadedAndAStoredOtherDistinctIdMeansIdentified) {
    {
        auto first = open();
        first->getAnonymousId();
        first->setDistinctId("user@example.com");
        first->setPersonProcessing(true);
    }
    fs::remove(folder / "zerazov.isIdentified");
    auto manager = open();
    EXPECT_EQ(manager->getDistinctId(), "user@example.com");
    EXPECT_TRUE(manager->isIdentified());
    EXPECT_TRUE(manager->isPersonProcessing());
    // Derived, not written back.
    EXPECT_FALSE(fs::exists(folder / "zerazov.isIdentified"));
}

TEST_F(StorageManagerTest, AnUnchangedPersonProcessingValueIsNotWrittenAgain) {
    auto manager = open();
    manager->setPersonProcessing(true);
    fs::remove(folder / "zerazov.enabledPersonProcessing");
    manager->setPersonProcessing(true);
    EXPECT_FALSE(fs::exists(folder / "zerazov.enabledPersonProcessing"));
    manager->setPersonProcessing(false);
    EXPECT_EQ(stored("zerazov.enabledPersonProcessing"), R"({"zerazov.enabledPersonProcessing":false})");
}

TEST_F(StorageManagerTest, ResetWithStorageMakesANewAnonymousIdButKeepsTheDeviceId) {
    auto manager = open();
    const std::string first = manager->getDeviceId();
    manager->setDistinctId("user");
    manager->setIdentified(true);
    manager->setPersonProcessing(true);

    manager->reset(false, true);

    EXPECT_FALSE(fs::exists(folder / "zerazov.distinctId"));
    EXPECT_FALSE(fs::exists(folder / "zerazov.isIdentified"));
    EXPECT_FALSE(fs::exists(folder / "zerazov.enabledPersonProcessing"));
    const std::string second = manager->getAnonymousId();
    EXPECT_NE(second, first);
    EXPECT_EQ(manager->getDistinctId(), second);
    EXPECT_EQ(manager->getDeviceId(), first);
    EXPECT_FALSE(manager->isIdentified());
    EXPECT_FALSE(manager->isPersonProcessing());
    EXPECT_EQ(open()->getAnonymousId(), second);
}

TEST_F(StorageManagerTest, ResetKeepingTheAnonymousIdFallsBackToIt) {
    auto manager = open();
    const std::string anonymous = manager->getAnonymousId();
    manager->setDistinctId("user");
    manager->reset(true, true);
    EXPECT_TRUE(fs::exists(folder / "zerazov.anonymousId"));
    EXPECT_EQ(manager->getDistinctId(), anonymous);
    EXPECT_FALSE(manager->isIdentified());
}

TEST_F(StorageManagerTest, ResetWithoutStorageOnlyForgetsTheCache) {
    auto manager = open();
    const std::string anonymous = manager->getAnonymousId();
    manager->setDistinctId("user");
    manager->reset(false, false);
    // The files are the client's store's to delete; what is left is read again.
    EXPECT_EQ(manager->getDistinctId(), "user");
    EXPECT_EQ(manager->getAnonymousId(), anonymous);
}

// Many threads ask for the ids at once on a fresh installation: they must all
// see the same anonymous and device ids, and no call may deadlock.
TEST_F(StorageManagerTest, ConcurrentFirstReadersAgreeOnOneIdentity) {
    auto manager = open();
    constexpr int threads = 8;
    std::vector<std::string> anonymous(threads), devices(threads), distinct(threads);
    std::atomic<int> ready{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i) {
        workers.emplace_back([&, i] {
            ready.fetch_add(1);
            while (ready.load() < threads) std::this_thread::yield();
            switch (i % 3) {
            case 0: devices[i] = manager->getDeviceId(); break;
            case 1: distinct[i] = manager->getDistinctId(); break;
            default: anonymous[i] = manager->isIdentified() ? "" : manager->getAnonymousId();
            }
        });
    }
    for (auto& worker : workers) worker.join();
    const std::string id = manager->getAnonymousId();
    EXPECT_EQ(manager->getDeviceId(), id);
    for (int i = 0; i < threads; ++i) {
        for (const auto* seen : {&anonymous[i], &devices[i], &distinct[i]}) {
            if (!seen->empty()) {
                EXPECT_EQ(*seen, id) << "thread " << i;
            }
        }
    }
}

// Identify, reset and reads from several threads, a bounded number of times.
// Afterwards the device id is still the first one and every value is whole.
TEST_F(StorageManagerTest, ConcurrentIdentifyResetAndReadsKeepTheStoreConsistent) {
    auto manager = open();
    const std::string device = manager->getDeviceId();
    constexpr int threads = 6;
    constexpr int rounds = 300;
    std::atomic<int> badIds{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            for (int round = 0; round < rounds; ++round) {
                switch ((t + round) % 6) {
                case 0: manager->setDistinctId("user-" + std::to_string(t)); break;
                case 1: manager->reset(round % 2 == 0, true); break;
                case 2: manager->setIdentified(round % 2 == 0); break;
                case 3: manager->setPersonProcessing(round % 3 == 0); break;
                case 4: manager->isIdentified(); break;
                default: {
                    const std::string id = manager->getDistinctId();
                    if (id.rfind("user-", 0) != 0 && !isUpperCaseVersion7(id)) badIds.fetch_add(1);
                    if (manager->getDeviceId() != device) badIds.fetch_add(1);
                }
                }
                manager->isPersonProcessing();
            }
        });
    }
    for (auto& worker : workers) worker.join();
    EXPECT_EQ(badIds.load(), 0);
    EXPECT_EQ(manager->getDeviceId(), device);
    manager->reset(false, true);
    const std::string anonymous = manager->getAnonymousId();
    EXPECT_TRUE(isUpperCaseVersion7(anonymous));
    EXPECT_EQ(open()->getAnonymousId(), anonymous);
}

}  // namespace
}  // namespace zerazov_storage_tests
