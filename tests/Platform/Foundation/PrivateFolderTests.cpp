#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "Platform/Foundation/PrivateFolder.h"
#include "Platform/Testing/TemporaryDirectory.h"

namespace {

namespace fs = std::filesystem;
using platform::PrivateFolder;

// Puts the process's file-mode mask back however the test ends.
class FileModeMask {
public:
    explicit FileModeMask(mode_t mask) : previous_(::umask(mask)) {}
    ~FileModeMask() { ::umask(previous_); }

private:
    mode_t previous_;
};

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// Every folder made, the root's missing parents too, is 0700 even under an open
// mask; a folder that was there keeps its mode.
TEST(PrivateFolder, MakesEveryMissingFolderPrivateWhateverTheMask) {
    platform::TemporaryDirectory home;
    fs::create_directory(home.path() / "shared");
    fs::permissions(home.path() / "shared", fs::perms::all);
    const FileModeMask open(0);
    const PrivateFolder folder(home.path() / "shared" / "data" / "deeper", fs::path("app") / "token" / "queue");
    ASSERT_EQ(folder.make(), std::nullopt);
    EXPECT_TRUE(folder.open());
    const auto made = {fs::path("shared/data"), fs::path("shared/data/deeper"), fs::path("shared/data/deeper/app"),
                       fs::path("shared/data/deeper/app/token"), fs::path("shared/data/deeper/app/token/queue")};
    for (const auto& path : made) EXPECT_EQ(modeOf(home.path() / path), 0700u) << path;
    EXPECT_EQ(modeOf(home.path() / "shared"), 0777u);
}

// A link anywhere in the folder's own part is refused, with nothing made or
// opened through it; one in the root (the user's) is followed.
TEST(PrivateFolder, RefusesALinkInItsOwnPartAndFollowsOneInTheRoot) {
    const struct {
        const char* linked;  // relative to the home, made a link to "elsewhere"
        fs::path root;       // relative to the home
        fs::path own;
        bool usable;
    } cases[] = {
        {"data/app", "data", "app/token", false},
        {"data/app/token", "data", "app/token", false},
        {"data", "data", "app/token", true},
        {"data/app", "data/app", "token", true},
    };
    for (const auto& [linked, root, own, usable] : cases) {
        platform::TemporaryDirectory home;
        const auto elsewhere = home.path() / "elsewhere";
        fs::create_directories(elsewhere);
        fs::create_directories((home.path() / linked).parent_path());
        fs::create_directory_symlink(elsewhere, home.path() / linked);
        const PrivateFolder folder(home.path() / root, own);

        const auto made = folder.make();
        EXPECT_EQ(!made, usable) << linked << " " << made;
        EXPECT_EQ(static_cast<bool>(folder.open()), usable) << linked;
        if (!usable) {
            EXPECT_TRUE(fs::is_empty(elsewhere)) << linked;
            EXPECT_NE(made->find("symbolic link"), std::string::npos) << *made;
        }
    }
}

TEST(PrivateFolder, NeverClimbsOutOfItsRoot) {
    platform::TemporaryDirectory home;
    const PrivateFolder folder(home.path() / "data", fs::path("..") / "escaped");
    EXPECT_TRUE(folder.make());
    EXPECT_FALSE(fs::exists(home.path() / "escaped"));
}

}  // namespace
