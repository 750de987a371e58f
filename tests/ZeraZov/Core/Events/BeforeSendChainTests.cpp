#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ZeraZov/Core/Events/BeforeSendChain.h"

namespace zerazov {
namespace {

using Chain = BeforeSendChain<std::string>;

Chain::Block appending(std::string suffix, std::vector<std::string>* seen = nullptr) {
    return [suffix = std::move(suffix), seen](std::string value) -> std::optional<std::string> {
        if (seen) seen->push_back(value);
        return value + suffix;
    };
}

TEST(BeforeSendChain, ANewChainPassesValuesThrough) {
    const Chain chain;
    EXPECT_EQ(chain.apply("event"), "event");
}

TEST(BeforeSendChain, AnEmptyListPassesValuesThrough) {
    Chain chain;
    chain.set({appending("-x")});
    chain.set({});
    EXPECT_EQ(chain.apply("event"), "event");
}

TEST(BeforeSendChain, HooksRunInListOrderOnThePreviousResult) {
    Chain chain;
    std::vector<std::string> seen;
    chain.set({appending("-a", &seen), appending("-b", &seen), appending("-c", &seen)});
    EXPECT_EQ(chain.apply("e"), "e-a-b-c");
    EXPECT_EQ(seen, (std::vector<std::string>{"e", "e-a", "e-a-b"}));
}

TEST(BeforeSendChain, AHookAnsweringNothingDropsAndSkipsTheRest) {
    Chain chain;
    std::vector<std::string> seenByThird;
    chain.set({appending("-a"), [](std::string) -> std::optional<std::string> { return std::nullopt; },
               appending("-c", &seenByThird)});
    EXPECT_FALSE(chain.apply("e").has_value());
    EXPECT_TRUE(seenByThird.empty());
}

TEST(BeforeSendChain, InstallingReplacesRatherThanAppends) {
    Chain chain;
    chain.set({appending("-a")});
    chain.set({appending("-b")});
    EXPECT_EQ(chain.apply("e"), "e-b");
}

TEST(BeforeSendChain, AThrowingHookDropsTheValue) {
    Chain chain;
    std::vector<std::string> seenAfter;
    chain.set({[](std::string) -> std::optional<std::string> { throw std::runtime_error("broken hook"); },
               appending("-c", &seenAfter)});
    EXPECT_FALSE(chain.apply("e").has_value());
    EXPECT_TRUE(seenAfter.empty());
}

TEST(BeforeSendChain, AnEmptyClosureInTheListPassesThrough) {
    Chain chain;
    chain.set({appending("-a"), Chain::Block{}, appending("-c")});
    EXPECT_EQ(chain.apply("e"), "e-a-c");
}

TEST(BeforeSendChain, AHookMayInstallNewHooksWhichApplyFromTheNextValue) {
    Chain chain;
    chain.set({[&chain](std::string value) -> std::optional<std::string> {
        chain.set({appending("-new")});
        return value + "-old";
    }});
    EXPECT_EQ(chain.apply("first"), "first-old");
    EXPECT_EQ(chain.apply("second"), "second-new");
}

}  // namespace
}  // namespace zerazov
