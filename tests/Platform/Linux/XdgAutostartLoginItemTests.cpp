#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "Platform/Foundation/DurableFile.h"
#include "Platform/Linux/Private/DesktopEntry.h"
#include "Platform/Linux/XdgAutostartLoginItem.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "tests/Platform/Foundation/ScopedEnvironment.h"
#include "tests/support/WaitUntil.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using Status = LoginItemStatus;

std::string readText(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

bool appears(const fs::path& file) {
    return tessivar::testing::waitUntil([&] { return fs::exists(file); }, std::chrono::seconds(10),
                                        std::chrono::milliseconds(20));
}

// A config home whose path has a blank and a percent sign, as a user's may.
struct AutostartFolders {
    TemporaryDirectory root;
    fs::path configHome = root.path() / "my config 100%";
    fs::path systemConfig = root.path() / "etc xdg";
    XdgAutostartLoginItem::Locations locations{configHome / "autostart", {systemConfig / "autostart"}};

    XdgAutostartLoginItem item(const fs::path& program = "/usr/bin/tessivar") const {
        return XdgAutostartLoginItem(locations, "com.brel.tessivar.desktop", program, "Tessivar");
    }
};

// The desktop's own reading of the entry (GLib's), which starts the program.
TEST(XdgAutostartLoginItem, RegistersAnEntryTheDesktopStartsAndUnregistersIt) {
    AutostartFolders folders;
    const fs::path bin = folders.root.path() / "build dir";
    for (const std::string name : {"tessi var", "tessivar 100% \"q\" $HOME `x` \\y"}) {
        const fs::path program = bin / name;
        const fs::path marker = folders.root.path() / ("started " + std::to_string(name.size()));
        writeText(program, "#!/bin/sh\ntouch '" + marker.string() + "'\n");
        chmod(program.c_str(), 0755);

        auto item = folders.item(program);
        EXPECT_EQ(item.status(), Status::notRegistered);
        ASSERT_EQ(item.registerItem(), std::nullopt);
        EXPECT_EQ(item.status(), Status::enabled);
        const std::string entry = readText(item.userEntry());
        EXPECT_EQ(DesktopEntry::value(entry, "Type"), "Application");

        const int launched = std::system(("timeout 20 gio launch '" + item.userEntry().string() + "'").c_str());
        ASSERT_EQ(launched, 0) << "gio (libglib2.0-bin) could not read the entry:\n" << entry;
        EXPECT_TRUE(appears(marker)) << "the desktop did not start " << program << " from\n" << entry;

        ASSERT_EQ(item.unregisterItem(), std::nullopt);
        EXPECT_FALSE(fs::exists(item.userEntry()));
        EXPECT_EQ(item.status(), Status::notRegistered);
        EXPECT_EQ(item.unregisterItem(), std::nullopt) << "nothing to remove is no failure";
    }
}

TEST(XdgAutostartLoginItem, AnEntrySwitchedOffReadsAsOffAndRegisteringSwitchesItOn) {
    for (const std::string off : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
        AutostartFolders folders;
        auto item = folders.item();
        writeText(item.userEntry(), "[Desktop Entry]\nType=Application\nExec=tessivar\n" + off + "\n");
        EXPECT_EQ(item.status(), Status::notRegistered) << off;
        ASSERT_EQ(item.registerItem(), std::nullopt);
        EXPECT_EQ(item.status(), Status::enabled) << off;
        EXPECT_FALSE(DesktopEntry::isTrue(readText(item.userEntry()), "Hidden"));
    }
    AutostartFolders folders;
    auto item = folders.item();
    writeText(item.userEntry(),
              "[Other Group]\nHidden=true\n[Desktop Entry]\nType=Application\nExec=tessivar\nHidden = false\n");
    EXPECT_EQ(item.status(), Status::enabled) << "only the main group counts";
}

// What the desktop's own reading (GLib's) starts is what counts as on: a file
// under the entry's name that is no application's entry, a link to one of the
// user's files included, is off. Switching it on or off replaces the link with
// the program's own entry and leaves the file the link named as it was.
TEST(XdgAutostartLoginItem, OnlyAnApplicationEntryIsOnAndALinkInItsPlaceIsReplacedNotWrittenThrough) {
    struct Case {
        const char* what;
        std::string text;
        bool starts;
    };
    const std::vector<Case> cases{
        {"an account list", "root:x:0:0:root:/root:/bin/bash\n", false},
        {"an empty file", "", false},
        {"an entry with nothing to run", "[Desktop Entry]\nType=Application\nName=x\n", false},
        {"a link entry", "[Desktop Entry]\nType=Link\nName=x\nURL=file:///tmp\n", false},
        {"an entry of no type", "[Desktop Entry]\nName=x\nExec=true\n", false},
        {"an application entry", "[Desktop Entry]\nType=Application\nName=x\nExec=true\n", true},
    };
    for (const auto& c : cases) {
        for (const bool linked : {false, true}) {
            SCOPED_TRACE(std::string(c.what) + (linked ? ", through a link" : ""));
            AutostartFolders folders;
            auto item = folders.item();
            const fs::path mine = folders.root.path() / "dotfiles" / "mine";
            fs::create_directories(folders.locations.userFolder);
            writeText(linked ? mine : item.userEntry(), c.text);
            if (linked) fs::create_symlink(mine, item.userEntry());
            const int launched =
                std::system(("timeout 20 gio launch '" + item.userEntry().string() + "' 2>/dev/null").c_str());
            ASSERT_EQ(launched == 0, c.starts) << "the desktop's reading differs from the case's";
            EXPECT_EQ(item.status(), c.starts ? Status::enabled : Status::notRegistered);
            if (!linked || c.starts) continue;

            ASSERT_EQ(item.registerItem(), std::nullopt);
            EXPECT_EQ(readText(mine), c.text) << "the file the link named is the user's";
            EXPECT_FALSE(fs::is_symlink(item.userEntry()));
            EXPECT_EQ(item.status(), Status::enabled);
        }
    }
    AutostartFolders folders;
    auto item = folders.item();
    writeText(folders.systemConfig / "autostart" / "com.brel.tessivar.desktop",
              "[Desktop Entry]\nType=Application\nExec=tessivar\n");
    const fs::path mine = folders.root.path() / "dotfiles" / "mine";
    writeText(mine, "kept\n");
    fs::create_directories(folders.locations.userFolder);
    fs::create_symlink(mine, item.userEntry());
    ASSERT_EQ(item.unregisterItem(), std::nullopt) << "hiding the system-wide entry writes the user's";
    EXPECT_EQ(readText(mine), "kept\n");
    EXPECT_FALSE(fs::is_symlink(item.userEntry()));
    EXPECT_EQ(item.status(), Status::notRegistered);
}

TEST(XdgAutostartLoginItem, ASystemWideEntryIsSwitchedOffForThisUserOnly) {
    AutostartFolders folders;
    auto item = folders.item();
    const fs::path systemEntry = folders.systemConfig / "autostart" / "com.brel.tessivar.desktop";
    const std::string systemText = "[Desktop Entry]\nType=Application\nExec=tessivar\n";
    writeText(systemEntry, systemText);
    EXPECT_EQ(item.status(), Status::enabled);

    ASSERT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_EQ(item.status(), Status::notRegistered);
    EXPECT_TRUE(DesktopEntry::isTrue(readText(item.userEntry()), "Hidden"));
    EXPECT_EQ(readText(systemEntry), systemText);

    ASSERT_EQ(item.registerItem(), std::nullopt);
    EXPECT_EQ(item.status(), Status::enabled);
}

// Root writes into read-only folders, so the read-only case runs as nobody.
std::pair<platform::Failure, Status> registerAsUnprivileged(XdgAutostartLoginItem item) {
    if (geteuid() != 0) {
        auto error = item.registerItem();
        return {error, item.status()};
    }
    int fds[2];
    if (pipe(fds) != 0) return {"pipe", Status::notFound};
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        const std::string error = *item.registerItem();
        const std::string reply = std::to_string(static_cast<int>(item.status())) + error;
        _exit(write(fds[1], reply.data(), reply.size()) == static_cast<ssize_t>(reply.size()) ? 0 : 1);
    }
    close(fds[1]);
    std::string reply;
    char buffer[512];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;)
        reply.append(buffer, static_cast<std::size_t>(got));
    close(fds[0]);
    waitpid(child, nullptr, 0);
    if (reply.empty()) return {"no reply", Status::notFound};
    const auto error = reply.substr(1);
    return {error.empty() ? platform::Failure() : platform::Failure(error), static_cast<Status>(reply[0] - '0')};
}

TEST(XdgAutostartLoginItem, FailuresComeBackAsClearMessagesAndTheStatusStaysReal) {
    AutostartFolders folders;
    writeText(folders.configHome / "autostart", "not a folder\n");
    auto item = folders.item();
    const auto error = item.registerItem();
    ASSERT_TRUE(error);
    EXPECT_NE(error->find("无法创建自启动文件夹 " + (folders.configHome / "autostart").string()), std::string::npos)
        << *error;
    EXPECT_EQ(item.status(), Status::notRegistered);
    EXPECT_EQ(readText(folders.configHome / "autostart"), "not a folder\n") << "the user's file is left alone";

    AutostartFolders readOnly;
    fs::create_directories(readOnly.configHome / "autostart");
    for (const fs::path& folder : {readOnly.root.path(), readOnly.configHome, readOnly.configHome / "autostart"}) {
        chmod(folder.c_str(), 0555);
    }
    const auto [readOnlyError, status] = registerAsUnprivileged(readOnly.item());
    for (const fs::path& folder : {readOnly.root.path(), readOnly.configHome, readOnly.configHome / "autostart"}) {
        chmod(folder.c_str(), 0755);
    }
    ASSERT_TRUE(readOnlyError);
    EXPECT_NE(readOnlyError->find("无法写入自启动项 " + readOnly.item().userEntry().string()), std::string::npos)
        << *readOnlyError;
    EXPECT_EQ(status, Status::notRegistered);
}

TEST(XdgAutostartLoginItem, ThisProgramsEntryLivesInTheUsersConfigHomeAndStartsThisBinary) {
    AutostartFolders folders;
    foundation_tests::ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", folders.configHome.string());
    environment.set("XDG_CONFIG_DIRS", folders.systemConfig.string());
    auto item = XdgAutostartLoginItem::forThisProgram({"org.example.viewer", "2.4.1", "7", "viewer"});
    EXPECT_EQ(item.userEntry(), folders.configHome / "autostart" / "org.example.viewer.desktop");
    ASSERT_EQ(item.registerItem(), std::nullopt);
    const auto exec = DesktopEntry::value(readText(item.userEntry()), "Exec");
    ASSERT_TRUE(exec);
    EXPECT_EQ(*exec, "\"" + fs::read_symlink("/proc/self/exe").string() + "\"");
}

}  // namespace
}  // namespace platform
