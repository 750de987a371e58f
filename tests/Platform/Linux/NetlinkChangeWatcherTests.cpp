#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "Platform/Linux/NetlinkSocket.h"
#include "Platform/Linux/Private/NetlinkChangeWatcher.h"

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
    for (auto deadline = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < deadline;) {
        if (count >= atLeast) return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
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
    ASSERT_EQ(watcher.start(), 0);

    // Many quiet intervals pass with nothing from the kernel.
    std::this_thread::sleep_for(std::chrono::milliseconds(20 * kShortQuietMs));
    EXPECT_EQ(quietWakes, 0) << "an idle watcher was woken without being asked";
    EXPECT_EQ(changes, 0);

    ASSERT_EQ(askForLinks(socket), 0);
    ASSERT_TRUE(waitFor(changes, 1));
    EXPECT_TRUE(waitFor(quietWakes, 3)) << "a wake that asked for another was not followed by quiet wakes";

    askAgain = false;
    const int settled = quietWakes + 1;  // at most one wake was already on its way
    std::this_thread::sleep_for(std::chrono::milliseconds(20 * kShortQuietMs));
    EXPECT_LE(quietWakes, settled) << "quiet wakes went on after a wake stopped asking";
}

}  // namespace
}  // namespace platform
