#include <gtest/gtest.h>
#include <unwind.h>

#include <stdexcept>

#include "ClientHarness.h"
#include "ZeraZov/Integrations/ErrorTracking/ZeraZovErrorValue.h"
#include "ZeraZov/Integrations/ErrorTracking/ZeraZovExceptionObject.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;

ZeraZovErrorValue displayError() {
    ZeraZovErrorValue error;
    error.domain = "com.brel.tessivar.display";
    error.code = 4;
    error.localizedDescription = "显示器已断开";
    return error;
}

// Called for real (no inlining, no tail call), so that each is the frame its
// capture's stack should begin at.
[[gnu::noinline]] void captureErrorFromHere(ZeraZovSDK& client) {
    client.captureException(displayError());
    asm volatile("" ::: "memory");
}

[[gnu::noinline]] void captureObjectFromHere(ZeraZovSDK& client) {
    client.captureException(ZeraZovExceptionObject{"JumpFailed", "gone", {}, nullptr});
    asm volatile("" ::: "memory");
}

[[gnu::noinline]] void captureThrownFromHere(ZeraZovSDK& client) {
    try {
        throw std::out_of_range("no display 9");
    } catch (...) {
        client.captureException(std::current_exception());
    }
    asm volatile("" ::: "memory");
}

// This program exports no names, as the application does not: the client's own
// frames are left out all the same, and the innermost frame is the function that
// captured (by the unwinder's function table, which knows functions without names).
TEST(ExceptionCapture, TheStackBeginsAtTheCapturingFunctionInAProgramThatExportsNoNames) {
    struct Case {
        const char* what;
        void (*captureFromHere)(ZeraZovSDK&);
    };
    const std::vector<Case> cases{{"an error", &captureErrorFromHere},
                                  {"an exception object", &captureObjectFromHere},
                                  {"a thrown exception", &captureThrownFromHere}};
    ClientHarness h;
    auto client = h.client();
    CapturedEvents events(*client);
    for (const auto& c : cases) {
        c.captureFromHere(*client);
        const auto frames = events.last().properties["$exception_list"][0]["stacktrace"]["frames"];
        ASSERT_FALSE(frames.empty()) << c.what;
        const auto innermost = std::stoull(frames.back()["instruction_addr"].get<std::string>(), nullptr, 16);
        EXPECT_EQ(_Unwind_FindEnclosingFunction(reinterpret_cast<void*>(innermost - 1)),
                  reinterpret_cast<void*>(c.captureFromHere))
            << c.what << ": " << frames.back().dump();
        EXPECT_FALSE(frames.back().contains("function")) << c.what << ": the program exports no names";
    }
    client->close();
}

TEST(ExceptionCapture, HandledErrorsAndExceptionsBecomeExceptionEvents) {
    ClientHarness h;
    auto client = h.client();
    CapturedEvents events(*client);
    client->captureException(displayError());
    client->captureException(displayError(), json{{"$exception_level", "fatal"}, {"display", 3}});
    try {
        throw std::out_of_range("no display 9");
    } catch (...) {
        client->captureException(std::current_exception());
    }
    ASSERT_EQ(events.names(), (std::vector<std::string>{"$exception", "$exception", "$exception"}));
    const auto plain = events.all()[0].properties;
    EXPECT_EQ(plain["$exception_level"], "error");
    ASSERT_EQ(plain["$exception_list"].size(), 1u);
    EXPECT_EQ(plain["$exception_list"][0]["type"], "com.brel.tessivar.display");
    EXPECT_EQ(plain["$exception_list"][0]["value"], "显示器已断开 (Code: 4)");
    EXPECT_TRUE(plain["$exception_list"][0].contains("stacktrace"));
    EXPECT_FALSE(plain["$debug_images"].empty());
    EXPECT_TRUE(plain.contains("$session_id")) << "built like any event";

    const auto given = events.all()[1].properties;
    EXPECT_EQ(given["$exception_level"], "fatal");
    EXPECT_EQ(given["display"], 3);

    const auto thrown = events.all()[2].properties["$exception_list"][0];
    EXPECT_EQ(thrown["type"], "std::out_of_range");
    EXPECT_EQ(thrown["value"], "no display 9");
    EXPECT_EQ(thrown["mechanism"], (json{{"type", "generic"}, {"handled", true}, {"synthetic", true}}));
    EXPECT_EQ(h.queuedEvents().size(), 3u);

    client->optOut();
    client->captureException(displayError());
    EXPECT_EQ(events.all().size(), 3u);
    EXPECT_TRUE(h.logged("ZeraZov is in OptOut state."));
    client->close();
}

TEST(ExceptionCapture, NothingIsCapturedBeforeSetUp) {
    ClientHarness h;
    auto client = ZeraZovSDK::create(h.environment());
    CapturedEvents events(*client);
    client->captureException(displayError());
    client->captureException(ZeraZovExceptionObject{"JumpFailed", "gone", {}, nullptr});
    EXPECT_TRUE(events.all().empty());
    EXPECT_EQ(h.logs.lines(), (std::vector<std::string>{"[ZeraZov] " + notSetUp, "[ZeraZov] " + notSetUp}));
}

}  // namespace
}  // namespace zerazov::testing
