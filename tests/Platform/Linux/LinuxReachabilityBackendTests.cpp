#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "NetworkNamespace.h"
#include "Platform/Foundation/SerialQueue.h"
#include "Platform/Linux/LinuxReachabilityBackend.h"
#include "Platform/Network/ReachabilityBackend.h"

namespace platform {
namespace {

constexpr std::uint32_t kReachable = ReachabilityFlags::reachable;

// What `ip` says of this machine's default routes, in every table, leaving out
// the kinds that carry nothing.
bool ipListsAUsableDefaultRoute() {
    std::unique_ptr<FILE, int (*)(FILE*)> out(
        ::popen("timeout 10 sh -c 'ip -4 route show table all default; ip -6 route show table all default'", "r"),
        ::pclose);
    if (!out) return false;
    char line[512];
    while (std::fgets(line, sizeof line, out.get())) {
        const std::string text = line;
        const bool carriesNothing = text.rfind("unreachable", 0) == 0 || text.rfind("blackhole", 0) == 0 ||
                                    text.rfind("prohibit", 0) == 0 || text.find("linkdown") != std::string::npos;
        if (!carriesNothing) return true;
    }
    return false;
}

// The flags each change handler call brought, waited for with a bound.
class ChangeLog {
public:
    ReachabilityBackend::ChangeHandler handler() {
        return [this](std::uint32_t flags) {
            {
                std::lock_guard guard(lock_);
                latest_ = flags;
                onQueue_ = onQueue_ && queue_ && queue_->isCurrent();
            }
            changed_.notify_all();
        };
    }

    void expectOn(const SerialQueue& queue) { queue_ = &queue; }

    // True once a call has brought `flags`; gives up after ten seconds.
    bool waitFor(std::uint32_t flags) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, std::chrono::seconds(10), [&] { return latest_ == flags; });
    }

    bool allOnQueue() {
        std::lock_guard guard(lock_);
        return onQueue_;
    }

private:
    std::mutex lock_;  // guards latest_ and onQueue_
    std::condition_variable changed_;
    std::optional<std::uint32_t> latest_;
    bool onQueue_ = true;
    const SerialQueue* queue_ = nullptr;
};

TEST(LinuxReachabilityBackend, ReadsThisMachinesRoutesAsIpShowsThem) {
    auto created = LinuxReachabilityBackend::create();
    ASSERT_TRUE(created.backend) << "errno " << created.error;

    const auto read = created.backend->readFlags();
    EXPECT_EQ(read.error, 0);
    ASSERT_TRUE(read.flags.has_value());
    EXPECT_EQ(*read.flags, ipListsAUsableDefaultRoute() ? kReachable : 0u);
}

class LinuxReachabilityNamespaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        space = NetworkNamespace::create(why);
        if (!space) GTEST_SKIP() << why;
        const bool entered = space->runInside([this] { created = LinuxReachabilityBackend::create(); });
        if (!entered) GTEST_SKIP() << "this thread may not enter a network namespace (setns)";
        ASSERT_TRUE(created.backend) << "errno " << created.error;
        backend = created.backend.get();
    }

    std::uint32_t flagsNow() const {
        const auto read = backend->readFlags();
        EXPECT_EQ(read.error, 0);
        return read.flags.value_or(0xffffffff);
    }

    void watch() {
        log.expectOn(queue);
        ASSERT_EQ(backend->setChangeHandler(log.handler()), 0);
        ASSERT_EQ(backend->setDispatchQueue(&queue), 0);
    }

    std::unique_ptr<NetworkNamespace> space;
    ChangeLog log;
    SerialQueue queue{"linux reachability test"};
    ReachabilityBackend::Created created;  // released first: it stops watching before the queue goes
    ReachabilityBackend* backend = nullptr;
};

TEST_F(LinuxReachabilityNamespaceTest, DefaultRoutesOfEitherFamilyComeAndGoWithNotifications) {
    EXPECT_EQ(flagsNow(), 0u) << "a new namespace has no routes";
    watch();
    ASSERT_TRUE(space->ip("link set lo up"));

    struct Family {
        const char* name;
        const char* option;
    };
    for (const Family family : {Family{"IPv4", "-4"}, Family{"IPv6", "-6"}}) {
        SCOPED_TRACE(family.name);
        ASSERT_TRUE(space->ip(std::string(family.option) + " route add default dev lo"));
        EXPECT_TRUE(log.waitFor(kReachable));
        EXPECT_EQ(flagsNow(), kReachable);

        ASSERT_TRUE(space->ip(std::string(family.option) + " route del default dev lo"));
        EXPECT_TRUE(log.waitFor(0));
        EXPECT_EQ(flagsNow(), 0u);
    }
    EXPECT_TRUE(log.allOnQueue());
}

// The kernel drops IPv4 routes of a link that goes down without a route message;
// with IPv6 off nothing but the link's own message tells.
TEST_F(LinuxReachabilityNamespaceTest, ALinkGoingDownTakesItsDefaultRouteAlong) {
    ASSERT_TRUE(space->exec("sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.lo.disable_ipv6=1"));
    ASSERT_TRUE(space->ip("link set lo up"));
    ASSERT_TRUE(space->ip("route add default dev lo"));
    EXPECT_EQ(flagsNow(), kReachable);
    watch();

    ASSERT_TRUE(space->ip("link set lo down"));
    EXPECT_TRUE(log.waitFor(0));
    EXPECT_EQ(flagsNow(), 0u);
}

}  // namespace
}  // namespace platform
