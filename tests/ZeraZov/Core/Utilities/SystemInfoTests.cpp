#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>

#include "Platform/Foundation/SecureRandom.h"
#include "Platform/Foundation/SystemInfo.h"
#include "Platform/Foundation/TimeZoneCache.h"
#include "Platform/Testing/ManualClock.h"
#include "Platform/Testing/TemporaryDirectory.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class SystemInfoTest : public ::testing::Test {
protected:
    TemporaryDirectory root;
    std::map<std::string, std::string> variables;

    SystemInfo info() const {
        return SystemInfo(root.path(), [this](const std::string& name) -> std::optional<std::string> {
            const auto it = variables.find(name);
            if (it == variables.end()) return std::nullopt;
            return it->second;
        });
    }

    void writeFile(const fs::path& relative, const std::string& text) {
        fs::create_directories((root.path() / relative).parent_path());
        std::ofstream(root.path() / relative) << text;
    }
};

TEST_F(SystemInfoTest, KernelReleaseGivesThreeNumbers) {
    const auto version = [](std::string_view text) {
        const auto parsed = SystemInfo::parseKernelRelease(text);
        return std::to_string(parsed.major) + "." + std::to_string(parsed.minor) + "." + std::to_string(parsed.patch);
    };
    EXPECT_EQ(version("6.1.0-18-amd64"), "6.1.0");
    EXPECT_EQ(version("5.15.153.1-microsoft-standard-WSL2"), "5.15.153");
    EXPECT_EQ(version("6.8"), "6.8.0");
    EXPECT_EQ(version("6.8-rc1"), "6.8.0");
    EXPECT_EQ(version(""), "0.0.0");
    EXPECT_EQ(version("abc"), "0.0.0");
    EXPECT_EQ(version("99999999999999999.1"), "999999999.0.0");
    EXPECT_TRUE(info().kernelName());
    EXPECT_TRUE(info().machine());
}

TEST_F(SystemInfoTest, LocaleFromTheFirstSetVariable) {
    EXPECT_FALSE(info().localeIdentifier());
    variables = {{"LANG", "en_US.UTF-8"}};
    EXPECT_EQ(info().localeIdentifier(), "en_US");
    variables["LC_MESSAGES"] = "de_DE.UTF-8@euro";
    variables["LC_ALL"] = "";
    EXPECT_EQ(info().localeIdentifier(), "de_DE");
    EXPECT_EQ(info().languageCode(), "de");
    variables["LC_ALL"] = "C.UTF-8";
    EXPECT_EQ(info().localeIdentifier(), "C");
    EXPECT_FALSE(info().languageCode());
}

TEST_F(SystemInfoTest, TimeZoneFromVariableFileOrLink) {
    EXPECT_FALSE(info().timeZoneIdentifier());
    fs::create_directories(root.path() / "etc");
    fs::create_symlink("/usr/share/zoneinfo/Asia/Tokyo", root.path() / "etc/localtime");
    EXPECT_EQ(info().timeZoneIdentifier(), "Asia/Tokyo");
    writeFile("etc/timezone", "Europe/Berlin\n");
    EXPECT_EQ(info().timeZoneIdentifier(), "Europe/Berlin");
    variables["TZ"] = ":America/New_York";
    EXPECT_EQ(info().timeZoneIdentifier(), "America/New_York");
    variables["TZ"] = "/usr/share/zoneinfo/Europe/Paris";
    EXPECT_EQ(info().timeZoneIdentifier(), "Europe/Paris");
    variables["TZ"] = "CET-1CEST";  // a rule, not a zone name
    EXPECT_FALSE(info().timeZoneIdentifier());
}

// The cache looks at the files only once per interval, so each way a user or a
// tool changes the zone must show in the first answer after that interval, and a
// change of TZ in the very next one.
TEST_F(SystemInfoTest, CachedTimeZoneFollowsEachWayTheZoneChanges) {
    const auto system = info();
    ManualClock clock;
    const TimeZoneCache cache(system, clock);
    const auto link = [&](const std::string& zone) {
        fs::create_directories(root.path() / "etc");
        const auto fresh = root.path() / "etc/localtime.new";
        fs::create_symlink("/usr/share/zoneinfo/" + zone, fresh);
        fs::rename(fresh, root.path() / "etc/localtime");
    };
    const auto nextInterval = [&] { clock.advance(TimeZoneCache::recheckInterval); };
    const struct {
        const char* change;
        std::function<void()> make;
        std::optional<std::string> zone;
    } steps[] = {
        {"nothing configured", [] {}, std::nullopt},
        {"a link appears, within the interval", [&] { link("Asia/Tokyo"); }, std::nullopt},
        {"the interval is over", nextInterval, "Asia/Tokyo"},
        {"the link is replaced by one of the same length",
         [&] {
             link("Asia/Dubai");
             nextInterval();
         },
         "Asia/Dubai"},
        {"a zone file appears",
         [&] {
             writeFile("etc/timezone", "Europe/Berlin\n");
             nextInterval();
         },
         "Europe/Berlin"},
        {"the zone file is rewritten in place",
         [&] {
             writeFile("etc/timezone", "Africa/Cairo\n");
             nextInterval();
         },
         "Africa/Cairo"},
        {"TZ is set", [&] { variables["TZ"] = ":America/New_York"; }, "America/New_York"},
        {"TZ changes", [&] { variables["TZ"] = "CET-1CEST"; }, std::nullopt},
        {"TZ is unset", [&] { variables.erase("TZ"); }, "Africa/Cairo"},
        {"the zone file is removed",
         [&] {
             fs::remove(root.path() / "etc/timezone");
             nextInterval();
         },
         "Asia/Dubai"},
        {"the link is removed",
         [&] {
             fs::remove(root.path() / "etc/localtime");
             nextInterval();
         },
         std::nullopt},
    };
    for (const auto& step : steps) {
        step.make();
        EXPECT_EQ(cache.identifier(), step.zone) << step.change;
        EXPECT_EQ(cache.identifier(), step.zone) << step.change << ", asked again";
    }
}

TEST_F(SystemInfoTest, HardwareFromReadableDMIFilesOnly) {
    EXPECT_FALSE(info().systemVendor());
    EXPECT_FALSE(info().boardVendor());
    writeFile("sys/class/dmi/id/sys_vendor", "LENOVO\n");
    writeFile("sys/class/dmi/id/board_vendor", "  \n");
    writeFile("sys/class/dmi/id/product_name", "  \n");
    EXPECT_EQ(info().systemVendor(), "LENOVO");
    EXPECT_FALSE(info().boardVendor());
    EXPECT_FALSE(info().productName());
}

TEST(SecureRandom, FillsLargeBuffersWithDifferentBytes) {
    std::vector<std::uint8_t> first(1 << 20), second(1 << 20);
    ASSERT_FALSE(SecureRandom::fill(first));
    ASSERT_FALSE(SecureRandom::fill(second));
    EXPECT_NE(first, second);
    // A buffer left zero at its end would mean a short read went unnoticed.
    EXPECT_NE(std::vector<std::uint8_t>(first.end() - 64, first.end()), std::vector<std::uint8_t>(64, 0));
}

}  // namespace
}  // namespace platform
