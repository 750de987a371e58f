// One event's bytes added to the file-backed record queue, beside a bare
// open/write/close of the same bytes into a new file of the same folder. A
// second reference does by hand what the queue does to make the record durable
// (temporary file, fsync, rename, fsync of the folder), so the queue's own
// overhead shows apart from the cost of the disk syncs.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <nlohmann/json.hpp>

#include "Platform/Testing/TemporaryDirectory.h"
#include "RatioReporter.h"
#include "SampleEvent.h"
#include "ZeraZov/Delivery/ZeraZovFileBackedQueue.h"

namespace {

// Files kept in the folder before it is emptied, outside the measurement.
constexpr int kFilesPerFolder = 1000;

const std::string eventBytes =
    tessivar::bench::sampleEvent("0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C", "2024-05-01T12:00:00.123Z").dump();

bool writeFile(const std::string& file, bool sync) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const bool written = ::write(fd, eventBytes.data(), eventBytes.size()) == static_cast<ssize_t>(eventBytes.size());
    const bool synced = !sync || ::fsync(fd) == 0;
    return ::close(fd) == 0 && written && synced;
}

bool syncFolder(const std::filesystem::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

void emptyFolder(benchmark::State& state, const std::filesystem::path& folder) {
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    state.ResumeTiming();
}

void BareFileWrite(benchmark::State& state) {
    platform::TemporaryDirectory directory;
    int count = 0;
    for (auto _ : state) {
        if (!writeFile((directory.path() / std::to_string(count)).string(), false)) state.SkipWithError("write failed");
        if (++count % kFilesPerFolder == 0) emptyFolder(state, directory.path());
    }
}

void BareSyncedRenameWrite(benchmark::State& state) {
    platform::TemporaryDirectory directory;
    const auto temporary = (directory.path() / ".tmp").string();
    int count = 0;
    for (auto _ : state) {
        const auto file = (directory.path() / std::to_string(count)).string();
        if (!writeFile(temporary, true) || ::rename(temporary.c_str(), file.c_str()) != 0 ||
            !syncFolder(directory.path())) {
            state.SkipWithError("write failed");
        }
        if (++count % kFilesPerFolder == 0) emptyFolder(state, directory.path());
    }
}

void QueueAdd(benchmark::State& state) {
    platform::TemporaryDirectory directory;
    zerazov::ZeraZovFileBackedQueue queue(directory.path() / "zerazov.queueFolder.uuid");
    queue.setup({});
    for (auto _ : state) {
        if (!queue.add(eventBytes)) state.SkipWithError("add failed");
        if (queue.depth() < kFilesPerFolder) continue;
        state.PauseTiming();
        queue.deleteAll();
        state.ResumeTiming();
    }
}

BENCHMARK(BareFileWrite);
BENCHMARK(BareSyncedRenameWrite);
BENCHMARK(QueueAdd);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter({{"QueueAdd", "BareFileWrite"}, {"QueueAdd", "BareSyncedRenameWrite"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
