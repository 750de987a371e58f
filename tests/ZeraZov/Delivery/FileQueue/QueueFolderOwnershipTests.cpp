#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <thread>

#include <nlohmann/json.hpp>

#include "FileQueueTestSupport.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"
#include "tests/support/FolderChanges.h"

namespace zerazov_file_queue_tests {
namespace {

namespace fs = std::filesystem;
using zerazov::ZeraZovFileBackedQueue;
using zerazov::ZeraZovStorage;

// Every path below the folder with a file's bytes ("/" for a folder).
std::map<std::string, std::string> contentsOf(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const auto name = fs::relative(entry.path(), folder).string();
        if (entry.is_directory()) {
            contents[name] = "/";
        } else {
            std::ifstream file(entry.path(), std::ios::binary);
            contents[name] = std::string(std::istreambuf_iterator<char>(file), {});
        }
    }
    return contents;
}

struct Layout {
    platform::PrivateFolder folder;
    std::vector<fs::path> oldQueues;
};

// A link put where one of the queue's own folders or files should be, naming a
// folder of the user's ("elsewhere", holding a file and a folder with a file).
struct LinkCase {
    const char* where;
    std::function<Layout(const fs::path& home, const fs::path& elsewhere)> prepare;
    std::size_t depthAfterReload;  // of the records added around the link
};

std::size_t reloadedDepth(const platform::PrivateFolder& folder) {
    ZeraZovFileBackedQueue reloaded(folder);
    reloaded.setup({});
    return peekAll(reloaded).records.size();
}

// Adds, uploads (the files become spares) and adds again, then loads the folder
// anew, as the next launch does. Answers the depth then, and how many bytes
// read on the way were no record of the queue's.
std::pair<std::size_t, int> exercise(const Layout& layout) {
    int foreign = 0;
    {
        ZeraZovFileBackedQueue queue(layout.folder);
        queue.setup(layout.oldQueues);
        for (std::uint64_t id = 1; id <= 3; ++id) queue.add(recordFor(id));
        const auto batch = peekAll(queue);
        for (const auto& record : batch.records) foreign += idOfRecord(record) ? 0 : 1;
        queue.deleteNames(batch.names);
        queue.finishRemovals();
        queue.add(recordFor(4));
        queue.sync();
    }
    return {reloadedDepth(layout.folder), foreign};
}

TEST(QueueFolderOwnership, ALinkWhereAFolderOrRecordOfTheQueuesShouldBeIsLeftAlone) {
    const LinkCase cases[] = {
        {"the spare files' folder",
         [](const fs::path& home, const fs::path& elsewhere) {
             fs::create_directories(home / "queue");
             fs::create_directory_symlink(elsewhere, home / "queue" / ".spare");
             return Layout{home / "queue", {}};
         },
         1},
        {"the queue's folder",
         [](const fs::path& home, const fs::path& elsewhere) {
             fs::create_directory_symlink(elsewhere, home / "queue");
             return Layout{home / "queue", {}};
         },
         0},
        {"a record",
         [](const fs::path& home, const fs::path& elsewhere) {
             fs::create_directories(home / "queue");
             fs::create_symlink(elsewhere / "notes.txt", home / "queue" / "0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C");
             return Layout{home / "queue", {}};
         },
         1},
        {"an older layout's queue folder",
         [](const fs::path& home, const fs::path& elsewhere) {
             fs::create_directory_symlink(elsewhere, home / "old");
             return Layout{home / "queue", {home / "old"}};
         },
         1},
        {"the project folder above the queue",
         [](const fs::path& home, const fs::path& elsewhere) {
             fs::create_directories(home / "base");
             fs::create_directory_symlink(elsewhere, home / "base" / "token");
             const ZeraZovStorage storage(home / "base", "token");
             storage.setJSON(ZeraZovStorage::StorageKey::distinctId, "someone");
             return Layout{storage.folder(ZeraZovStorage::StorageKey::queue), {}};
         },
         0},
    };
    for (const auto& [where, prepare, depth] : cases) {
        platform::TemporaryDirectory home;
        const auto elsewhere = home.path() / "elsewhere";
        fs::create_directories(elsewhere / "inner");
        writeText(elsewhere / "notes.txt", "mine");
        writeText(elsewhere / "inner" / "more.txt", "also mine");
        const auto before = contentsOf(elsewhere);

        EXPECT_EQ(exercise(prepare(home.path(), elsewhere)), std::make_pair(depth, 0)) << where;
        EXPECT_EQ(contentsOf(elsewhere), before) << where;
    }
}

// A queue whose folder is removed, or moved away and replaced by a new one,
// while it runs keeps every record added afterwards where readers look.
TEST(QueueFolderOwnership, RecordsAddedAfterTheFolderIsRemovedOrReplacedAreKept) {
    for (const auto& [change, apply] : tessivar::testing::folderChanges) {
        platform::TemporaryDirectory home;
        const auto folder = home.path() / "queue";
        ZeraZovFileBackedQueue queue(folder);
        queue.setup({});
        for (std::uint64_t id = 1; id <= 2; ++id) queue.add(recordFor(id));
        queue.deleteNames(peekAll(queue).names);  // their files become spares
        queue.finishRemovals();
        queue.add(recordFor(3));
        queue.sync();

        apply(folder);
        for (std::uint64_t id = 4; id <= 6; ++id) EXPECT_TRUE(queue.add(recordFor(id)).stored) << change;
        std::vector<std::uint64_t> read;
        for (const auto& record : peekAll(queue).records) read.push_back(idOfRecord(record).value_or(0));
        // Record 3 went with the folder moved away; until the queue notices, it
        // may still be read from there.
        if (read.size() == 4 && read.front() == 3) read.erase(read.begin());
        EXPECT_EQ(read, (std::vector<std::uint64_t>{4, 5, 6})) << change;
        queue.sync();
        EXPECT_EQ(reloadedDepth(folder), 3u) << change;
    }
}

// What is planted where a record's bytes go, for the record kRecordName.
struct PlantCase {
    const char* what;
    // Plants into the queue's folder `folder`, naming files in `elsewhere`.
    void (*plant)(const zerazov::ZeraZovQueueFolder& files, const fs::path& elsewhere);
    enum class Then { write, retire, read } then;
};

constexpr const char* kRecordName = "0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C";

std::string temporaryNameOf(const std::string& name) {
    return name + std::string(platform::DurableFile::temporaryMark) + "write";
}

// A spare the folder's load takes in, made by the user's usual umask.
void plantSpare(const zerazov::ZeraZovQueueFolder& files, const fs::path& file) {
    fs::create_directories(file.parent_path());
    writeText(file, "");
    fs::permissions(file, fs::perms(0644));
    const auto names = files.namesOldestFirst();
    ASSERT_TRUE(names) << names.failure();
}

// Nothing of the user's is written, emptied or read through a link or a file
// planted in the queue's folder, and every record file is the user's alone.
TEST(QueueFolderOwnership, NoFileOrLinkPlantedWhereARecordGoesIsWrittenEmptiedOrReadThrough) {
    using Then = PlantCase::Then;
    const PlantCase cases[] = {
        {"nothing", [](const zerazov::ZeraZovQueueFolder&, const fs::path&) {}, Then::write},
        {"a hard link at the next temporary name",
         [](const zerazov::ZeraZovQueueFolder& files, const fs::path& elsewhere) {
             fs::create_hard_link(elsewhere / "notes.txt", files.fileURL(temporaryNameOf(kRecordName)));
         },
         Then::write},
        {"a symbolic link at the next temporary name",
         [](const zerazov::ZeraZovQueueFolder& files, const fs::path& elsewhere) {
             fs::create_symlink(elsewhere / "notes.txt", files.fileURL(temporaryNameOf(kRecordName)));
         },
         Then::write},
        {"a 0644 spare",
         [](const zerazov::ZeraZovQueueFolder& files, const fs::path&) {
             plantSpare(files, files.fileURL(".spare") / "spare");
         },
         Then::write},
        {"a hard link put in a spare's place",
         [](const zerazov::ZeraZovQueueFolder& files, const fs::path& elsewhere) {
             const auto spare = files.fileURL(".spare") / "spare";
             plantSpare(files, spare);
             fs::remove(spare);
             fs::create_hard_link(elsewhere / "empty.txt", spare);
         },
         Then::write},
        {"a 0644 record, retired",
         [](const zerazov::ZeraZovQueueFolder& files, const fs::path&) {
             writeText(files.fileURL(kRecordName), recordFor(1));
             fs::permissions(files.fileURL(kRecordName), fs::perms(0644));
         },
         Then::retire},
        {"a hard link at a record's name, retired",
         [](const zerazov::ZeraZovQueueFolder& files, const fs::path& elsewhere) {
             fs::create_hard_link(elsewhere / "notes.txt", files.fileURL(kRecordName));
         },
         Then::retire},
        {"a symbolic link at a record's name, read",
         [](const zerazov::ZeraZovQueueFolder& files, const fs::path& elsewhere) {
             fs::create_symlink(elsewhere / "notes.txt", files.fileURL(kRecordName));
         },
         Then::read},
    };
    const auto umask = ::umask(022);
    for (const auto& [what, plant, then] : cases) {
        platform::TemporaryDirectory home;
        const auto elsewhere = home.path() / "elsewhere";
        fs::create_directories(elsewhere);
        writeText(elsewhere / "notes.txt", "mine");
        writeText(elsewhere / "empty.txt", "");
        const auto before = contentsOf(elsewhere);
        const zerazov::ZeraZovQueueFolder files(home.path() / "queue");
        ASSERT_FALSE(files.create());
        plant(files, elsewhere);

        const auto expectPrivate = [&](const fs::path& file) {
            struct stat info {};
            ASSERT_EQ(::lstat(file.c_str(), &info), 0) << what;
            EXPECT_EQ(info.st_mode & 07777, 0600u) << what;
            EXPECT_EQ(info.st_nlink, 1u) << what;
        };
        if (then == Then::write) {
            EXPECT_FALSE(files.write(kRecordName, recordFor(1))) << what;
            EXPECT_TRUE(files.read(kRecordName).valueOr("") == recordFor(1)) << what;
            expectPrivate(files.fileURL(kRecordName));
        } else if (then == Then::retire) {
            files.retire(kRecordName);
            for (const auto& spare : fs::directory_iterator(files.fileURL(".spare"))) expectPrivate(spare.path());
        } else {
            EXPECT_FALSE(files.read(kRecordName)) << what;
        }
        EXPECT_TRUE(contentsOf(elsewhere) == before) << what << ": something of the user's changed";
    }
    ::umask(umask);
}

// A file put in the folder's place is left alone; the records kept meanwhile
// come back into the folder once the file is gone: while the queue runs, or at
// the next launch.
TEST(QueueFolderOwnership, RecordsKeptWhileAFileStandsInTheFoldersPlaceComeBackOnceItIsGone) {
    for (const bool relaunch : {false, true}) {
        platform::TemporaryDirectory home;
        const auto folder = home.path() / "queue";
        auto queue = std::make_unique<ZeraZovFileBackedQueue>(folder);
        queue->setup({});
        fs::remove_all(folder);
        writeText(folder, "not the program's");
        for (std::uint64_t id = 1; id <= 4; ++id) EXPECT_TRUE(queue->add(recordFor(id)).stored) << relaunch;
        queue->deleteAt(0);  // its file becomes a spare beside
        queue->finishRemovals();
        queue->sync();
        std::ifstream file(folder);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "not the program's") << relaunch;

        if (relaunch) queue.reset();
        fs::remove(folder);
        if (relaunch) {
            queue = std::make_unique<ZeraZovFileBackedQueue>(folder);
            queue->setup({});
        }
        ASSERT_TRUE(queue->add(recordFor(5)).stored);
        queue->sync();
        std::vector<std::uint64_t> read;
        for (const auto& record : peekAll(*queue).records) read.push_back(idOfRecord(record).value_or(0));
        EXPECT_EQ(read, (std::vector<std::uint64_t>{2, 3, 4, 5})) << relaunch;
        EXPECT_EQ(reloadedDepth(folder), 4u) << relaunch;
        EXPECT_FALSE(fs::exists(folder.string() + ".aside")) << relaunch;
    }
}

// Two queues on one folder (two clients of one project in one process) start
// with the same spare files: each claims a spare before writing into it, so no
// record is ever another's bytes or two records run together.
TEST(QueueFolderOwnership, TwoQueuesOnOneFolderNeverWriteIntoTheSameFile) {
    platform::TemporaryDirectory home;
    const auto folder = home.path() / "queue";
    fs::create_directories(folder / ".spare");
    for (int spare = 0; spare < 600; ++spare) writeText(folder / ".spare" / ("spare-" + std::to_string(spare)), "");
    ZeraZovFileBackedQueue first(folder);
    ZeraZovFileBackedQueue second(folder);
    first.setup({});
    second.setup({});
    std::atomic<int> broken{0};
    std::atomic<int> lost{0};
    const auto writer = [&](ZeraZovFileBackedQueue& queue, std::uint64_t firstId) {
        for (std::uint64_t round = 0; round < 40; ++round) {
            for (std::uint64_t id = 0; id < 25; ++id) {
                if (!queue.add(recordFor(firstId + round * 100 + id)).stored) ++lost;
            }
            const auto batch = peekAll(queue);
            for (const auto& record : batch.records) broken += idOfRecord(record) ? 0 : 1;
            queue.deleteNames(batch.names);
            queue.finishRemovals();
        }
    };
    std::thread one(writer, std::ref(first), 1'000'000);
    std::thread other(writer, std::ref(second), 2'000'000);
    one.join();
    other.join();
    EXPECT_EQ(broken.load(), 0);
    EXPECT_EQ(lost.load(), 0);
}

// A second queue on the folder set up again and again (a second client of one
// project, or a second process on the data folder) while the first adds and
// uploads: no file the first is filling, a new one or a claimed spare, is taken
// for a leftover, and no record is lost.
TEST(QueueFolderOwnership, ASecondQueueSetUpAgainAndAgainLosesNoRecordOfTheFirst) {
    platform::TemporaryDirectory home;
    const auto folder = home.path() / "queue";
    ZeraZovFileBackedQueue writing(folder);
    writing.setup({});
    std::atomic<bool> done{false};
    std::thread setUps([&] {
        while (!done) ZeraZovFileBackedQueue(folder).setup({});
    });
    constexpr std::uint64_t rounds = 150;
    constexpr std::uint64_t perRound = 40;
    int lost = 0;
    int missed = 0;
    for (std::uint64_t round = 0; round < rounds; ++round) {
        std::vector<std::uint64_t> added;
        for (std::uint64_t id = round * perRound; id < (round + 1) * perRound; ++id) {
            if (writing.add(recordFor(id)).stored) added.push_back(id);
        }
        lost += static_cast<int>(perRound - added.size());
        // Each round is uploaded whole: its files become spares, which the next
        // round fills every other time, new files otherwise.
        const auto batch = peekAll(writing);
        std::vector<std::uint64_t> read;
        for (const auto& record : batch.records) read.push_back(idOfRecord(record).value_or(0));
        if (read != added) ++missed;
        writing.deleteNames(batch.names);
        if (round % 2 == 0) writing.finishRemovals();
    }
    done = true;
    setUps.join();
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(missed, 0);
}

}  // namespace
}  // namespace zerazov_file_queue_tests
