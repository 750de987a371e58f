#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <random>
#include <thread>

#include "FileQueueTestSupport.h"
#include "Platform/Foundation/UniqueFd.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"

namespace zerazov_file_queue_tests {
namespace {

namespace fs = std::filesystem;
using zerazov::ZeraZovFileBackedQueue;

// A child that is never killed still ends on its own.
constexpr std::uint64_t kMostAddsPerChild = 5000;

// Adds records until killed; an id goes down the pipe only after its add returned.
[[noreturn]] void addUntilKilled(const fs::path& folder, std::uint64_t firstId, int acknowledgements, pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(3);
    ZeraZovFileBackedQueue queue(folder);
    queue.setup({});
    for (auto id = firstId; id < firstId + kMostAddsPerChild; ++id) {
        if (!queue.add(recordFor(id)).stored) ::_exit(2);
        if (::write(acknowledgements, &id, sizeof id) != static_cast<ssize_t>(sizeof id)) ::_exit(2);
    }
    ::_exit(0);
}

// The adding child of one round; killed and reaped however the round ends.
class AddingChild {
public:
    AddingChild(const fs::path& folder, std::uint64_t firstId) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        platform::UniqueFd readEnd(fds[0]);
        platform::UniqueFd writeEnd(fds[1]);
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            readEnd.reset();
            addUntilKilled(folder, firstId, writeEnd.get(), parent);
        }
        acknowledgements_ = std::move(readEnd);
    }
    ~AddingChild() { kill(); }
    AddingChild(const AddingChild&) = delete;
    AddingChild& operator=(const AddingChild&) = delete;

    bool started() const { return pid_ > 0 && acknowledgements_.valid(); }

    // Reads acknowledged ids until there are `count` or the child is gone; false
    // when nothing arrives within the timeout.
    bool readUntil(std::size_t count, std::chrono::milliseconds timeout) {
        while (ids_.size() < count) {
            pollfd poller{acknowledgements_.get(), POLLIN, 0};
            if (::poll(&poller, 1, static_cast<int>(timeout.count())) <= 0) return false;
            if (!readOnce()) return true;
        }
        return true;
    }

    // SIGKILL, then every id the child acknowledged before it died.
    const std::vector<std::uint64_t>& kill() {
        if (pid_ <= 0) return ids_;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        while (readOnce()) {}
        return ids_;
    }

private:
    // False at the end of the pipe.
    bool readOnce() {
        char buffer[4096];
        const auto count = ::read(acknowledgements_.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) return true;
        if (count <= 0) return false;
        pending_.append(buffer, static_cast<std::size_t>(count));
        std::size_t used = 0;
        for (; used + sizeof(std::uint64_t) <= pending_.size(); used += sizeof(std::uint64_t)) {
            std::uint64_t id = 0;
            std::memcpy(&id, pending_.data() + used, sizeof id);
            ids_.push_back(id);
        }
        pending_.erase(0, used);
        return true;
    }

    pid_t pid_ = -1;
    platform::UniqueFd acknowledgements_;
    std::string pending_;
    std::vector<std::uint64_t> ids_;
};

// TESSIVAR_TEST_SEED when it is set, so that a failure can be replayed;
// otherwise a fresh one.
std::uint32_t testSeed() {
    const char* text = std::getenv("TESSIVAR_TEST_SEED");
    std::uint32_t seed = 0;
    if (text && std::from_chars(text, text + std::strlen(text), seed).ec == std::errc{}) return seed;
    return std::random_device{}();
}

// Empty files in the spare folder, as a queue keeps them for its adds.
void plantSpares(const fs::path& folder, int round) {
    const auto spares = folder / zerazov::ZeraZovQueueFolder::spareFolderName;
    fs::create_directories(spares);
    for (int i = 0; i < 20; ++i) writeText(spares / ("planted-" + std::to_string(round) + "-" + std::to_string(i)), "");
}

TEST(QueueCrashTest, EveryRecordWhoseAddReturnedSurvivesSigkillWhole) {
    constexpr int kRounds = 50;
    platform::TemporaryDirectory directory;
    const auto& folder = directory.path();
    const auto seed = testSeed();
    SCOPED_TRACE("seed " + std::to_string(seed) + " (replay with TESSIVAR_TEST_SEED=" + std::to_string(seed) + ")");
    std::mt19937 random(seed);

    std::uint64_t acknowledgedMost = 0;
    std::uint64_t nextId = 1;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Every other round the adds fill kept spare files, as after uploads.
        if (round % 2 == 1) plantSpares(folder, round);
        AddingChild child(folder, nextId);
        ASSERT_TRUE(child.started());
        // Kill after a random number of adds and a random part of the next one.
        ASSERT_TRUE(
            child.readUntil(std::uniform_int_distribution<std::size_t>(0, 30)(random), std::chrono::seconds(10)));
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 3000)(random)));
        const auto acknowledged = child.kill();
        if (!acknowledged.empty()) acknowledgedMost = std::max(acknowledgedMost, acknowledged.back());

        for (const auto& name : directory.entryNames()) {
            if (zerazov::ZeraZovQueueFolder::isTemporaryName(name)) makeOld(folder / name);
        }
        const auto ids = reloadedIds(folder);
        ASSERT_FALSE(HasFailure());
        // Adds run one after another, so what survives is every id from 1 on,
        // oldest first, and reaches at least the last acknowledged one.
        std::vector<std::uint64_t> expected(ids.size());
        std::iota(expected.begin(), expected.end(), 1);
        ASSERT_EQ(ids, expected);
        ASSERT_GE(ids.size(), acknowledgedMost);
        for (const auto& name : directory.entryNames()) {
            ASSERT_FALSE(zerazov::ZeraZovQueueFolder::isTemporaryName(name)) << name;
        }
        nextId = ids.size() + 1;
    }
    EXPECT_GT(acknowledgedMost, 0u);
}

}  // namespace
}  // namespace zerazov_file_queue_tests
