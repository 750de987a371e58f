#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>
#include <vector>

#include "ZeraZov/Core/Publishing/ZeraZovMulticastCallback.h"

namespace zerazov {
namespace {

using namespace std::chrono_literals;

TEST(ZeraZovMulticastCallback, SubscriptionLastsAsLongAsTheToken) {
    ZeraZovMulticastCallback<std::string> callback;
    std::vector<std::string> heard;
    callback.invoke("nobody listens");

    auto token = callback.subscribe([&](const std::string& name) { heard.push_back(name); });
    callback.invoke("Home");
    auto copy = token;
    token.reset();
    callback.invoke("Settings");  // the copy still holds the subscription
    copy.reset();
    callback.invoke("About");

    EXPECT_EQ(heard, (std::vector<std::string>{"Home", "Settings"}));
    EXPECT_EQ(callback.subscriberCount(), 0u);
}

TEST(ZeraZovMulticastCallback, TheSameHandlerTwiceIsCalledTwice) {
    ZeraZovMulticastCallback<> callback;
    int calls = 0;
    const auto handler = [&] { ++calls; };
    auto first = callback.subscribe(handler);
    auto second = callback.subscribe(handler);
    callback.invoke();
    EXPECT_EQ(calls, 2);
}

TEST(ZeraZovMulticastCallback, CountObserverHearsEveryChangeOutsideTheLock) {
    ZeraZovMulticastCallback<int> callback;
    std::vector<std::size_t> counts;
    callback.setOnSubscriberCountChanged([&](std::size_t count) {
        counts.push_back(count);
        // Reading the count again would deadlock if the observer ran under the lock.
        EXPECT_EQ(callback.subscriberCount(), count);
    });
    auto first = callback.subscribe([](const int&) {});
    auto second = callback.subscribe([](const int&) {});
    first.reset();
    second.reset();
    EXPECT_EQ(counts, (std::vector<std::size_t>{1, 2, 1, 0}));
}

TEST(ZeraZovMulticastCallback, ChangesDuringAnInvocationShowFromTheNextOne) {
    ZeraZovMulticastCallback<> callback;
    std::vector<std::string> calls;
    RegistrationTokenPtr self, other, added;
    self = callback.subscribe([&] {
        calls.push_back("self");
        self.reset();
        other.reset();
        if (!added) added = callback.subscribe([&] { calls.push_back("added"); });
    });
    other = callback.subscribe([&] { calls.push_back("other"); });

    callback.invoke();
    EXPECT_EQ(calls, (std::vector<std::string>{"self", "other"}));
    calls.clear();
    callback.invoke();
    EXPECT_EQ(calls, std::vector<std::string>{"added"});
}

TEST(ZeraZovMulticastCallback, TokenReleasedOnAnotherThreadMidInvocation) {
    ZeraZovMulticastCallback<> callback;
    std::promise<void> released;
    auto releasedSignal = released.get_future();
    std::atomic<int> secondCalls{0};
    RegistrationTokenPtr second;
    std::thread releaser;

    auto first = callback.subscribe([&] {
        if (releaser.joinable()) return;
        releaser = std::thread([&] {
            second.reset();
            released.set_value();
        });
        ASSERT_EQ(releasedSignal.wait_for(10s), std::future_status::ready);
    });
    second = callback.subscribe([&] { ++secondCalls; });

    callback.invoke();
    EXPECT_EQ(secondCalls, 1);  // it was in this invocation's copy
    callback.invoke();
    EXPECT_EQ(secondCalls, 1);
    releaser.join();
}

TEST(ZeraZovMulticastCallback, AThrowingHandlerDoesNotStopTheOthers) {
    ZeraZovMulticastCallback<> callback;
    int calls = 0;
    auto failing = callback.subscribe([] { throw std::runtime_error("boom"); });
    auto counting = callback.subscribe([&] { ++calls; });
    EXPECT_NO_THROW(callback.invoke());
    EXPECT_EQ(calls, 1);
}

TEST(ZeraZovMulticastCallback, TokenOutlivingItsCallbackEndsHarmlessly) {
    RegistrationTokenPtr token;
    auto captured = std::make_shared<int>(0);
    {
        ZeraZovMulticastCallback<> callback;
        token = callback.subscribe([captured] {});
    }
    // The handler went with its callback even though the token still lives.
    EXPECT_EQ(captured.use_count(), 1);
    token.reset();
}

}  // namespace
}  // namespace zerazov
