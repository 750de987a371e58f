// From a display shortcut pressed on the keyboard to the pointer seen on the
// other display: the real tessivar program on a private two-monitor X server,
// keys typed with XTest and the pointer read from a second connection. Beside
// it, the bare round trip of moving the pointer and reading it back: both sides
// send their requests and wait for one answer of the server (the key taps in one
// XSync, the warp in one) before the polling starts. And beside both, a bare Qt
// program that warps on the same presses: what any Qt program pays for a press
// on this server, so what the real program adds to it shows on its own.
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "Percentiles.h"
#include "RatioReporter.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/X11Observer.h"
#include "tests/support/XTestKeyboard.h"
#include "tests/support/XorgDummyServer.h"

namespace {

using Clock = std::chrono::steady_clock;
using tessivar::testing::PointerPosition;

constexpr PointerPosition kHome{300, 200};           // where the pointer leaves display 1
constexpr PointerPosition kSecondCentre{2880, 540};  // display 2's centre
constexpr auto kGiveUp = std::chrono::seconds(2);
constexpr auto kModifierSettle = std::chrono::milliseconds(50);

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

// How a display shortcut is typed: with Alt held down already, as a person
// hopping between displays holds it and presses the digits, or the whole chord
// at once, so that Alt's own change of the keyboard state falls in the timed
// window too.
enum class Chord { modifierHeld, typedAtOnce };

// `binary` started with the given settings, pressed Alt+2 and Alt+1 in turn.
void measurePresses(benchmark::State& state, const char* binary, const char* startLine, const std::string& defaults,
                    std::chrono::milliseconds settle, Chord chord = Chord::modifierHeld) {
    rig.observer->warpPointer(kHome);
    tessivar::testing::TessivarProcess program(binary, rig.server->displayName(), defaults);
    if (!program.waitForLine(startLine, std::chrono::seconds(15))) {
        state.SkipWithError("the program did not start");
        return;
    }
    const bool held = chord == Chord::modifierHeld;
    if (held) {
        rig.keyboard->press("Alt_L");
        // Untimed: the program hears of the new keyboard state before the first digit.
        std::this_thread::sleep_for(kModifierSettle);
    }
    measureMoves(
        state,
        [held](bool toSecond) {
            const char* digit = toSecond ? "2" : "1";
            if (held) return rig.keyboard->tap({digit});
            rig.keyboard->tap({"Alt_L", digit});
        },
        settle);
    if (held) rig.keyboard->release("Alt_L");
    program.terminate();
}

void measureHotkeys(benchmark::State& state, const std::string& defaults, std::chrono::milliseconds settle = {},
                    Chord chord = Chord::modifierHeld) {
    measurePresses(state, TESSIVAR_BINARY, "Tessivar 已启动", defaults, settle, chord);
}

// The floor a Qt program meets on this server: the same presses, the same warps,
// nothing else done.
void measureBareQt(benchmark::State& state, Chord chord) {
    measurePresses(state, BARE_HOTKEY_BINARY, "bare hot keys started", {}, {}, chord);
}
void BareQtHotkeyProgram(benchmark::State& state) { measureBareQt(state, Chord::modifierHeld); }
void BareQtHotkeyProgramChordAtOnce(benchmark::State& state) { measureBareQt(state, Chord::typedAtOnce); }

constexpr auto kEffectDone = std::chrono::milliseconds(450);
const std::string kEffectOff = R"({"visualEffectType": "off"})";
const std::string kAnalyticsOff = R"({"analytics_enabled": false})";

void HotkeyToPointerMoved(benchmark::State& state) { measureHotkeys(state, {}); }
void HotkeyToPointerMovedChordAtOnce(benchmark::State& state) { measureHotkeys(state, {}, {}, Chord::typedAtOnce); }
void HotkeyToPointerMovedEffectOff(benchmark::State& state) { measureHotkeys(state, kEffectOff); }
// The hot-key path must not wait on analytics: the same presses with analytics off.
void HotkeyToPointerMovedAnalyticsOff(benchmark::State& state) { measureHotkeys(state, kAnalyticsOff); }
// Each press after the previous effect has ended, as a person switching displays;
// the effect and analytics each beside the same spacing without them.
void HotkeyToPointerMovedSpaced(benchmark::State& state) { measureHotkeys(state, {}, kEffectDone); }
void HotkeyToPointerMovedSpacedEffectOff(benchmark::State& state) { measureHotkeys(state, kEffectOff, kEffectDone); }
void HotkeyToPointerMovedSpacedAnalyticsOff(benchmark::State& state) {
    measureHotkeys(state, kAnalyticsOff, kEffectDone);
}

BENCHMARK(BareWarpAndQuery)->UseManualTime()->Iterations(400);
BENCHMARK(BareQtHotkeyProgram)->UseManualTime()->Iterations(400);
BENCHMARK(HotkeyToPointerMoved)->UseManualTime()->Iterations(400);
BENCHMARK(HotkeyToPointerMovedEffectOff)->UseManualTime()->Iterations(400);
BENCHMARK(BareQtHotkeyProgramChordAtOnce)->UseManualTime()->Iterations(400);
BENCHMARK(HotkeyToPointerMovedChordAtOnce)->UseManualTime()->Iterations(400);
BENCHMARK(HotkeyToPointerMovedAnalyticsOff)->UseManualTime()->Iterations(400);
BENCHMARK(HotkeyToPointerMovedSpaced)->UseManualTime()->Iterations(100);
BENCHMARK(HotkeyToPointerMovedSpacedEffectOff)->UseManualTime()->Iterations(100);
BENCHMARK(HotkeyToPointerMovedSpacedAnalyticsOff)->UseManualTime()->Iterations(100);

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
    const auto backToBack = [](const char* name) { return std::string(name) + "/iterations:400/manual_time"; };
    const auto spaced = [](const char* name) { return std::string(name) + "/iterations:100/manual_time"; };
    const std::string reference = backToBack("BareWarpAndQuery");
    tessivar::bench::RatioReporter reporter(std::vector<std::pair<std::string, std::string>>{
        {backToBack("HotkeyToPointerMoved"), reference},
        {backToBack("HotkeyToPointerMovedEffectOff"), reference},
        {backToBack("BareQtHotkeyProgram"), reference},
        // What the program adds to the least a Qt program pays for the same press.
        {backToBack("HotkeyToPointerMoved"), backToBack("BareQtHotkeyProgram")},
        {backToBack("HotkeyToPointerMovedEffectOff"), backToBack("BareQtHotkeyProgram")},
        // The effect's and analytics' own cost on a press, each beside the same presses without it.
        {backToBack("HotkeyToPointerMoved"), backToBack("HotkeyToPointerMovedEffectOff")},
        {backToBack("HotkeyToPointerMoved"), backToBack("HotkeyToPointerMovedAnalyticsOff")},
        // The whole chord in the timed window, Alt's state change included.
        {backToBack("HotkeyToPointerMovedChordAtOnce"), reference},
        {backToBack("BareQtHotkeyProgramChordAtOnce"), reference},
        {spaced("HotkeyToPointerMovedSpaced"), spaced("HotkeyToPointerMovedSpacedEffectOff")},
        {spaced("HotkeyToPointerMovedSpaced"), spaced("HotkeyToPointerMovedSpacedAnalyticsOff")},
        {spaced("HotkeyToPointerMovedSpaced"), reference}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
