#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "Hotkeys/Sandbox.h"

namespace {

TEST(Sandbox, TheContainerVariableAloneTellsEvenWhenEmpty) {
    const auto in = [](std::map<std::string, std::string> variables) {
        return hotkeys::isSandboxed([&](const std::string& name) -> std::optional<std::string> {
            const auto found = variables.find(name);
            if (found == variables.end()) return std::nullopt;
            return found->second;
        });
    };
    EXPECT_TRUE(in({{"APP_SANDBOX_CONTAINER_ID", "com.example.tessivar"}}));
    EXPECT_TRUE(in({{"APP_SANDBOX_CONTAINER_ID", ""}}));
    EXPECT_FALSE(in({}));
    EXPECT_FALSE(in({{"APP_SANDBOX_CONTAINER", "x"}, {"app_sandbox_container_id", "x"}}));
}

// The test program runs without the variable; setting it later changes nothing.
TEST(Sandbox, TheProcessAnswerIsReadOnceAndKeptForTheRun) {
    ASSERT_EQ(std::getenv("APP_SANDBOX_CONTAINER_ID"), nullptr);
    EXPECT_FALSE(hotkeys::isSandboxed());
    ::setenv("APP_SANDBOX_CONTAINER_ID", "late", 1);
    EXPECT_FALSE(hotkeys::isSandboxed());
    ::unsetenv("APP_SANDBOX_CONTAINER_ID");
}

}  // namespace
