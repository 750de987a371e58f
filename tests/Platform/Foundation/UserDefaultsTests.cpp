#include "Platform/Foundation/UserDefaults.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Platform/Foundation/Log.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ScopedEnvironment.h"
#include "TextFile.h"

namespace platform {
namespace {

using foundation_tests::readText;
using foundation_tests::ScopedEnvironment;
using foundation_tests::writeText;
using nlohmann::json;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// What the folder holds beside the lock file that every change takes.
std::vector<std::string> entriesBesideTheLock(const TemporaryDirectory& folder) {
    auto names = folder.entryNames();
    std::erase_if(names, [](const std::string& name) { return name.ends_with(".lock"); });
    return names;
}

class UserDefaultsTest : public ::testing::Test {
protected:
    std::filesystem::path file() const { return folder.path() / "defaults.json"; }
    UserDefaults open() {
        return UserDefaults(file(), [this](const std::string& message) { reports.push_back(message); });
    }

    TemporaryDirectory folder;
    std::vector<std::string> reports;
};

TEST_F(UserDefaultsTest, AbsentKeyDiffersFromStoredFalse) {
    auto defaults = open();
    EXPECT_FALSE(defaults.object("hideCursor").has_value());
    EXPECT_FALSE(defaults.contains("hideCursor"));
    EXPECT_FALSE(defaults.boolValue("hideCursor"));

    defaults.set("hideCursor", false);
    ASSERT_TRUE(defaults.object("hideCursor").has_value());
    EXPECT_EQ(*defaults.object("hideCursor"), json(false));
    EXPECT_FALSE(defaults.boolValue("hideCursor"));

    defaults.set("hideCursor", true);
    EXPECT_TRUE(defaults.boolValue("hideCursor"));
}

TEST_F(UserDefaultsTest, BoolValueReadsNumbersAndStrings) {
    auto defaults = open();
    const std::vector<std::pair<json, bool>> cases = {
        {0, false},
        {7, true},
        {-1, true},
        {0.0, false},
        {0.25, true},
        {"YES", true},
        {"yes", true},
        {"true", true},
        {"T", true},
        {"  y", true},
        {"\t1", true},
        {"9", true},
        {"0", false},
        {"NO", false},
        {"false", false},
        {"", false},
        {"0.5", false},
        {"007", true},
        {"-3", true},
        {"+0", false},
        {"abc", false},
        {json::array({1}), false},
        {json::object({{"a", 1}}), false},
    };
    for (const auto& [stored, expected] : cases) {
        defaults.set("value", stored);
        EXPECT_EQ(defaults.boolValue("value"), expected) << stored.dump();
    }
}

TEST_F(UserDefaultsTest, StringValueGivesTheTextOfNumbersAndBooleans) {
    auto defaults = open();
    const std::vector<std::pair<json, std::string>> cases = {
        {5, "5"},
        {-12, "-12"},
        {1.5, "1.5"},
        {0.1, "0.1"},
        {2.0, "2"},
        {1e16, "1e+16"},
        {true, "1"},
        {false, "0"},
        {"as stored", "as stored"},
        {18446744073709551615ULL, "18446744073709551615"},
    };
    for (const auto& [stored, expected] : cases) {
        defaults.set("value", stored);
        EXPECT_EQ(defaults.stringValue("value"), expected) << stored.dump();
    }
    defaults.set("value", json::array({"a"}));
    EXPECT_FALSE(defaults.stringValue("value").has_value());
    defaults.set("value", json::object());
    EXPECT_FALSE(defaults.stringValue("value").has_value());
    EXPECT_FALSE(defaults.stringValue("absent").has_value());
}

TEST_F(UserDefaultsTest, NumericValuesConvertBooleansStringsAndDoubles) {
    auto defaults = open();
    defaults.set("flag", true);
    EXPECT_EQ(defaults.integerValue("flag"), 1);
    EXPECT_EQ(defaults.doubleValue("flag"), 1.0);
    defaults.set("flag", false);
    EXPECT_EQ(defaults.integerValue("flag"), 0);

    defaults.set("text", " 42");
    EXPECT_EQ(defaults.integerValue("text"), 42);
    defaults.set("text", "-2.75");
    EXPECT_EQ(defaults.integerValue("text"), -2);
    EXPECT_EQ(defaults.doubleValue("text"), -2.75);
    defaults.set("text", "+0.5");
    EXPECT_EQ(defaults.doubleValue("text"), 0.5);
    defaults.set("text", "12px");
    EXPECT_EQ(defaults.integerValue("text"), 12);
    defaults.set("text", "wide");
    EXPECT_EQ(defaults.integerValue("text"), 0);
    EXPECT_EQ(defaults.doubleValue("text"), 0.0);
    defaults.set("text", "99999999999999999999");
    EXPECT_EQ(defaults.integerValue("text"), std::numeric_limits<std::int64_t>::max());

    defaults.set("number", 3.9);
    EXPECT_EQ(defaults.integerValue("number"), 3);
    defaults.set("number", 1e300);
    EXPECT_EQ(defaults.integerValue("number"), std::numeric_limits<std::int64_t>::max());
    defaults.set("number", 18446744073709551615ULL);
    EXPECT_EQ(defaults.integerValue("number"), std::numeric_limits<std::int64_t>::max());
    defaults.set("number", 9007199254740993ULL);  // 2^53 + 1: exact only if not read through a double
    EXPECT_EQ(defaults.integerValue("number"), 9007199254740993LL);

    defaults.set("list", json::array({1}));
    EXPECT_EQ(defaults.integerValue("list"), 0);
    EXPECT_EQ(defaults.integerValue("absent"), 0);
    EXPECT_EQ(defaults.doubleValue("absent"), 0.0);
}

TEST_F(UserDefaultsTest, SecondInstanceReadsWhatTheFirstWrote) {
    {
        auto first = open();
        first.set("count", 3);
        first.set("scale", 1.5);
        first.set("name", "左屏");
        first.set("off", false);
        first.set("frame", json::object({{"x", 10}, {"y", -20}}));
        first.set("gone", "soon");
        first.removeObject("gone");
    }
    auto second = open();
    EXPECT_EQ(second.integerValue("count"), 3);
    EXPECT_EQ(second.doubleValue("scale"), 1.5);
    EXPECT_EQ(second.stringValue("name"), "左屏");
    EXPECT_EQ(second.object("off"), json(false));
    EXPECT_EQ(second.object("frame"), json::object({{"x", 10}, {"y", -20}}));
    EXPECT_FALSE(second.contains("gone"));
    EXPECT_TRUE(reports.empty());
}

TEST_F(UserDefaultsTest, ConcurrentWritersLoseNoKey) {
    {
        auto defaults = open();
        std::vector<std::thread> writers;
        for (int writer = 0; writer < 4; ++writer) {
            writers.emplace_back([&defaults, writer] {
                for (int i = 0; i < 25; ++i) defaults.set("w" + std::to_string(writer) + "-" + std::to_string(i), i);
            });
        }
        for (auto& thread : writers) thread.join();
    }
    const auto reloaded = json::parse(readText(file()));
    EXPECT_EQ(reloaded.size(), 100u);
    EXPECT_EQ(reloaded.at("w3-24"), 24);
    EXPECT_THAT(entriesBesideTheLock(folder), ElementsAre("defaults.json"));
}

TEST_F(UserDefaultsTest, EveryChangeLeavesOneValidFileAndNoTemporaries) {
    auto defaults = open();
    defaults.set("a", 1);
    EXPECT_EQ(json::parse(readText(file())), json::object({{"a", 1}}));
    defaults.set("b", "two");
    defaults.removeObject("a");
    EXPECT_EQ(json::parse(readText(file())), json::object({{"b", "two"}}));
    EXPECT_THAT(entriesBesideTheLock(folder), ElementsAre("defaults.json"));
}

TEST_F(UserDefaultsTest, InvalidUtf8IsStoredWithoutThrowing) {
    auto defaults = open();
    EXPECT_NO_THROW(defaults.set("name", std::string("bad \xff byte")));
    EXPECT_EQ(json::parse(readText(file())).at("name"), "bad \xef\xbf\xbd byte");
    EXPECT_TRUE(reports.empty());
}

TEST_F(UserDefaultsTest, StoringNullRemovesTheKey) {
    auto defaults = open();
    defaults.set("key", 1);
    defaults.set("key", nullptr);
    EXPECT_FALSE(defaults.contains("key"));
    EXPECT_EQ(json::parse(readText(file())), json::object());
}

TEST_F(UserDefaultsTest, MissingFoldersAreCreatedOnFirstWrite) {
    const auto nested = folder.path() / "config" / "com.example" / "defaults.json";
    UserDefaults defaults(nested, [this](const std::string& message) { reports.push_back(message); });
    defaults.set("k", 1);
    EXPECT_EQ(json::parse(readText(nested)), json::object({{"k", 1}}));
    EXPECT_TRUE(reports.empty());
}

TEST_F(UserDefaultsTest, CorruptFileIsMovedAsideReportedAndNeverOverwritten) {
    for (const std::string bad : {"{\"a\": 1,", "[1, 2]", "", "\"text\""}) {
        SCOPED_TRACE(bad);
        TemporaryDirectory scratch;
        const auto path = scratch.path() / "defaults.json";
        writeText(path, bad);
        std::vector<std::string> heard;
        const auto before = std::time(nullptr);
        UserDefaults defaults(path, [&heard](const std::string& message) { heard.push_back(message); });
        const auto after = std::time(nullptr);

        const auto names = entriesBesideTheLock(scratch);
        ASSERT_EQ(names.size(), 1u);
        ASSERT_THAT(names[0], StartsWith("defaults.json.corrupt-"));
        const auto seconds = std::stoll(names[0].substr(std::string("defaults.json.corrupt-").size()));
        EXPECT_GE(seconds, before);
        EXPECT_LE(seconds, after);
        const auto aside = scratch.path() / names[0];
        EXPECT_EQ(readText(aside), bad);
        ASSERT_EQ(heard.size(), 1u);
        EXPECT_EQ(heard[0], "⚠️ 设置文件无法解析，已移至 " + aside.string());
        EXPECT_FALSE(defaults.contains("a"));

        defaults.set("fresh", true);
        EXPECT_EQ(json::parse(readText(path)), json::object({{"fresh", true}}));
        EXPECT_EQ(readText(aside), bad);
    }
}

TEST_F(UserDefaultsTest, SecondCorruptFileInTheSameSecondKeepsTheFirstOne) {
    writeText(file(), "first {");
    open();
    writeText(file(), "second {");
    open();
    std::vector<std::string> contents;
    for (const auto& name : entriesBesideTheLock(folder)) contents.push_back(readText(folder.path() / name));
    std::sort(contents.begin(), contents.end());
    EXPECT_THAT(contents, ElementsAre("first {", "second {"));
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(UserDefaultsTest, FailedWriteIsReportedAndTheValueStaysInMemory) {
    // A regular file where the folder should be stops the write even for root.
    writeText(folder.path() / "blocker", "");
    const auto path = folder.path() / "blocker" / "defaults.json";
    UserDefaults defaults(path, [this](const std::string& message) { reports.push_back(message); });
    defaults.set("kept", 5);
    EXPECT_EQ(defaults.integerValue("kept"), 5);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_THAT(reports[0], StartsWith("✗ 无法写入设置文件 " + path.string() + ": "));
    EXPECT_GT(reports[0].size(), ("✗ 无法写入设置文件 " + path.string() + ": ").size());
}

TEST_F(UserDefaultsTest, CorruptFileThatCannotBeMovedIsLeftAlone) {
    // /proc cannot be renamed in, so the file stays; no write may replace it.
    UserDefaults defaults("/proc/version", [this](const std::string& message) { reports.push_back(message); });
    const auto original = readText("/proc/version");
    defaults.set("k", 1);
    EXPECT_EQ(defaults.integerValue("k"), 1);
    EXPECT_EQ(readText("/proc/version"), original);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_THAT(reports[0], StartsWith("✗ 设置文件无法解析，也无法移开 /proc/version: "));
    EXPECT_THAT(reports[1], StartsWith("✗ 无法写入设置文件 /proc/version: "));
}

TEST_F(UserDefaultsTest, UnreadableFileIsNeitherMovedNorOverwritten) {
    // A folder at the path cannot be read as settings even by root; it is not corrupt either.
    std::filesystem::create_directories(file() / "inside");
    auto defaults = open();
    defaults.set("k", 1);
    EXPECT_EQ(defaults.integerValue("k"), 1);
    EXPECT_THAT(entriesBesideTheLock(folder), ElementsAre("defaults.json"));
    EXPECT_TRUE(std::filesystem::is_directory(file() / "inside"));
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0], "✗ 设置文件无法读取 " + file().string() + ": not a regular file");
    EXPECT_THAT(reports[1], StartsWith("✗ 无法写入设置文件 " + file().string() + ": 设置文件无法读取"));
}

TEST_F(UserDefaultsTest, DefaultReporterLogsWithTheApplicationPrefix) {
    std::vector<std::string> lines;
    const auto previous = Log::setSink([&lines](const std::string& line) { lines.push_back(line); });
    writeText(folder.path() / "blocker", "");
    UserDefaults defaults(folder.path() / "blocker" / "defaults.json");
    defaults.set("k", 1);
    Log::setSink(previous);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], StartsWith("[Tessivar] ✗ 无法写入设置文件 "));
}

TEST_F(UserDefaultsTest, BlockedFileLogsEachFailureOncePerRun) {
    struct Case {
        const char* name;
        std::string fileName;
        std::function<void(const std::filesystem::path&)> arrange;
        std::string firstLine;  // the load's line, before the path's own text
    };
    const std::vector<Case> cases = {
        {"unreadable: a folder at the path", "defaults.json",
         [](const std::filesystem::path& path) { std::filesystem::create_directories(path / "inside"); },
         "[Tessivar] ✗ 设置文件无法读取 "},
        // The aside name would be longer than a file name may be, so the move fails even for root.
        {"corrupt and cannot be moved aside", std::string(240, 'd') + ".json",
         [](const std::filesystem::path& path) { writeText(path, "{bad"); },
         "[Tessivar] ✗ 设置文件无法解析，也无法移开 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryDirectory scratch;
        const auto path = scratch.path() / c.fileName;
        c.arrange(path);
        const auto namesBefore = entriesBesideTheLock(scratch);
        LogCapture logs;
        for (int launch = 0; launch < 2; ++launch) {
            UserDefaults defaults(path);
            for (int i = 1; i <= 8; ++i) defaults.set("Hotkeys_jumpToScreen" + std::to_string(i), "{}");
            EXPECT_EQ(defaults.keys().size(), 8u) << "the values stay in memory";
        }
        const auto lines = logs.lines();
        ASSERT_EQ(lines.size(), 2u) << "one line per distinct failure, however often it recurs";
        EXPECT_THAT(lines[0], StartsWith(c.firstLine + path.string() + ": "));
        EXPECT_THAT(lines[1], StartsWith("[Tessivar] ✗ 无法写入设置文件 " + path.string() + ": "));
        EXPECT_EQ(entriesBesideTheLock(scratch), namesBefore) << "nothing moved, nothing written";
    }
}

TEST_F(UserDefaultsTest, SettingsBehindALinkStayBehindItWithTheirMode) {
    const auto dotfiles = folder.path() / "dotfiles";
    std::filesystem::create_directories(dotfiles);
    writeText(dotfiles / "tessivar.json", R"({"kept": 1})");
    std::filesystem::permissions(dotfiles / "tessivar.json", std::filesystem::perms(0640));
    std::filesystem::create_symlink("dotfiles/tessivar.json", file());

    auto defaults = open();
    EXPECT_EQ(defaults.integerValue("kept"), 1);
    defaults.set("added", true);

    EXPECT_TRUE(std::filesystem::is_symlink(file()));
    EXPECT_EQ(json::parse(readText(dotfiles / "tessivar.json")), json::object({{"kept", 1}, {"added", true}}));
    EXPECT_EQ(std::filesystem::status(dotfiles / "tessivar.json").permissions(), std::filesystem::perms(0640));
    EXPECT_TRUE(reports.empty());
}

TEST_F(UserDefaultsTest, CorruptFileBehindALinkIsMovedAsideWhereItLies) {
    const TemporaryDirectory dotfiles;
    writeText(dotfiles.path() / "tessivar.json", "{bad");
    std::filesystem::create_symlink(dotfiles.path() / "tessivar.json", file());

    auto defaults = open();
    const auto names = dotfiles.entryNames();
    ASSERT_EQ(names.size(), 1u);
    ASSERT_THAT(names[0], StartsWith("tessivar.json.corrupt-"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0], "⚠️ 设置文件无法解析，已移至 " + (dotfiles.path() / names[0]).string());
    EXPECT_TRUE(std::filesystem::is_symlink(file()));

    defaults.set("fresh", 1);
    EXPECT_TRUE(std::filesystem::is_symlink(file()));
    EXPECT_EQ(json::parse(readText(dotfiles.path() / "tessivar.json")), json::object({{"fresh", 1}}));
    EXPECT_EQ(readText(dotfiles.path() / names[0]), "{bad");
}

TEST_F(UserDefaultsTest, StandardLivesUnderConfigHomeAndBundleIdentifier) {
    ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", folder.path().string());
    EXPECT_EQ(UserDefaults::standard().file(), folder.path() / "com.brel.tessivar" / "defaults.json");
}

}  // namespace
}  // namespace platform
