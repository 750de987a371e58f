// A settings file a person edits by hand while the program runs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "Platform/Foundation/DurableFile.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "TextFile.h"

namespace platform {
namespace {

using foundation_tests::readText;
using foundation_tests::writeText;
using nlohmann::json;

struct OutsideEditTest : ::testing::Test {
    std::filesystem::path file() const { return folder.path() / "defaults.json"; }
    json onDisk() const { return json::parse(readText(file())); }
    long reportsContaining(const std::string& text) const {
        return std::count_if(reports.begin(), reports.end(),
                             [&](const std::string& r) { return r.find(text) != std::string::npos; });
    }

    TemporaryDirectory folder;
    std::vector<std::string> reports;
    UserDefaults defaults{file(), [this](const std::string& message) { reports.push_back(message); }};
};

TEST_F(OutsideEditTest, AnEditMadeWhileRunningSurvivesTheNextChange) {
    defaults.set("visualEffectType", "scale");
    defaults.set("rememberLastPosition", true);
    writeText(file(), R"({"visualEffectType": "off", "rememberLastPosition": true, "Hotkeys_jumpToScreen3": false})");

    defaults.set("rememberLastPosition", false);
    EXPECT_EQ(onDisk(),
              (json{{"visualEffectType", "off"}, {"rememberLastPosition", false}, {"Hotkeys_jumpToScreen3", false}}));
    EXPECT_EQ(defaults.stringValue("visualEffectType"), "off");
    EXPECT_EQ(reportsContaining("⚠️ 设置文件已在别处修改，已重新读取 " + file().string()), 1);

    defaults.set("visualEffectType", "ripple");
    EXPECT_EQ(reportsContaining("已重新读取"), 1) << "our own writes are no outside change";
}

// A group of changes reaches the file in one save when the last open group
// closes, read back meanwhile from memory; a hand edit made while it was open
// survives, except where the group changed the same key.
TEST_F(OutsideEditTest, AChangeGroupIsWrittenOnceWhenItClosesOverAnEditMadeMeanwhile) {
    defaults.set("visualEffectType", "scale");
    const std::string before = readText(file());
    {
        const UserDefaults::ChangeGroup outer(defaults);
        {
            const UserDefaults::ChangeGroup inner(defaults);
            defaults.set("Hotkeys_jumpToScreen1", json{{"carbonKeyCode", 18}, {"carbonModifiers", 2048}});
            defaults.set("rememberLastPosition", false);
            defaults.removeObject("visualEffectType");
        }
        EXPECT_EQ(readText(file()), before) << "written before the last group closed";
        EXPECT_FALSE(defaults.contains("visualEffectType"));
        EXPECT_EQ(defaults.object("rememberLastPosition"), json(false));
        writeText(file(), R"({"visualEffectType": "off", "rememberLastPosition": true, "analytics_enabled": false})");
    }

    EXPECT_EQ(onDisk(), (json{{"Hotkeys_jumpToScreen1", {{"carbonKeyCode", 18}, {"carbonModifiers", 2048}}},
                              {"rememberLastPosition", false},
                              {"analytics_enabled", false}}));
    EXPECT_EQ(defaults.object("analytics_enabled"), json(false));
    EXPECT_FALSE(defaults.contains("visualEffectType"));
}

TEST_F(OutsideEditTest, SynchronizeReadsAnEditWithoutWriting) {
    defaults.set("visualEffectType", "scale");
    const std::string edited = R"({"visualEffectType":"ripple"})";
    writeText(file(), edited);
    EXPECT_EQ(defaults.stringValue("visualEffectType"), "scale") << "read at the next synchronize";
    defaults.synchronize();
    EXPECT_EQ(defaults.stringValue("visualEffectType"), "ripple");
    EXPECT_EQ(readText(file()), edited) << "the person's bytes stay as they wrote them";
    defaults.synchronize();
    EXPECT_EQ(reportsContaining("已重新读取"), 1);
}

// Half-saved or mistyped: the edit is kept aside and the program goes on with
// what it had.
TEST_F(OutsideEditTest, ACorruptEditIsMovedAsideAndTheValuesInMemoryStay) {
    defaults.set("visualEffectType", "ripple");
    writeText(file(), R"({"visualEffectType": "off",)");
    defaults.set("rememberLastPosition", false);
    EXPECT_EQ(onDisk(), (json{{"visualEffectType", "ripple"}, {"rememberLastPosition", false}}));
    EXPECT_EQ(reportsContaining("⚠️ 设置文件无法解析，已移至 "), 1);
    bool keptAside = false;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
        keptAside |= entry.path().filename().string().starts_with("defaults.json.corrupt-") &&
                     readText(entry.path()) == R"({"visualEffectType": "off",)";
    }
    EXPECT_TRUE(keptAside);
}

TEST_F(OutsideEditTest, AFileRemovedWhileRunningIsWrittenWholeAgain) {
    defaults.set("visualEffectType", "off");
    std::filesystem::remove(file());
    defaults.set("rememberLastPosition", false);
    EXPECT_EQ(onDisk(), (json{{"visualEffectType", "off"}, {"rememberLastPosition", false}}));
    EXPECT_EQ(reportsContaining("已重新读取"), 0);
}

// A file that turns unreadable while the program runs may still hold settings of
// its own: a change stored then stays in memory and is reported, the file is left
// as it is, and the change reaches the file with the first save that can read it.
TEST_F(OutsideEditTest, AFileThatTurnsUnreadableIsNeverWrittenOverAndTheChangeWaits) {
    struct Case {
        const char* what;
        void (*spoil)(const std::filesystem::path& file);
        const char* error;
    };
    const Case cases[] = {
        {"a folder",
         [](const std::filesystem::path& file) {
             std::filesystem::remove(file);
             std::filesystem::create_directories(file / "inside");
         },
         "not a regular file"},
        {"a FIFO",
         [](const std::filesystem::path& file) {
             std::filesystem::remove(file);
             ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
         },
         "not a regular file"},
        {"valid but past the read limit",
         [](const std::filesystem::path& file) {
             writeText(file, R"({"pad": ")" + std::string(DurableFile::readLimit, 'a') + R"("})");
         },
         "larger than 16777216 bytes"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        reports.clear();
        defaults.set("visualEffectType", "ripple");
        c.spoil(file());
        const auto spoiled = std::filesystem::status(file());
        const auto size = std::filesystem::is_regular_file(spoiled) ? std::filesystem::file_size(file()) : 0;

        defaults.set("rememberLastPosition", false);
        EXPECT_EQ(defaults.object("rememberLastPosition"), json(false));
        EXPECT_EQ(reportsContaining("✗ 设置文件无法读取 " + file().string() + ": " + c.error), 1);
        EXPECT_EQ(std::filesystem::status(file()).type(), spoiled.type()) << "left where it is";
        if (size) {
            EXPECT_EQ(std::filesystem::file_size(file()), size);
        }

        std::filesystem::remove_all(file());
        writeText(file(), R"({"visualEffectType": "off", "analytics_enabled": false})");
        defaults.set("Hotkeys_jumpToScreen3", false);
        EXPECT_EQ(onDisk(), (json{{"visualEffectType", "off"},
                                  {"analytics_enabled", false},
                                  {"rememberLastPosition", false},
                                  {"Hotkeys_jumpToScreen3", false}}));
        defaults.removeObject("analytics_enabled");
        defaults.removeObject("Hotkeys_jumpToScreen3");
        defaults.removeObject("rememberLastPosition");
    }
}

}  // namespace
}  // namespace platform
