// The settings file as other processes and other hands leave it: nested past
// what can be handled safely, holding values that would grow when written, or
// written by a second process at the same time.
#include "Platform/Foundation/UserDefaults.h"

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Platform/Testing/TemporaryDirectory.h"
#include "TextFile.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using foundation_tests::readText;
using foundation_tests::writeText;
using nlohmann::json;
using ::testing::StartsWith;

std::string nestedArrays(std::size_t depth, const std::string& inside = "") {
    return std::string(depth, '[') + inside + std::string(depth, ']');
}

std::vector<std::string> asideNames(const TemporaryDirectory& folder) {
    std::vector<std::string> names;
    for (const auto& name : folder.entryNames()) {
        if (name.starts_with("defaults.json.corrupt-")) names.push_back(name);
    }
    return names;
}

class SharedSettingsFileTest : public ::testing::Test {
protected:
    fs::path file() const { return folder.path() / "defaults.json"; }
    UserDefaults open() {
        return UserDefaults(file(), [this](const std::string& message) { reports.push_back(message); });
    }

    TemporaryDirectory folder;
    std::vector<std::string> reports;
};

// Nested 60,000 deep the file parses, and then every copy or save of it ran
// the stack out: each launch died and the file stayed where it was.
TEST(SharedSettingsFile, AFileNestedTooDeepIsMovedAsideAtLaunchOrWhenReadAgain) {
    const std::string deep = "{\"visualEffectType\":\"ripple\",\"deep\":" + nestedArrays(60'000) + "}";
    for (const bool whileRunning : {false, true}) {
        SCOPED_TRACE(whileRunning ? "edited while running" : "found at launch");
        TemporaryDirectory folder;
        const auto file = folder.path() / "defaults.json";
        std::vector<std::string> reports;
        if (!whileRunning) writeText(file, deep);
        UserDefaults defaults(file, [&reports](const std::string& message) { reports.push_back(message); });
        defaults.set("hasCompletedOnboarding", true);
        if (whileRunning) {
            writeText(file, deep);
            defaults.synchronize();
        }
        const auto aside = asideNames(folder);
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(readText(folder.path() / aside[0]), deep);
        ASSERT_FALSE(reports.empty());
        EXPECT_THAT(reports.back(), StartsWith("⚠️ 设置文件无法解析，已移至 "));
        EXPECT_FALSE(defaults.contains("deep"));

        defaults.set("rememberLastPosition", false);
        const auto saved = json::parse(readText(file));
        EXPECT_EQ(saved["rememberLastPosition"], false);
        EXPECT_TRUE(saved.contains("hasCompletedOnboarding")) << "the values in memory stay";
    }
}

// The file holds each value one level down inside its own object, so a value
// may nest 511 deep: one level more and the file could not be read back, and
// the next launch would move every setting aside with it.
TEST(SharedSettingsFile, AValueThatWouldNestTheFileDeeperThan512IsRefusedAndTheFileStaysReadable) {
    struct NestingCase {
        const char* what;
        std::string value;
        bool kept;
    };
    const std::vector<NestingCase> cases{
        {"arrays 511 deep", nestedArrays(511), true},
        {"arrays 512 deep", nestedArrays(512), false},
        {"an object around arrays 510 deep", R"({"a":)" + nestedArrays(510) + "}", true},
        {"an object around arrays 511 deep", R"({"a":)" + nestedArrays(511) + "}", false},
        {"arrays 100,000 deep", nestedArrays(100'000), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TemporaryDirectory folder;
        const auto file = folder.path() / "defaults.json";
        std::vector<std::string> reports;
        const auto open = [&] {
            return UserDefaults(file, [&reports](const std::string& message) { reports.push_back(message); });
        };
        auto defaults = open();
        defaults.set("visualEffectType", "ripple");
        defaults.set("deep", json::parse(c.value));
        EXPECT_EQ(defaults.contains("deep"), c.kept);
        const std::vector<std::string> refusal{"✗ 设置值嵌套过深，未保存 deep"};
        EXPECT_EQ(reports, c.kept ? std::vector<std::string>{} : refusal);

        const auto reopened = open();
        EXPECT_TRUE(asideNames(folder).empty());
        EXPECT_EQ(reopened.stringValue("visualEffectType"), "ripple");
        EXPECT_EQ(reopened.contains("deep"), c.kept);
        if (c.kept) {
            EXPECT_EQ(reopened.object("deep"), json::parse(c.value));
        }
    }
}

// Written indented, each level cost its depth in spaces on every line: 20 KB
// nested 10,000 deep became 200 MB.
TEST_F(SharedSettingsFileTest, ASaveIsNeverMuchLargerThanWhatItHolds) {
    std::string zeros = "0";
    for (int i = 0; i < 5'000; ++i) zeros += ",0";
    const auto value = json::parse(nestedArrays(500, zeros));
    const auto held = value.dump().size();
    auto defaults = open();
    defaults.set("nested", value);
    EXPECT_LT(fs::file_size(file()), held + 100);
    EXPECT_EQ(open().object("nested"), value);
}

// Two processes storing their own keys at once: each read the file, changed
// its copy and renamed it over the other's, and keys went missing.
TEST_F(SharedSettingsFileTest, TwoProcessesWritingAtOnceLoseNoKey) {
    constexpr int keysEach = 200;
    int start[2];
    ASSERT_EQ(::pipe(start), 0);
    std::vector<pid_t> writers;
    for (const char* name : {"first", "second"}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(start[1]);
            char go;
            if (::read(start[0], &go, 1) != 0) ::_exit(3);
            // Each hears of the other's writes; only a failed one matters here.
            UserDefaults defaults(file(), [](const std::string& message) {
                if (message.starts_with("✗")) ::_exit(2);
            });
            for (int i = 0; i < keysEach; ++i) defaults.set(std::string(name) + "-" + std::to_string(i), i);
            ::_exit(0);
        }
        writers.push_back(child);
    }
    ::close(start[0]);
    ::close(start[1]);  // both start at once
    for (const pid_t child : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    const auto saved = json::parse(readText(file()));
    EXPECT_EQ(saved.size(), 2u * keysEach);
    for (int i = 0; i < keysEach; ++i) {
        EXPECT_EQ(saved.value("first-" + std::to_string(i), -1), i);
        EXPECT_EQ(saved.value("second-" + std::to_string(i), -1), i);
    }
}

}  // namespace
}  // namespace platform
