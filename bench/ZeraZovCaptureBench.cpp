// The application's "jump_triggered" captured by the analytics client, end to end on
// the calling thread as a hot-key press does it: set-up check, properties built from
// the context, super properties, session and flags, the before-send hooks, and the
// events queue's add (the event's file written; its disk sync left to the queue's
// worker). Beside it, a bare open/write/close of the very bytes the capture stores,
// into a new file of a folder of the same size. Both report their median and 99th
// percentile per call.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Percentiles.h"
#include "Platform/Foundation/UniqueFd.h"
#include "Platform/Testing/FakeReachabilityBackend.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "RatioReporter.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"

namespace {

using Clock = std::chrono::steady_clock;

// Files kept in the folder before it is emptied, outside the measurement.
constexpr int kFilesPerFolder = 1000;

const nlohmann::json jumpProperties{{"trigger", "hotkey"}, {"display_count_bucket", "2"}, {"app_version", "1.0.0"}};

// A client set up as the application sets it up, on a folder of its own, whose
// queue never flushes while it is measured.
struct CapturingClient {
    CapturingClient() {
        zerazov::ZeraZovSDK::Environment environment;
        environment.mainQueue = &mainQueue;
        environment.notifications = &center;
        environment.makeReachabilityBackend = [] {
            return platform::ReachabilityBackend::Created{std::make_unique<platform::FakeReachabilityBackend>(0x2), 0};
        };
        environment.storageBaseFolder = directory.path();
        auto config = std::make_shared<zerazov::ZeraZovConfig>("zzk_Qw7TmR2vKx9bLp4NzHs6DfYc3JgUe8WaMk5VtXr1BnEk",
                                                               "http://127.0.0.1:9");
        config->flushAt = 1000000;
        config->maxQueueSize = 1000000;
        config->captureApplicationLifecycleEvents = false;
        config->captureScreenViews = false;
        config->disableRemoteConfigForTesting = true;
        config->disableQueueTimerForTesting = true;
        config->disableReachabilityForTesting = true;
        client = zerazov::ZeraZovSDK::with(config, environment);
        client->identify("instance_tv_0123456789abcdef0123456789abcdef", nlohmann::json{{"app_version", "1.0.0"}});
        client->registerProperties({{"product", "Tessivar"},
                                    {"app_id", "com.brel.tessivar"},
                                    {"instance_name", "Tessivar"},
                                    {"source", "early_access"}});
    }
    ~CapturingClient() { client->close(); }

    platform::TemporaryDirectory directory;
    platform::ManualMainQueue mainQueue;
    platform::NotificationCenter center;
    std::shared_ptr<zerazov::ZeraZovSDK> client;
};

// The bytes one capture of the event stores.
std::string storedJumpBytes() {
    CapturingClient capturing;
    std::string bytes;
    auto token = capturing.client->onEventCaptured().subscribe(
        [&](const zerazov::ZeraZovEvent& event) { bytes = zerazov::QueueEndpoints::encode(event).value_or(""); });
    capturing.client->capture("jump_triggered", jumpProperties);
    return bytes;
}

bool writeFile(const std::string& file, const std::string& bytes) {
    platform::UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd.valid()) return false;
    const bool written = ::write(fd.get(), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return fd.close() && written;
}

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void BareWriteOfTheSameBytes(benchmark::State& state) {
    const auto bytes = storedJumpBytes();
    platform::TemporaryDirectory directory;
    std::vector<double> samples;
    int count = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!writeFile((directory.path() / std::to_string(count)).string(), bytes)) state.SkipWithError("write failed");
        samples.push_back(secondsSince(start));
        state.SetIterationTime(samples.back());
        if (++count % kFilesPerFolder != 0) continue;
        std::filesystem::remove_all(directory.path());
        std::filesystem::create_directories(directory.path());
    }
    tessivar::bench::reportPercentiles(state, std::move(samples));
}

void CaptureJumpTriggered(benchmark::State& state) {
    auto capturing = std::make_unique<CapturingClient>();
    std::vector<double> samples;
    int count = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        capturing->client->capture("jump_triggered", jumpProperties);
        samples.push_back(secondsSince(start));
        state.SetIterationTime(samples.back());
        if (++count % kFilesPerFolder == 0) capturing = std::make_unique<CapturingClient>();
    }
    tessivar::bench::reportPercentiles(state, std::move(samples));
}

BENCHMARK(BareWriteOfTheSameBytes)->UseManualTime();
BENCHMARK(CaptureJumpTriggered)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"CaptureJumpTriggered/manual_time", "BareWriteOfTheSameBytes/manual_time"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
