// Time of one jump on the Qt platform, beside the bare pointer move it makes,
// on a private two-monitor X server (xcb) without a compositor, so the
// effect's window is shaped to each frame as it is on such a desktop.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Qt/QtDesktop.h"
#include "Platform/Qt/QtMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "Platform/X11/X11CompositingDetector.h"
#include "Platform/X11/X11CursorHider.h"
#include "Platform/X11/X11CursorImageSource.h"
#include "RatioReporter.h"
#include "Tessivar/CursorHidingEpisode.h"
#include "Tessivar/JumpEngine.h"
#include "Tessivar/LocatingEffectPlayer.h"
#include "Tessivar/QtOverlayPresenter.h"
#include "tests/support/XorgDummyServer.h"

namespace {

struct Bench {
    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::QtMainQueue queue;
    platform::QtDesktop desktop;
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

void BareCursorMove(benchmark::State& state) {
    const auto screens = bench->desktop.screens();
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& screen = screens[i++ % screens.size()];
        benchmark::DoNotOptimize(bench->desktop.moveCursor(*screen.displayID, {960, 540}));
    }
}

void jumpWithEffect(benchmark::State& state, const char* effect) {
    bench->defaults.set("visualEffectType", effect);
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench->jumps.jumpToScreen(i++ % 2));
        // Let finished overlays go away between jumps, outside the measurement.
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    bench->cursorHiding.restore();
}

void JumpToScreenEffectOff(benchmark::State& state) { jumpWithEffect(state, "off"); }
void JumpToScreenScale(benchmark::State& state) { jumpWithEffect(state, "scale"); }

BENCHMARK(BareCursorMove);
BENCHMARK(JumpToScreenEffectOff);
BENCHMARK(JumpToScreenScale);

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
    tessivar::bench::RatioReporter reporter({{"JumpToScreenEffectOff", "BareCursorMove"},
                                             {"JumpToScreenScale", "BareCursorMove"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // The effects' removal jobs hold their windows: they go before the windows' owners.
    platform::QtMainQueue::releasePendingWork();
    bench = nullptr;
    return 0;
}
