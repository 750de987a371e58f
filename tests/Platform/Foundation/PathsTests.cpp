#include "Platform/Foundation/Paths.h"

#include <pwd.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Platform/Foundation/BundleInfo.h"
#include "ScopedEnvironment.h"

namespace platform {
namespace {

using foundation_tests::ScopedEnvironment;
namespace fs = std::filesystem;

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        environment.set("HOME", "/home/tester");
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"}) environment.unset(name);
    }
    ScopedEnvironment environment;
};

TEST_F(PathsTest, DefaultsLieUnderHomeWhenVariablesAreUnset) {
    EXPECT_EQ(Paths::home(), fs::path("/home/tester"));
    EXPECT_EQ(Paths::configHome(), fs::path("/home/tester/.config"));
    EXPECT_EQ(Paths::dataHome(), fs::path("/home/tester/.local/share"));
    EXPECT_EQ(Paths::cacheHome(), fs::path("/home/tester/.cache"));
    EXPECT_EQ(Paths::autostartDirectory(), fs::path("/home/tester/.config/autostart"));
}

TEST_F(PathsTest, AbsoluteVariablesWin) {
    environment.set("XDG_CONFIG_HOME", "/xdg/config");
    environment.set("XDG_DATA_HOME", "/xdg/data");
    environment.set("XDG_CACHE_HOME", "/xdg/cache");
    EXPECT_EQ(Paths::configHome(), fs::path("/xdg/config"));
    EXPECT_EQ(Paths::dataHome(), fs::path("/xdg/data"));
    EXPECT_EQ(Paths::cacheHome(), fs::path("/xdg/cache"));
    EXPECT_EQ(Paths::autostartDirectory(), fs::path("/xdg/config/autostart"));
}

TEST_F(PathsTest, RelativeOrEmptyVariablesAreIgnored) {
    environment.set("XDG_CONFIG_HOME", "relative/config");
    environment.set("XDG_DATA_HOME", "");
    environment.set("XDG_CACHE_HOME", "./cache");
    EXPECT_EQ(Paths::configHome(), fs::path("/home/tester/.config"));
    EXPECT_EQ(Paths::dataHome(), fs::path("/home/tester/.local/share"));
    EXPECT_EQ(Paths::cacheHome(), fs::path("/home/tester/.cache"));
}

TEST_F(PathsTest, MissingHomeFallsBackToThePasswordDatabase) {
    const passwd* entry = getpwuid(getuid());
    ASSERT_NE(entry, nullptr);
    environment.unset("HOME");
    EXPECT_EQ(Paths::home(), fs::path(entry->pw_dir));
    EXPECT_EQ(Paths::configHome(), fs::path(entry->pw_dir) / ".config");
    environment.set("HOME", "");
    EXPECT_EQ(Paths::home(), fs::path(entry->pw_dir));
}

TEST(BundleInfoTest, CarriesTheBuildsIdentity) {
    const auto& info = BundleInfo::main();
    EXPECT_EQ(info.identifier, "com.brel.tessivar");
    EXPECT_EQ(info.executableName, "tessivar");
    EXPECT_FALSE(info.shortVersion.empty());
    EXPECT_FALSE(info.build.empty());
}

}  // namespace
}  // namespace platform
