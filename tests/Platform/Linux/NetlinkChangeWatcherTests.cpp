#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/syscall.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Platform/Linux/NetlinkSocket.h"
#include "Platform/Linux/Private/NetlinkChangeWatcher.h"
#include "tests/support/WaitUntil.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

constexpr int kShortQuietMs = 5;

// Asks the kernel for its link list, which it answers on the socket: a change
// notification as far as the watcher can tell.
int askForLinks(const NetlinkSocket& socket) {
    struct {
        nlmsghdr header;
        rtgenmsg body;
    } request{};
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETLINK;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.body.rtgen_family = AF_UNSPEC;
    std::vector<std::byte> bytes(sizeof request);
    std::memcpy(bytes.data(), &request, sizeof request);
    return socket.send(bytes);
}

bool waitFor(const std::atomic<int>& count, int atLeast) {
    return tessivar::testing::waitUntil([&] { return count >= atLeast; }, 10s, 1ms);
}

std::set<std::string> threadsOfThisProcess() {
    std::set<std::string> threads;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        threads.insert(entry.path().filename());
    return threads;
}

// The timeout of the poll the thread sleeps in, as the kernel shows it (-1 for
// none); absent while the thread is in no poll. What the thread waits for, seen
// without waiting for it: no sleep has to outlast a timeout to show there is none.
std::optional<int> pollTimeout(const std::string& thread) {
    std::ifstream file("/proc/self/task/" + thread + "/syscall");
    long number = -1;
    std::string fds, count, timeout;
    if (!(file >> number >> fds >> count >> timeout) || number != SYS_poll) return std::nullopt;
    return static_cast<int>(static_cast<std::uint32_t>(std::stoull(timeout, nullptr, 16)));
}

bool waitForPollTimeout(const std::string& thread, int timeout) {
    return tessivar::testing::waitUntil([&] { return pollTimeout(thread) == timeout; }, 10s, 1ms);
}

// An idle watcher sleeps until the kernel speaks; quiet-interval wakes come only
// after a wake that asked for them, and stop once a wake no longer asks.
TEST(NetlinkChangeWatcher, WakesAfterQuietIntervalsOnlyWhileAsked) {
    NetlinkSocket socket;
    ASSERT_EQ(socket.open(0), 0);
    std::atomic<int> changes{0};
    std::atomic<int> quietWakes{0};
    std::atomic<bool> askAgain{true};
    NetlinkChangeWatcher watcher(
        socket,
        [&](bool changed) {
            (changed ? changes : quietWakes)++;
            return askAgain.load();
        },
        kShortQuietMs);
    const auto before = threadsOfThisProcess();
    ASSERT_EQ(watcher.start(), 0);
    std::vector<std::string> started;
    std::ranges::set_difference(threadsOfThisProcess(), before, std::back_inserter(started));
    ASSERT_EQ(started.size(), 1u) << "the watcher's thread";
    const std::string thread = started.front();

    EXPECT_TRUE(waitForPollTimeout(thread, -1))
        << "an idle watcher sleeps with a timeout of " << pollTimeout(thread).value_or(-2);
    EXPECT_EQ(quietWakes, 0) << "an idle watcher was woken without being asked";
    EXPECT_EQ(changes, 0);

    ASSERT_EQ(askForLinks(socket), 0);
    ASSERT_TRUE(waitFor(changes, 1));
    EXPECT_TRUE(waitFor(quietWakes, 3)) << "a wake that asked for another was not followed by quiet wakes";

    askAgain = false;
    const int settled = quietWakes + 1;  // at most one wake was already on its way
    // Back in a poll without a timeout, the thread wakes no more without the kernel.
    EXPECT_TRUE(waitForPollTimeout(thread, -1)) << "quiet wakes went on after a wake stopped asking";
    EXPECT_LE(quietWakes, settled);
}

}  // namespace
}  // namespace platform
