#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Network/ReachabilityBackend.h"
#include "Platform/Testing/FakeReachabilityBackend.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "ZeraZov/Delivery/Reachability/Reachability.h"

namespace zerazov {
namespace {

using platform::ReachabilityFlags;
using Kind = ReachabilityError::Kind;

constexpr std::uint32_t kReachable = ReachabilityFlags::reachable;

// Runs `work` on a thread of its own and answers whether it finished within a
// generous bound: a lock held around a callback shows as a stall, not a hung test.
bool finishesOnAnotherThread(std::function<void()> work) {
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    std::thread([work = std::move(work), done] {
        work();
        done->set_value();
    }).detach();
    return finished.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
}

// A monitor over a fake backend, with every report written down as it reaches
// the main queue: "reachable", "unreachable", "notification".
class ReachabilityTest : public ::testing::Test {
protected:
    void make(std::uint32_t flags) {
        auto fake = std::make_unique<platform::FakeReachabilityBackend>(flags);
        backend = fake.get();
        auto creation = Reachability::create({std::move(fake), 0}, mainQueue, center);
        ASSERT_TRUE(creation.monitor);
        monitor = creation.monitor;
        reachableToken = monitor->onReachable().subscribe([this](Reachability& sender) { hear("reachable", sender); });
        unreachableToken =
            monitor->onUnreachable().subscribe([this](Reachability& sender) { hear("unreachable", sender); });
        observer = center.addObserver(
            Reachability::changedNotification, &mainQueue, [this](const platform::Notification& notification) {
                objects.push_back(notification.userInfo.at(Reachability::notificationObjectKey));
                heard.push_back("notification");
            });
    }

    void hear(const std::string& what, Reachability& sender) {
        EXPECT_EQ(&sender, monitor.get());
        EXPECT_TRUE(mainQueue.isMainThread());
        heard.push_back(what);
    }

    std::vector<std::string> drained() {
        mainQueue.drain();
        return std::exchange(heard, {});
    }

    platform::ManualMainQueue mainQueue;
    platform::NotificationCenter center;
    platform::FakeReachabilityBackend* backend = nullptr;  // owned by the monitor
    std::shared_ptr<Reachability> monitor;
    RegistrationTokenPtr reachableToken;
    RegistrationTokenPtr unreachableToken;
    platform::ObserverTokenPtr observer;
    std::vector<std::string> heard;
    std::vector<nlohmann::json> objects;
};

using Heard = std::vector<std::string>;

TEST_F(ReachabilityTest, StartReadsOnceAndReportsThatReadOnTheMainQueue) {
    make(kReachable);
    EXPECT_EQ(monitor->startNotifier(), std::nullopt);

    EXPECT_TRUE(monitor->isNotifierRunning());
    EXPECT_TRUE(backend->hasChangeHandler());
    EXPECT_TRUE(backend->isScheduled());
    EXPECT_EQ(backend->readCount(), 1);
    EXPECT_EQ(monitor->flags(), kReachable);
    EXPECT_TRUE(heard.empty()) << "reports wait for the main queue";
    EXPECT_EQ(drained(), (Heard{"reachable", "notification"}));
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0], monitor->identifier());

    // A second start changes nothing and reports nothing.
    EXPECT_EQ(monitor->startNotifier(), std::nullopt);
    EXPECT_EQ(backend->handlerInstalls(), 1);
    EXPECT_EQ(backend->readCount(), 1);
    EXPECT_TRUE(drained().empty());
}

TEST_F(ReachabilityTest, StartWhileUnreachableTellsTheUnreachableSubscribers) {
    make(0);
    EXPECT_EQ(monitor->startNotifier(), std::nullopt);
    EXPECT_EQ(drained(), (Heard{"unreachable", "notification"}));
    EXPECT_FALSE(monitor->isReachable());
}

TEST_F(ReachabilityTest, EveryChangeOfTheFlagsReportsAndNothingElseDoes) {
    make(kReachable);
    ASSERT_EQ(monitor->startNotifier(), std::nullopt);
    drained();

    ASSERT_TRUE(backend->announce(kReachable));
    EXPECT_TRUE(drained().empty()) << "the same flags again";

    ASSERT_TRUE(backend->announce(0));
    EXPECT_EQ(drained(), (Heard{"unreachable", "notification"}));
    EXPECT_EQ(monitor->connection(), Reachability::Connection::unavailable);

    ASSERT_TRUE(backend->announce(kReachable));
    EXPECT_EQ(drained(), (Heard{"reachable", "notification"}));
    EXPECT_EQ(monitor->connection(), Reachability::Connection::wifi);

    // A bit that leaves the connection as it was is still a change.
    ASSERT_TRUE(backend->announce(kReachable | ReachabilityFlags::isDirect));
    EXPECT_EQ(drained(), (Heard{"reachable", "notification"}));
    EXPECT_EQ(objects.size(), 4u);
}

TEST_F(ReachabilityTest, SubscribersRunWithNoLockOrQueueOfTheMonitorHeld) {
    make(kReachable);
    bool restarted = false;
    auto token = monitor->onUnreachable().subscribe([this, &restarted](Reachability& sender) {
        restarted = finishesOnAnotherThread([&sender] {
            sender.stopNotifier();
            EXPECT_EQ(sender.startNotifier(), std::nullopt);
            EXPECT_EQ(sender.setReachabilityFlags(), std::nullopt);
        });
    });
    ASSERT_EQ(monitor->startNotifier(), std::nullopt);
    drained();

    ASSERT_TRUE(backend->announce(0));
    drained();
    EXPECT_TRUE(restarted);
    EXPECT_TRUE(monitor->isNotifierRunning());
}

TEST_F(ReachabilityTest, StopRemovesTheHandlerAndARestartReportsOnlyAChange) {
    make(kReachable);
    ASSERT_EQ(monitor->startNotifier(), std::nullopt);
    drained();

    monitor->stopNotifier();
    EXPECT_FALSE(monitor->isNotifierRunning());
    EXPECT_FALSE(backend->hasChangeHandler());
    EXPECT_FALSE(backend->isScheduled());
    EXPECT_FALSE(backend->announce(0));
    EXPECT_TRUE(drained().empty());

    backend->setFlags(kReachable);
    ASSERT_EQ(monitor->startNotifier(), std::nullopt);
    EXPECT_EQ(backend->handlerInstalls(), 2);
    EXPECT_TRUE(drained().empty()) << "the flags read at the restart are the ones known";

    backend->setFlags(0);
    monitor->stopNotifier();
    ASSERT_EQ(monitor->startNotifier(), std::nullopt);
    EXPECT_EQ(drained(), (Heard{"unreachable", "notification"}));
}

TEST_F(ReachabilityTest, AFailedStartLeavesTheNotifierStoppedAndReportsNothing) {
    using Fake = platform::FakeReachabilityBackend;
    struct Case {
        const char* name;
        std::function<void(Fake&)> fail;
        ReachabilityError expected;
    };
    const Case cases[] = {
        {"handler", [](Fake& fake) { fake.failSetChangeHandler(EPERM); }, {Kind::unableToSetCallback, EPERM}},
        {"queue", [](Fake& fake) { fake.failSetDispatchQueue(EPERM); }, {Kind::unableToSetDispatchQueue, EPERM}},
        {"read", [](Fake& fake) { fake.failReads(EPERM); }, {Kind::unableToGetFlags, EPERM}},
    };
    for (const Case& failing : cases) {
        SCOPED_TRACE(failing.name);
        make(kReachable);
        failing.fail(*backend);

        EXPECT_EQ(monitor->startNotifier(), failing.expected);
        EXPECT_FALSE(monitor->isNotifierRunning());
        EXPECT_FALSE(backend->hasChangeHandler());
        EXPECT_FALSE(backend->isScheduled());
        EXPECT_EQ(monitor->flags(), std::nullopt);
        EXPECT_TRUE(drained().empty());
    }
}

TEST_F(ReachabilityTest, AFailedReadStopsARunningNotifier) {
    make(kReachable);
    ASSERT_EQ(monitor->startNotifier(), std::nullopt);
    backend->failReads(EIO);

    EXPECT_EQ(monitor->setReachabilityFlags(), (ReachabilityError{Kind::unableToGetFlags, EIO}));
    EXPECT_FALSE(monitor->isNotifierRunning());
    EXPECT_FALSE(backend->hasChangeHandler());
    EXPECT_EQ(monitor->flags(), kReachable) << "the last flags read stay";
}

TEST_F(ReachabilityTest, ConnectionReadsUnknownFlagsOnceAndReportsThem) {
    const std::uint32_t required = kReachable | ReachabilityFlags::connectionRequired;
    for (const auto& [flags, expected] : {std::pair{kReachable, Reachability::Connection::wifi},
                                          std::pair{required, Reachability::Connection::unavailable}}) {
        make(flags);
        EXPECT_EQ(monitor->connection(), expected);
        EXPECT_EQ(monitor->connection(), expected);
        EXPECT_EQ(backend->readCount(), 1) << "read once, then known";
        EXPECT_EQ(drained().size(), 2u) << "unknown to known is a change";
    }
}

TEST_F(ReachabilityTest, AFailedLazyReadAnswersUnavailableUntilAReadSucceeds) {
    make(kReachable);
    backend->failReads(ETIMEDOUT);
    EXPECT_EQ(monitor->connection(), Reachability::Connection::unavailable);
    EXPECT_EQ(monitor->reachabilityFlags(), std::nullopt);
    EXPECT_TRUE(drained().empty());

    backend->failReads(0);
    EXPECT_TRUE(monitor->isReachable());
}

TEST_F(ReachabilityTest, AMonitorReleasedWithAReportQueuedReportsNothing) {
    make(kReachable);
    ASSERT_EQ(monitor->startNotifier(), std::nullopt);
    backend = nullptr;
    monitor.reset();

    EXPECT_TRUE(drained().empty());
    EXPECT_TRUE(objects.empty());
}

TEST(ReachabilityText, DescribesUnknownFlagsAndEachFlagByItsLetter) {
    platform::ManualMainQueue mainQueue;
    auto creation =
        Reachability::create({std::make_unique<platform::FakeReachabilityBackend>(kReachable), 0}, mainQueue);
    ASSERT_TRUE(creation.monitor);
    EXPECT_EQ(creation.monitor->description(), "unavailable flags");
    ASSERT_EQ(creation.monitor->setReachabilityFlags(), std::nullopt);
    EXPECT_EQ(creation.monitor->description(), "-R -------");

    EXPECT_EQ(Reachability::flagsDescription(kReachable | ReachabilityFlags::isDirect), "-R ------d");
    EXPECT_EQ(Reachability::flagsDescription(0x3003f), "-R ctiCDld");
}

// The text the queues log when monitoring cannot start: each cause by its own name.
TEST(ReachabilityText, DescribesEachCauseByItsNameWithWhatItCarries) {
    const std::vector<std::pair<ReachabilityError, std::string>> cases{
        {{Kind::failedToCreateWithAddress, EACCES}, "failedToCreateWithAddress(13)"},
        {{Kind::failedToCreateWithHostname, ENOENT, "example.com"}, "failedToCreateWithHostname(example.com, 2)"},
        {{Kind::unableToSetCallback, EPERM}, "unableToSetCallback(1)"},
        {{Kind::unableToSetDispatchQueue, EAGAIN}, "unableToSetDispatchQueue(11)"},
        {{Kind::unableToGetFlags, EIO}, "unableToGetFlags(5)"},
    };
    for (const auto& [error, text] : cases) EXPECT_EQ(error.description(), text);
}

TEST(ReachabilityCreation, ABackendThatDidNotComeUpGivesItsCode) {
    platform::ManualMainQueue mainQueue;
    const auto creation = Reachability::create({nullptr, EACCES}, mainQueue);
    EXPECT_EQ(creation.monitor, nullptr);
    EXPECT_EQ(creation.error, (ReachabilityError{Kind::failedToCreateWithAddress, EACCES}));
}

}  // namespace
}  // namespace zerazov
