#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "Platform/Testing/ManualClock.h"
#include "StorageTestSupport.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"
#include "ZeraZov/Core/Identity/UUID.h"
#include "ZeraZov/Core/Storage/ZeraZovSessionManager.h"
#include "tests/ZeraZov/TestLifecyclePublisher.h"

namespace zerazov_storage_tests {
namespace {

using namespace std::chrono_literals;
using zerazov::ZeraZovMulticastCallback;
using zerazov::ZeraZovSessionManager;
using Reason = ZeraZovSessionManager::SessionIDChangeReason;

using zerazov::testing::TestLifecyclePublisher;

class SessionManagerTest : public ::testing::Test {
protected:
    SessionManagerTest() {
        changeToken = manager->onSessionIdChanged.subscribe([this] { ++changes; });
    }

    std::optional<std::string> sessionAt(std::chrono::seconds later, bool readOnly = false) {
        return manager->getSessionId(start + later, readOnly);
    }
    std::optional<std::string> current() { return manager->getSessionId(clock.now(), true); }
    // "New session id created <id> (<reason>)" for some id.
    bool logged(Reason reason) const {
        const std::string prefix = "[ZeraZov] New session id created ";
        const std::string suffix = " (" + std::string(ZeraZovSessionManager::caseName(reason)) + ")";
        for (const auto& line : log.lines().lines()) {
            const bool starts = line.rfind(prefix, 0) == 0;
            const bool ends = line.size() > prefix.size() + suffix.size() &&
                              line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0;
            if (starts && ends) return true;
        }
        return false;
    }
    bool loggedClear(Reason reason) const {
        return log.lines().contains("[ZeraZov] Session id cleared - reason: (" +
                                    std::string(ZeraZovSessionManager::caseName(reason)) + ")");
    }

    const platform::Clock::WallTime start = platform::Clock::WallTime{} + 1'700'000'000s;
    platform::ManualClock clock{start};
    TestLifecyclePublisher publisher;
    const std::shared_ptr<zerazov::ZeraZovConfig> config = std::make_shared<zerazov::ZeraZovConfig>("token");
    std::shared_ptr<ZeraZovSessionManager> manager = ZeraZovSessionManager::create(clock);
    DebugLogCapture log;
    int changes = 0;
    zerazov::RegistrationTokenPtr changeToken;
};

TEST(SessionIDChangeReasonTest, RawValuesNameTheReasons) {
    EXPECT_EQ(ZeraZovSessionManager::rawValue(Reason::sessionIdEmpty), "Session id was empty");
    EXPECT_EQ(ZeraZovSessionManager::rawValue(Reason::sessionPastMaximumLength), "Session past maximum length");
    EXPECT_EQ(ZeraZovSessionManager::changeReason("Custom session set"), Reason::customSessionId);
    EXPECT_EQ(ZeraZovSessionManager::changeReason("Session timed out"), Reason::sessionTimeout);
    EXPECT_EQ(ZeraZovSessionManager::changeReason("customSessionId"), std::nullopt);
}

TEST_F(SessionManagerTest, BeforeSetupNoSessionIsMade) {
    EXPECT_EQ(sessionAt(0s), std::nullopt);
    EXPECT_TRUE(manager->isAppInBackground());
    EXPECT_EQ(changes, 0);
}

TEST_F(SessionManagerTest, SetupKeepsTheLatestConfiguration) {
    EXPECT_EQ(manager->config(), nullptr);
    manager->setup(config, publisher);
    EXPECT_EQ(manager->config(), config);
    EXPECT_FALSE(manager->isAppInBackground());

    const auto other = std::make_shared<zerazov::ZeraZovConfig>("other");
    manager->setup(other, publisher);
    EXPECT_EQ(manager->config(), other);
}

TEST_F(SessionManagerTest, AfterSetupOnlyAWritingReadMakesAnId) {
    manager->setup(config, publisher);
    EXPECT_EQ(sessionAt(0s, true), std::nullopt);
    const auto id = sessionAt(0s);
    ASSERT_TRUE(id);
    const auto parsed = zerazov::UUID::fromString(*id);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->uuidString(), *id);
    EXPECT_EQ((*id)[14], '7');
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(logged(Reason::sessionIdEmpty));
    EXPECT_EQ(sessionAt(10s), id);
    EXPECT_EQ(changes, 1);
}

TEST_F(SessionManagerTest, ThirtyIdleMinutesRotateTheSessionInTheForeground) {
    manager->setup(config, publisher);
    manager->startSession();
    const auto first = current();
    EXPECT_EQ(sessionAt(1800s), first);
    // Reading with an event's time records no activity.
    EXPECT_EQ(sessionAt(1000s), first);
    const auto second = manager->getSessionId(start + 1800s + 1ms, false);
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_TRUE(logged(Reason::sessionTimeout));
    EXPECT_EQ(changes, 2);
}

TEST_F(SessionManagerTest, AnExpiredSessionIsClearedInTheBackground) {
    manager->setup(config, publisher);
    manager->startSession();
    clock.advance(60s);
    publisher.onDidEnterBackground().invoke();
    EXPECT_TRUE(manager->isAppInBackground());
    // The transition recorded activity at 60 s.
    EXPECT_TRUE(sessionAt(1860s));
    EXPECT_EQ(sessionAt(1861s), std::nullopt);
    EXPECT_TRUE(loggedClear(Reason::sessionTimeout));
    EXPECT_EQ(current(), std::nullopt);
    // And no new one is made while in the background.
    EXPECT_EQ(sessionAt(1900s), std::nullopt);
}

TEST_F(SessionManagerTest, TwentyFourHoursEndASessionEvenWithActivity) {
    manager->setup(config, publisher);
    manager->startSession();
    const auto first = current();
    for (int minutes = 20; minutes <= 24 * 60; minutes += 20) {
        clock.setNow(start + std::chrono::minutes(minutes));
        manager->touchSession();
    }
    EXPECT_EQ(sessionAt(86400s), first);
    const auto second = sessionAt(86401s);
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_TRUE(logged(Reason::sessionPastMaximumLength));
}

TEST_F(SessionManagerTest, TwentyFourHoursInTheBackgroundClearTheSession) {
    manager->setup(config, publisher);
    manager->startSession();
    publisher.onDidEnterBackground().invoke();
    for (int minutes = 20; minutes <= 24 * 60 + 20; minutes += 20) {
        clock.setNow(start + std::chrono::minutes(minutes));
        manager->touchSession();
    }
    EXPECT_EQ(sessionAt(86401s), std::nullopt);
    EXPECT_TRUE(loggedClear(Reason::sessionPastMaximumLength));
}

TEST_F(SessionManagerTest, TouchRotatesAnIdleSessionAndOtherwiseRecordsActivity) {
    manager->setup(config, publisher);
    manager->startSession();
    const auto first = current();
    clock.advance(1000s);
    manager->touchSession();
    EXPECT_EQ(sessionAt(2800s), first);
    clock.advance(1801s);
    manager->touchSession();
    EXPECT_NE(current(), first);
    EXPECT_TRUE(logged(Reason::sessionTimeout));
}

TEST_F(SessionManagerTest, EveryChangeIsAnnouncedWithItsReason) {
    manager->setup(config, publisher);
    manager->startSession();
    EXPECT_TRUE(logged(Reason::sessionStart));
    manager->resetSession();
    EXPECT_TRUE(logged(Reason::sessionReset));
    manager->setSessionId("custom-id");
    EXPECT_EQ(current(), "custom-id");
    EXPECT_TRUE(log.lines().contains("[ZeraZov] New session id created custom-id (customSessionId)"));
    manager->setSessionIdInternal(std::nullopt, std::nullopt, Reason::sessionEnd);
    EXPECT_TRUE(loggedClear(Reason::sessionEnd));
    EXPECT_EQ(changes, 4);
}

TEST_F(SessionManagerTest, TheChangeCallbackRunsOutsideTheLock) {
    manager->setup(config, publisher);
    std::optional<std::string> seen;
    auto token = manager->onSessionIdChanged.subscribe([&] { seen = current(); });
    manager->startSession();
    EXPECT_TRUE(seen);
    EXPECT_EQ(seen, current());
}

TEST_F(SessionManagerTest, AnEmptyCustomIdIsReplacedByTheNextWritingRead) {
    manager->setup(config, publisher);
    manager->setSessionId("");
    EXPECT_EQ(current(), "");
    const auto id = sessionAt(0s);
    ASSERT_TRUE(id);
    EXPECT_FALSE(id->empty());
    EXPECT_TRUE(logged(Reason::sessionIdEmpty));
}

TEST_F(SessionManagerTest, AnUnforcedRotationWithoutASessionDoesNothing) {
    manager->setup(config, publisher);
    EXPECT_EQ(manager->rotateSession(false, start, Reason::sessionTimeout), std::nullopt);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(manager->rotateSession(true, start, Reason::sessionReset));
    EXPECT_EQ(changes, 1);
}

TEST_F(SessionManagerTest, StartSessionCallsItsCompletionAfterTheChange) {
    std::optional<std::string> seen;
    manager->startSession([&] { seen = current(); });
    EXPECT_TRUE(seen);
}

class HostKeptSessionTest : public SessionManagerTest {
protected:
    HostKeptSessionTest() { zerazov::ZeraZovLibraryInfo::setName("zerazov-react-native"); }
    ~HostKeptSessionTest() override { zerazov::ZeraZovLibraryInfo::setName(zerazov::ZeraZovLibraryInfo::defaultName); }
};

TEST_F(HostKeptSessionTest, AWrappingSdkKeepsTheSessionItself) {
    manager->setup(config, publisher);
    bool completed = false;
    manager->startSession([&] { completed = true; });
    EXPECT_FALSE(completed);
    manager->resetSession();
    EXPECT_EQ(sessionAt(0s), std::nullopt);
    manager->setSessionId("from-host");
    EXPECT_EQ(sessionAt(90000s), "from-host");
}

TEST_F(SessionManagerTest, LifecycleTransitionsAreFollowedOnlyBetweenSetupAndRelease) {
    publisher.onDidBecomeActive().invoke();
    EXPECT_TRUE(manager->isAppInBackground());

    manager->setup(config, publisher);
    manager->startSession();
    publisher.onDidEnterBackground().invoke();
    EXPECT_TRUE(manager->isAppInBackground());
    publisher.onDidBecomeActive().invoke();
    EXPECT_FALSE(manager->isAppInBackground());

    manager->releaseApplicationEventTokens();
    publisher.onDidEnterBackground().invoke();
    EXPECT_FALSE(manager->isAppInBackground());

    // A second setup replaces the subscriptions instead of adding to them.
    manager->setup(config, publisher);
    manager->setup(config, publisher);
    EXPECT_EQ(publisher.onDidBecomeActive().subscriberCount(), 1u);
}

TEST_F(SessionManagerTest, ARepeatedTransitionRecordsNoActivity) {
    manager->setup(config, publisher);
    manager->startSession();
    const auto first = current();
    clock.advance(1000s);
    publisher.onDidBecomeActive().invoke();  // already in the foreground: ignored
    EXPECT_NE(sessionAt(1801s), first);
}

TEST_F(SessionManagerTest, APublisherOutlivingTheManagerIsHarmless) {
    manager->setup(config, publisher);
    manager.reset();
    EXPECT_EQ(publisher.onDidBecomeActive().subscriberCount(), 0u);
    publisher.onDidEnterBackground().invoke();
}

}  // namespace
}  // namespace zerazov_storage_tests
