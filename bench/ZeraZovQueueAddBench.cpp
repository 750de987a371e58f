// One event's bytes added to the file-backed record queue, beside a bare
// open/write/close of the same bytes into a new file of the same folder: the add
// writes into a spare file (one a removed record left, emptied), or without one
// into a new file under a temporary name, renames it into place, and leaves the
// disk syncs to the queue's worker (one for up to 64 adds), whose cost the
// measured adds share as the disk is busy. Every kFilesPerFolder adds the queue is
// emptied outside the measurement, which leaves it that many spares. A second
// reference does by hand what an add once did on the caller's thread (temporary
// file, fsync, rename, fsync of the folder). EventQueueAdd is the whole
// capture-side add of the events queue: the event encoded as JSON, then stored
// as above, in a fresh queue for every kFilesPerFolder adds.
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/UniqueFd.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "RatioReporter.h"
#include "SampleEvent.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovFileBackedQueue.h"
#include "ZeraZov/Delivery/FlushQueue/ZeraZovQueue.h"

namespace {

// Files kept in the folder before it is emptied, outside the measurement.
constexpr int kFilesPerFolder = 1000;

const std::string eventBytes =
    tessivar::bench::sampleEvent("0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C", "2024-05-01T12:00:00.123Z").dump();

bool writeFile(const std::string& file, bool sync) {
    platform::UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd.valid()) return false;
    const bool written =
        ::write(fd.get(), eventBytes.data(), eventBytes.size()) == static_cast<ssize_t>(eventBytes.size());
    const bool synced = !sync || ::fsync(fd.get()) == 0;
    return fd.close() && written && synced;
}

bool syncFolder(const std::filesystem::path& folder) {
    const platform::UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd.valid() && ::fsync(fd.get()) == 0;
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

// Empties the queue's folder as the references empty theirs, outside the measurement.
void emptyQueue(benchmark::State& state, zerazov::ZeraZovFileBackedQueue& queue) {
    state.PauseTiming();
    queue.deleteAll();
    queue.finishRemovals();
    state.ResumeTiming();
}

void QueueAdd(benchmark::State& state) {
    platform::TemporaryDirectory directory;
    zerazov::ZeraZovFileBackedQueue queue(directory.path() / "zerazov.queueFolder.uuid");
    queue.setup({});
    for (auto _ : state) {
        if (!queue.add(eventBytes).stored) state.SkipWithError("add failed");
        if (queue.depth() >= kFilesPerFolder) emptyQueue(state, queue);
    }
}

// An events queue on a folder of its own; building and dropping one stays
// outside the measurement, as emptying a folder does.
struct EventQueueFolder {
    platform::TemporaryDirectory directory;
    zerazov::ZeraZovStorage storage{directory.path(), "zzk_bench"};
    platform::ManualMainQueue mainQueue;
    std::shared_ptr<zerazov::ZeraZovQueue<zerazov::ZeraZovEvent>> queue =
        zerazov::ZeraZovQueue<zerazov::ZeraZovEvent>::create(std::make_shared<zerazov::ZeraZovConfig>("zzk_bench"),
                                                             storage, nullptr, zerazov::QueueEndpoints::events(nullptr),
                                                             mainQueue);
};

void EventQueueAdd(benchmark::State& state) {
    const auto event = *zerazov::ZeraZovEvent::fromJSON(nlohmann::json::parse(eventBytes));
    auto folder = std::make_unique<EventQueueFolder>();
    for (auto _ : state) {
        // Without the after-add action: no flush, so the figure is the add alone.
        folder->queue->add(event, {});
        if (folder->queue->depth() < kFilesPerFolder) continue;
        state.PauseTiming();
        folder = std::make_unique<EventQueueFolder>();
        state.ResumeTiming();
    }
}

BENCHMARK(BareFileWrite);
BENCHMARK(BareSyncedRenameWrite);
BENCHMARK(QueueAdd);
BENCHMARK(EventQueueAdd);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter(
        {{"QueueAdd", "BareFileWrite"}, {"QueueAdd", "BareSyncedRenameWrite"}, {"EventQueueAdd", "BareFileWrite"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
