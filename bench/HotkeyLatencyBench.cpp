// From a display shortcut pressed on the keyboard to the pointer seen on the
// other display: the real tessivar program on a private two-monitor X server,
// keys typed with XTest and the pointer read from a second connection. Beside
// it, the bare round trip of moving the pointer and reading it back.
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "Percentiles.h"
#include "RatioReporter.h"
#include "tests/support/XTestKeyboard.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/X11Observer.h"
#include "tests/support/XorgDummyServer.h"

namespace {

using Clock = std::chrono::steady_clock;
using tessivar::testing::PointerPosition;

constexpr PointerPosition kHome{300, 200};            // where the pointer leaves display 1
constexpr PointerPosition kSecondCentre{2880, 540};   // display 2's centre
constexpr auto kGiveUp = std::chrono::seconds(2);

struct Rig {
    tessivar::testing::XorgDummyServer* server = nullptr;
    tessivar::testing::X11Observer* observer = nullptr;
    tessivar::testing::XTestKeyboard* keyboard = nullptr;
};
Rig rig;

// Seconds until the pointer reads `target`, or a negative value when it never does.
double waitForPointer(PointerPosition target, Clock::time_point start) {
    while (Clock::now() - start < kGiveUp) {
        if (rig.observer->pointer() == target) return std::chrono::duration<double>(Clock::now() - start).count();
    }
    return -1;
}

// Alternates between the two points so every sample is a real move; `settle`
// is waited out (untimed) after each move.
template <typename Move>
void measureMoves(benchmark::State& state, Move move, std::chrono::milliseconds settle = {}) {
    std::vector<double> samples;
    bool toSecond = true;
    for (auto _ : state) {
        const auto target = toSecond ? kSecondCentre : kHome;
        const auto start = Clock::now();
        move(toSecond);
        const double seconds = waitForPointer(target, start);
        if (seconds < 0) {
            state.SkipWithError("the pointer never arrived");
            break;
        }
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
        toSecond = !toSecond;
        std::this_thread::sleep_for(settle);
    }
    tessivar::bench::reportPercentiles(state, std::move(samples));
}

void BareWarpAndQuery(benchmark::State& state) {
    measureMoves(state, [](bool toSecond) { rig.observer->warpPointer(toSecond ? kSecondCentre : kHome); });
}

// The program started with the given settings, pressed Alt+2 and Alt+1 in turn.
void measureHotkeys(benchmark::State& state, const std::string& defaults, std::chrono::milliseconds settle = {}) {
    rig.observer->warpPointer(kHome);
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, rig.server->displayName(), defaults);
    if (!tessivar.waitForLine("Tessivar 已启动", std::chrono::seconds(15))) {
        state.SkipWithError("tessivar did not start");
        return;
    }
    measureMoves(state, [](bool toSecond) { rig.keyboard->tap({"Alt_L", toSecond ? "2" : "1"}); }, settle);
    tessivar.terminate();
}

void HotkeyToPointerMoved(benchmark::State& state) { measureHotkeys(state, {}); }
// Each press after the previous effect has ended, as a person switching displays.
void HotkeyToPointerMovedEffectDone(benchmark::State& state) {
    measureHotkeys(state, {}, std::chrono::milliseconds(450));
}
void HotkeyToPointerMovedEffectOff(benchmark::State& state) {
    measureHotkeys(state, R"({"visualEffectType": "off"})");
}
// The hot-key path must not wait on analytics: the same presses with analytics off.
void HotkeyToPointerMovedAnalyticsOff(benchmark::State& state) {
    measureHotkeys(state, R"({"analytics_enabled": false})");
}

BENCHMARK(BareWarpAndQuery)->UseManualTime()->Iterations(400);
BENCHMARK(HotkeyToPointerMoved)->UseManualTime()->Iterations(400);
BENCHMARK(HotkeyToPointerMovedEffectDone)->UseManualTime()->Iterations(100);
BENCHMARK(HotkeyToPointerMovedEffectOff)->UseManualTime()->Iterations(400);
BENCHMARK(HotkeyToPointerMovedAnalyticsOff)->UseManualTime()->Iterations(400);

}  // namespace

int main(int argc, char** argv) {
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}})) {
        std::fprintf(stderr, "hotkey_latency_bench: no test X server: %s\n", error->c_str());
        return 1;
    }
    tessivar::testing::X11Observer observer(server.displayName());
    tessivar::testing::XTestKeyboard keyboard(server.displayName());
    if (!keyboard.isReady()) {
        std::fprintf(stderr, "hotkey_latency_bench: no XTest on the test X server\n");
        return 1;
    }
    rig = {&server, &observer, &keyboard};

    benchmark::Initialize(&argc, argv);
    const std::string reference = "BareWarpAndQuery/iterations:400/manual_time";
    // The effect's own cost on a press: the default effect beside no effect at all.
    const std::string effectOff = "HotkeyToPointerMovedEffectOff/iterations:400/manual_time";
    // What analytics adds to a press: the default program beside one with analytics off.
    const std::string analyticsOff = "HotkeyToPointerMovedAnalyticsOff/iterations:400/manual_time";
    tessivar::bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {"HotkeyToPointerMoved/iterations:400/manual_time", effectOff},
        {"HotkeyToPointerMoved/iterations:400/manual_time", analyticsOff},
        {"HotkeyToPointerMoved/iterations:400/manual_time", reference},
        {"HotkeyToPointerMovedEffectDone/iterations:100/manual_time", reference},
        {"HotkeyToPointerMovedEffectOff/iterations:400/manual_time", reference}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
