#include "Platform/Foundation/DurableFile.h"

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Platform/Testing/TemporaryDirectory.h"
#include "ScopedEnvironment.h"
#include "TextFile.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using foundation_tests::readText;
using foundation_tests::ScopedEnvironment;
using foundation_tests::writeText;
using ::testing::ElementsAre;

// The mode as the kernel reports it, not as std::filesystem rounds it.
unsigned permissionBits(const fs::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0) return ~0u;
    return info.st_mode & 07777;
}

void writeWithMode(const fs::path& file, const std::string& text, unsigned mode) {
    writeText(file, text);
    ::chmod(file.c_str(), mode);
}

// A settings folder for "defaults.json" and a store folder elsewhere where the
// real file may live; fresh for every case.
struct LinkFolders {
    fs::path link() const { return settings.path() / "defaults.json"; }
    fs::path stored(const char* name) const { return store.path() / name; }
    // A file of the store as a link in the settings folder names it relatively.
    fs::path storedFromSettings(const char* name) const { return fs::relative(store.path(), settings.path()) / name; }

    TemporaryDirectory settings;
    TemporaryDirectory store;
};

TEST(DurableFileLinks, WritesLandInTheFileTheLinksNameAndTheLinksStay) {
    struct Layout {
        const char* name;
        std::function<fs::path(const LinkFolders&)> arrange;  // answers the final target
    };
    const std::vector<Layout> layouts = {
        {"absolute link",
         [](const LinkFolders& f) {
             writeText(f.stored("real.json"), "old");
             fs::create_symlink(f.stored("real.json"), f.link());
             return f.stored("real.json");
         }},
        {"relative link",
         [](const LinkFolders& f) {
             writeText(f.stored("real.json"), "old");
             fs::create_symlink(f.storedFromSettings("real.json"), f.link());
             return f.stored("real.json");
         }},
        {"chain of relative and absolute links",
         [](const LinkFolders& f) {
             writeText(f.stored("real.json"), "old");
             fs::create_symlink("real.json", f.stored("middle.json"));
             fs::create_symlink(f.stored("middle.json"), f.settings.path() / "first.json");
             fs::create_symlink("first.json", f.link());
             return f.stored("real.json");
         }},
        {"dangling link",
         [](const LinkFolders& f) {
             fs::create_symlink(f.storedFromSettings("not-yet.json"), f.link());
             return f.stored("not-yet.json");
         }},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.name);
        const LinkFolders f;
        const fs::path target = layout.arrange(f);
        const auto linkFolder = f.settings.entryNames();

        const auto resolved = DurableFile::resolveLinks(f.link());
        ASSERT_TRUE(resolved) << resolved.failure();
        EXPECT_EQ(fs::weakly_canonical(*resolved), fs::weakly_canonical(target));

        ASSERT_EQ(DurableFile::writeAtomically(f.link(), "new"), std::nullopt);
        EXPECT_TRUE(fs::is_symlink(f.link()));
        EXPECT_FALSE(fs::is_symlink(target));
        EXPECT_EQ(readText(target), "new");
        EXPECT_EQ(DurableFile::read(f.link()).valueOr(""), "new");
        EXPECT_EQ(f.settings.entryNames(), linkFolder) << "nothing left beside the link";
        for (const auto& name : f.store.entryNames()) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
    }
}

TEST(DurableFileLinks, ReplacedFilesKeepTheirModeAndNewFilesArePrivate) {
    struct Case {
        const char* name;
        std::optional<unsigned> existing;  // nothing: no file yet
        bool throughLink;
        unsigned expected;
    };
    const std::vector<Case> cases = {
        {"0644 file", 0644, false, 0644},         {"0640 file", 0640, false, 0640},
        {"0644 behind a link", 0644, true, 0644}, {"0640 behind a link", 0640, true, 0640},
        {"read-only file", 0400, false, 0400},    {"set-id bits are not copied", 04755, false, 0755},
        {"new file", std::nullopt, false, 0600},  {"dangling link", std::nullopt, true, 0600},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LinkFolders f;
        const fs::path target = c.throughLink ? f.stored("real.json") : f.link();
        if (c.existing) writeWithMode(target, "old", *c.existing);
        if (c.throughLink) fs::create_symlink(target, f.link());

        ASSERT_EQ(DurableFile::writeAtomically(f.link(), "new"), std::nullopt);
        EXPECT_EQ(readText(target), "new");
        EXPECT_EQ(permissionBits(target), c.expected);
    }
}

TEST(DurableFileLinks, ALoopOfLinksFailsAndWritesNothing) {
    const LinkFolders f;
    fs::create_symlink("b.json", f.settings.path() / "a.json");
    fs::create_symlink("a.json", f.settings.path() / "b.json");
    fs::create_symlink("a.json", f.link());

    EXPECT_FALSE(DurableFile::resolveLinks(f.link()));
    const auto error = DurableFile::writeAtomically(f.link(), "new");
    ASSERT_TRUE(error);
    EXPECT_EQ(*error, std::system_category().message(ELOOP));
    EXPECT_THAT(f.settings.entryNames(), ElementsAre("a.json", "b.json", "defaults.json"));
}

// A file of the program's own is never written through a link: the link is
// replaced where it stands, and what it named (or would name) is left as it was.
TEST(DurableFileLinks, AnOwnFileReplacesALinkInItsPlaceAndKeepsARegularFilesMode) {
    struct Layout {
        const char* name;
        std::function<void(const LinkFolders&)> arrange;
        unsigned expectedMode;
    };
    const std::vector<Layout> layouts = {
        {"link to a file elsewhere", [](const LinkFolders& f) { fs::create_symlink(f.stored("real.json"), f.link()); },
         0600},
        {"relative link", [](const LinkFolders& f) { fs::create_symlink(f.storedFromSettings("real.json"), f.link()); },
         0600},
        {"dangling link",
         [](const LinkFolders& f) { fs::create_symlink(f.storedFromSettings("not-yet.json"), f.link()); }, 0600},
        {"loop of links", [](const LinkFolders& f) { fs::create_symlink("defaults.json", f.link()); }, 0600},
        {"0640 file", [](const LinkFolders& f) { writeWithMode(f.link(), "old", 0640); }, 0640},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.name);
        const LinkFolders f;
        writeWithMode(f.stored("real.json"), "theirs", 0644);
        layout.arrange(f);

        ASSERT_EQ(DurableFile::writeOwn(f.link(), "new"), std::nullopt);
        EXPECT_FALSE(fs::is_symlink(f.link()));
        EXPECT_EQ(readText(f.link()), "new");
        EXPECT_EQ(permissionBits(f.link()), layout.expectedMode);
        EXPECT_THAT(f.settings.entryNames(), ElementsAre("defaults.json")) << "nothing left beside it";
        EXPECT_THAT(f.store.entryNames(), ElementsAre("real.json")) << "nothing made or renamed elsewhere";
        EXPECT_EQ(readText(f.stored("real.json")), "theirs");
        EXPECT_EQ(permissionBits(f.stored("real.json")), 0644u);
    }
}

TEST(DurableFile, TheTemporaryFileSitsBesideTheTargetOnAnotherFileSystem) {
    // A link from one file system to a file on another: a temporary file made
    // beside the link could not be renamed over the target.
    struct stat shm {};
    if (::stat("/dev/shm", &shm) != 0 || !S_ISDIR(shm.st_mode)) GTEST_SKIP() << "no /dev/shm";
    TemporaryDirectory linkSide;
    ScopedEnvironment environment;
    environment.set("TMPDIR", "/dev/shm");
    TemporaryDirectory targetSide;
    struct stat a {};
    struct stat b {};
    ::stat(linkSide.path().c_str(), &a);
    ::stat(targetSide.path().c_str(), &b);
    if (a.st_dev == b.st_dev) GTEST_SKIP() << "/dev/shm is on the same file system as the temporary folder";

    writeWithMode(targetSide.path() / "real.json", "old", 0640);
    fs::create_symlink(targetSide.path() / "real.json", linkSide.path() / "defaults.json");
    ASSERT_EQ(DurableFile::writeAtomically(linkSide.path() / "defaults.json", "new"), std::nullopt);
    EXPECT_EQ(readText(targetSide.path() / "real.json"), "new");
    EXPECT_EQ(permissionBits(targetSide.path() / "real.json"), 0640u);
    EXPECT_THAT(targetSide.entryNames(), ElementsAre("real.json"));
    EXPECT_THAT(linkSide.entryNames(), ElementsAre("defaults.json"));
}

}  // namespace
}  // namespace platform
