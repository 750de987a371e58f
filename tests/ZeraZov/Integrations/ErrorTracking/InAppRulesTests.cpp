#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/InAppRules.h"

namespace errortracking_tests {
namespace {

using zerazov::ZeraZovErrorTrackingConfig;

TEST(InAppRules, TheFirstMatchingRuleDecides) {
    struct Case {
        const char* what;
        std::vector<std::string> includes;
        std::vector<std::string> excludes;
        bool byDefault;
        std::optional<std::string> path;
        std::string module;
        bool inApp;
    };
    const std::vector<Case> cases{
        {"the application's executable",
         {"com.brel.tessivar", "tessivar"},
         {},
         true,
         "/usr/lib/tessivar/tessivar",
         "tessivar",
         true},
        {"a system framework", {"tessivar"}, {}, true, std::nullopt, "Foundation", false},
        {"a prefix of the system's", {"tessivar"}, {}, true, std::nullopt, "libswiftCore.dylib", false},
        {"a module that merely begins like one", {}, {}, true, std::nullopt, "AppKitExtras", false},
        {"included before the system prefix", {"AppKitExtras"}, {}, true, std::nullopt, "AppKitExtras", true},
        {"include and exclude alike", {"libjump"}, {"libjump"}, false, std::nullopt, "libjump.so", true},
        {"excluded", {"tessivar"}, {"libQt6"}, true, std::nullopt, "libQt6Core.so.6", false},
        {"a library under /usr/lib/", {}, {}, true, "/usr/lib/x86_64-linux-gnu/libfoo.so.1", "libfoo.so.1", false},
        {"the C library, as the loader names it", {}, {}, true, "/lib/x86_64-linux-gnu/libc.so.6", "libc.so.6", false},
        {"the vDSO", {}, {}, true, "linux-vdso.so.1", "linux-vdso.so.1", false},
        {"under a System/Library folder", {}, {}, true, "/opt/System/Library/Foo", "Foo", false},
        {"no system path", {}, {}, true, "/opt/tessivar/libjump.so", "libjump.so", true},
        {"by default not in app", {}, {}, false, "/opt/tessivar/libjump.so", "libjump.so", false},
        {"an empty include matches all", {""}, {}, false, "/usr/lib/libc.so.6", "libc.so.6", true},
        {"case counts", {"Tessivar"}, {}, false, std::nullopt, "tessivar", false},
    };
    for (const auto& c : cases) {
        ZeraZovErrorTrackingConfig config;
        config.inAppIncludes = c.includes;
        config.inAppExcludes = c.excludes;
        config.inAppByDefault = c.byDefault;
        EXPECT_EQ(zerazov::isInApp(c.path, c.module, config), c.inApp) << c.what;
    }
}

TEST(InAppRules, SystemPaths) {
    const std::vector<std::pair<std::optional<std::string>, bool>> paths{
        {std::nullopt, false},
        {"/System/Library/Frameworks/AppKit", true},
        {"/usr/lib/libc.so.6", true},
        {"/home/me/System/Library/x", true},
        {"/opt/usr/lib/x", true},
        {"/lib/x86_64-linux-gnu/libc.so.6", true},
        {"/lib64/ld-linux-x86-64.so.2", true},
        {"/usr/lib64/libfoo.so", true},
        {"linux-vdso.so.1", true},
        {"/usr/local/lib/libfoo.so", false},
        {"/opt/lib/libfoo.so", false},
        {"/library/x", false},
        {"usr/lib/x", false},
    };
    for (const auto& [path, system] : paths) {
        EXPECT_EQ(zerazov::isSystemImagePath(path), system) << path.value_or("none");
    }
}

// A loader may name a library by a path through a link (Debian's names libc
// /lib/..., and /lib leads to /usr/lib): the path it leads to decides.
TEST(InAppRules, AnImagePathIsFollowedThroughItsLinks) {
    platform::TemporaryDirectory root;
    std::filesystem::create_directories(root.path() / "usr/lib");
    std::ofstream(root.path() / "usr/lib/libfoo.so.1") << "ELF";
    std::filesystem::create_directory_symlink(root.path() / "usr/lib", root.path() / "lib");
    const ZeraZovErrorTrackingConfig config;
    EXPECT_FALSE(zerazov::isInApp((root.path() / "lib/libfoo.so.1").string(), "libfoo.so.1", config));
    EXPECT_TRUE(zerazov::isInApp((root.path() / "opt/libfoo.so.1").string(), "libfoo.so.1", config))
        << "a path that leads nowhere is taken as it is";

    // The C library of this very process, by the path its loader gives.
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(&std::strlen), &info), 0);
    const std::string libc = info.dli_fname;
    EXPECT_FALSE(zerazov::isInApp(libc, std::filesystem::path(libc).filename().string(), config)) << libc;
}

}  // namespace
}  // namespace errortracking_tests
