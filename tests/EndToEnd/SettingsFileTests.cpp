#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "tests/support/TessivarProcess.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XorgDummyServer.h"

using namespace std::chrono_literals;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

json readJson(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return json::parse(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), nullptr,
                       false);
}

long countLinesContaining(const std::vector<std::string>& lines, const std::string& text) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

bool hasEveryScreenShortcut(const json& settings) {
    if (!settings.is_object()) return false;
    for (int i = 1; i <= 8; ++i) {
        if (!settings.contains("Hotkeys_jumpToScreen" + std::to_string(i))) return false;
    }
    return true;
}

TEST(TessivarSettingsFile, ALinkedSettingsFileStaysLinkedKeepsItsModeAndGetsTheEightShortcuts) {
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);

    fs::path target;
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName(), [&](const fs::path& folder) {
        // Settings kept with the user's other dotfiles, linked into place relatively.
        const fs::path dotfiles = folder.parent_path().parent_path() / "dotfiles";
        fs::create_directories(dotfiles);
        target = dotfiles / "tessivar.json";
        std::ofstream(target) << R"({"hasCompletedOnboarding": true})";
        ::chmod(target.c_str(), 0640);
        fs::create_symlink("../../dotfiles/tessivar.json", folder / "defaults.json");
    });
    ASSERT_TRUE(tessivar.started());
    ASSERT_TRUE(tessivar.waitForLine("🖥️ 屏幕 1: ", 15s)) << "launch never completed";
    ASSERT_TRUE(tessivar::testing::waitUntil([&] { return hasEveryScreenShortcut(readJson(target)); }, 5s));

    const fs::path link = tessivar.settingsFolder() / "defaults.json";
    EXPECT_TRUE(fs::is_symlink(link)) << "the link was replaced by a file";
    EXPECT_EQ(fs::read_symlink(link), "../../dotfiles/tessivar.json");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);

    const json settings = readJson(target);
    EXPECT_EQ(settings.at("hasCompletedOnboarding"), true);
    // Option plus the digits, as Carbon numbers them: virtual key codes of 1 to 8 and optionKey.
    const int keyCodes[] = {18, 19, 20, 21, 23, 22, 26, 28};
    for (int i = 0; i < 8; ++i) {
        const auto stored = settings.at("Hotkeys_jumpToScreen" + std::to_string(i + 1));
        ASSERT_TRUE(stored.is_string()) << stored.dump();
        EXPECT_EQ(json::parse(stored.get<std::string>()),
                  (json{{"carbonKeyCode", keyCodes[i]}, {"carbonModifiers", 2048}}));
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(tessivar.settingsFolder())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"defaults.json", "defaults.json.lock"}));
    EXPECT_EQ(countLinesContaining(tessivar.lines(), "✗"), 0);

    tessivar.terminate();
}

TEST(TessivarSettingsFile, ABlockedSettingsFileIsReportedOnceAndLeftAlone) {
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);

    // A folder where the file should be: unreadable as settings even for root.
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName(), [](const fs::path& folder) {
        fs::create_directories(folder / "defaults.json" / "inside");
    });
    ASSERT_TRUE(tessivar.started());
    // The eight shortcuts are saved while the hot keys are registered, before the display list.
    ASSERT_TRUE(tessivar.waitForLine("🖥️ 屏幕 1: ", 15s)) << "launch never completed";

    const std::string file = (tessivar.settingsFolder() / "defaults.json").string();
    const auto lines = tessivar.lines();
    EXPECT_EQ(countLinesContaining(lines, "[Tessivar] ✗ 设置文件无法读取 " + file + ": not a regular file"), 1);
    EXPECT_EQ(countLinesContaining(lines,
                                   "[Tessivar] ✗ 无法写入设置文件 " + file + ": 设置文件无法读取 (not a regular file)"),
              1);
    EXPECT_EQ(countLinesContaining(lines, "✗"), 2);
    EXPECT_EQ(countLinesContaining(lines, "✓ Hotkeys 监听已启动"), 1) << "the shortcuts still work from memory";
    EXPECT_TRUE(fs::is_directory(tessivar.settingsFolder() / "defaults.json" / "inside"));

    tessivar.terminate();
}

}  // namespace
