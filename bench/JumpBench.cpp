// Time of one jump on the Qt platform as a hot-key press makes it, beside the
// bare pointer move of a raw xcb warp, on a private two-monitor X server without
// a compositor, so the effect's window is shaped to each frame as it is on such
// a desktop.
#include <xcb/xcb.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "Platform/Desktop/EventPointer.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Qt/QtDesktop.h"
#include "Platform/Qt/QtMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "Platform/X11/X11CompositingDetector.h"
#include "Platform/X11/X11CursorHider.h"
#include "Platform/X11/X11CursorImageSource.h"
#include "Platform/X11/X11PointerWarp.h"
#include "RatioReporter.h"
#include "Tessivar/CursorHidingEpisode.h"
#include "Tessivar/Effects/LocatingEffectPlayer.h"
#include "Tessivar/Effects/QtOverlayPresenter.h"
#include "Tessivar/JumpEngine.h"
#include "tests/support/XorgDummyServer.h"

namespace {

// What a key press tells of the pointer: a fresh press for every jump, on display 1.
struct PressPointer : platform::EventPointer {
    std::uint64_t press = 0;
    std::optional<platform::EventPointerPosition> pointerAtCurrentEvent() const override {
        return platform::EventPointerPosition{300, 200, press};
    }
};

struct Bench {
    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::QtMainQueue queue;
    platform::X11PointerWarp warp;
    PressPointer press;
    platform::QtDesktop desktop{nullptr, &warp, &press};
    platform::X11CursorHider hider;
    // As the program has them: the compositor and the pointer's picture asked of the server.
    platform::X11CompositingDetector compositing;
    platform::X11CursorImageSource cursorImages;
    tessivar::QtOverlayPresenter overlays{&compositing, &cursorImages};
    tessivar::CursorHidingEpisode cursorHiding{{defaults, desktop, hider, queue}};
    tessivar::LocatingEffectPlayer effects{{defaults, desktop, queue, overlays, cursorHiding}};
    tessivar::JumpEngine jumps{{defaults, desktop, cursorHiding, effects}};
};

Bench* bench = nullptr;

// Each side times only its move, by the wall clock, and lets the event loop run
// between moves outside that time: pausing the benchmark's own timer reads the
// process's CPU clock, a system call, inside the window of the side that pauses.
template <typename Move>
void timeMoves(benchmark::State& state, Move move) {
    int i = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        move(i++ % 2);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        // Let finished overlays go away between jumps.
        QCoreApplication::processEvents();
    }
}

// The least a move can be: one warp request written to the server, no reply.
void RawXcbWarp(benchmark::State& state) {
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    timeMoves(state, [&](int index) {
        xcb_warp_pointer(connection, XCB_NONE, root, 0, 0, 0, 0, index == 0 ? 960 : 2880, 540);
        xcb_flush(connection);
    });
    xcb_disconnect(connection);
}

void jumpWithEffect(benchmark::State& state, const char* effect) {
    bench->defaults.set("visualEffectType", effect);
    timeMoves(state, [](int index) {
        ++bench->press.press;
        benchmark::DoNotOptimize(bench->jumps.jumpToScreen(index));
    });
    bench->cursorHiding.restore();
}

void JumpToScreenEffectOff(benchmark::State& state) { jumpWithEffect(state, "off"); }
void JumpToScreenScale(benchmark::State& state) { jumpWithEffect(state, "scale"); }

BENCHMARK(RawXcbWarp)->UseManualTime();
BENCHMARK(JumpToScreenEffectOff)->UseManualTime();
BENCHMARK(JumpToScreenScale)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}})) {
        std::fprintf(stderr, "jump_bench: no test X server: %s\n", error->c_str());
        return 1;
    }
    setenv("DISPLAY", server.displayName().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    // The jump's log lines would time the terminal, not the jump.
    platform::Log::setSink([](const std::string&) {});

    QApplication application(argc, argv);
    Bench instance;
    bench = &instance;
    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter({{"JumpToScreenEffectOff/manual_time", "RawXcbWarp/manual_time"},
                                             {"JumpToScreenScale/manual_time", "RawXcbWarp/manual_time"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // The effects' removal jobs hold their windows: they go before the windows' owners.
    platform::QtMainQueue::releasePendingWork();
    bench = nullptr;
    return 0;
}
