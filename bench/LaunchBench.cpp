// From start to the launch line, cold: each launch in a fresh home, so the
// real program makes its first-launch settings and analytics files every time,
// on the disk the bench's temporary folder lies on. Beside it, a bare Qt tray
// program launched the same way on the same private X server.
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "Percentiles.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "RatioReporter.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/XorgDummyServer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kGiveUp = std::chrono::seconds(20);

std::string displayName;

// Reads the child's output until `line` shows; false when it never does in time.
bool waitForText(int fd, const std::string& line, Clock::time_point start) {
    std::string seen;
    char buffer[4096];
    while (Clock::now() - start < kGiveUp) {
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, 100) <= 0) continue;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) return false;
        seen.append(buffer, static_cast<std::size_t>(n));
        if (seen.find(line) != std::string::npos) return true;
    }
    return false;
}

// Seconds from the start of `program` in a fresh home to `line` on its output; negative when it never came.
double launchSeconds(const std::string& program, const std::string& line) {
    platform::TemporaryDirectory home;
    const auto runtime = home.path() / "runtime";
    ::mkdir(runtime.c_str(), 0700);
    int output[2];
    if (::pipe(output) != 0) return -1;
    const std::string root = home.path().string();
    const auto start = Clock::now();
    tessivar::testing::ChildProcess child(
        {program}, {.outputFd = output[1],
                    .environment = {"HOME=" + root, "XDG_CONFIG_HOME=" + root + "/.config",
                                    "XDG_DATA_HOME=" + root + "/.local/share", "XDG_CACHE_HOME=" + root + "/.cache",
                                    "XDG_STATE_HOME=" + root + "/.local/state", "XDG_RUNTIME_DIR=" + runtime.string(),
                                    "DISPLAY=" + displayName, "QT_QPA_PLATFORM=xcb"}});
    ::close(output[1]);
    const bool arrived = child.started() && waitForText(output[0], line, start);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    child.terminate(std::chrono::seconds(2));
    ::close(output[0]);
    return arrived ? seconds : -1;
}

void measureLaunches(benchmark::State& state, const std::string& program, const std::string& line) {
    std::vector<double> samples;
    for (auto _ : state) {
        const double seconds = launchSeconds(program, line);
        if (seconds < 0) {
            state.SkipWithError("the launch line never came");
            break;
        }
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
    }
    tessivar::bench::reportPercentiles(state, std::move(samples));
}

void BareQtTrayLaunch(benchmark::State& state) { measureLaunches(state, BARE_TRAY_BINARY, "bare tray started"); }
void TessivarFirstLaunch(benchmark::State& state) { measureLaunches(state, TESSIVAR_BINARY, "Tessivar 已启动"); }

BENCHMARK(BareQtTrayLaunch)->UseManualTime()->Iterations(20);
BENCHMARK(TessivarFirstLaunch)->UseManualTime()->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}})) {
        std::fprintf(stderr, "launch_bench: no test X server: %s\n", error->c_str());
        return 1;
    }
    displayName = server.displayName();
    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"TessivarFirstLaunch/iterations:20/manual_time", "BareQtTrayLaunch/iterations:20/manual_time"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
