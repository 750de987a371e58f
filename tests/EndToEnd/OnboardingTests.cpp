// The first launch of the real program on the test X server: the onboarding
// window greets the user on the display under the pointer, and its steps lead
// to a test jump that really moves the pointer. Pictures of the steps are left
// in the build folder for a person to look at.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/EndToEnd/TwoDisplayDesktop.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11ScreenProbe.h"

using namespace std::chrono_literals;
using tessivar::testing::PointerPosition;
using tessivar::testing::ScreenGrab;
using tessivar::testing::WindowFacts;
using tessivar::testing::waitUntil;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 460;
// Below the header, above the bottom bar: where a page's own buttons are.
constexpr int kPageTop = 80;
constexpr int kBottomBarTop = 380;
// A button of the accent colour is a wide run of it; a line of text is not.
constexpr int kButtonRun = 40;

std::optional<WindowFacts> onboardingWindow(const tessivar::testing::X11WindowTree& tree) {
    for (const auto& window : tree.windows()) {
        if (window.viewable && window.className == "tessivar" && window.topLevel && !window.overrideRedirect &&
            window.width == kWidth && window.height == kHeight) {
            return window;
        }
    }
    return std::nullopt;
}

// The desktop's highlight colour, whatever its exact shade: blue well above red.
bool isAccent(std::uint32_t pixel) {
    const int red = static_cast<int>((pixel >> 16) & 0xff);
    const int blue = static_cast<int>(pixel & 0xff);
    return blue > 150 && blue - red > 80;
}

// The centre, in root coordinates, of the accent-coloured button between two
// rows of the window; none when there is no such button.
std::optional<PointerPosition> accentButton(const ScreenGrab& window, int fromRow, int toRow) {
    int left = window.width, right = -1, top = -1, bottom = -1;
    for (int row = fromRow; row < toRow; ++row) {
        int run = 0;
        for (int column = 0; column < window.width; ++column) {
            run = isAccent(window.pixels[static_cast<std::size_t>(row * window.width + column)]) ? run + 1 : 0;
            if (run < kButtonRun) continue;
            left = std::min(left, column - run + 1);
            right = std::max(right, column);
            top = top < 0 ? row : top;
            bottom = row;
        }
    }
    if (right < 0) return std::nullopt;
    return PointerPosition{window.x + (left + right) / 2, window.y + (top + bottom) / 2};
}

// The window once it has held still for longer than any entrance waits before
// it starts: its page has come in and settled.
ScreenGrab settledGrab(const tessivar::testing::X11ScreenProbe& probe, const WindowFacts& window) {
    constexpr auto kStill = 450ms;
    ScreenGrab last = probe.grab(window.x, window.y, window.width, window.height);
    auto lastChange = std::chrono::steady_clock::now();
    waitUntil(
        [&] {
            ScreenGrab next = probe.grab(window.x, window.y, window.width, window.height);
            if (next.pixels != last.pixels) lastChange = std::chrono::steady_clock::now();
            last = std::move(next);
            return std::chrono::steady_clock::now() - lastChange > kStill;
        },
        5s);
    return last;
}

void saveScreenshot(const ScreenGrab& grab, const char* name) {
    QDir().mkpath(QStringLiteral(TESSIVAR_SCREENSHOT_DIR));
    QImage image(grab.width, grab.height, QImage::Format_RGB32);
    for (int row = 0; row < grab.height; ++row) {
        for (int column = 0; column < grab.width; ++column) {
            image.setPixel(column, row, 0xff000000u | grab.pixels[static_cast<std::size_t>(row * grab.width + column)]);
        }
    }
    const QString path = QStringLiteral(TESSIVAR_SCREENSHOT_DIR "/") + QLatin1String(name);
    EXPECT_TRUE(image.save(path)) << path.toStdString();
}

nlohmann::json settings(const tessivar::testing::TessivarProcess& tessivar) {
    std::ifstream file(tessivar.settingsFolder() / "defaults.json");
    std::stringstream text;
    text << file.rdbuf();
    return nlohmann::json::parse(text.str(), nullptr, false);
}

struct FirstLaunch : tessivar::testing::TwoDisplayDesktop {
    void SetUp() override {
        TwoDisplayDesktop::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        probe.emplace(server.displayName());
    }

    bool click(PointerPosition at) const {
        return session->xdotool("mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) + " click 1")
            .succeeded();
    }

    std::optional<tessivar::testing::X11ScreenProbe> probe;
};

// The pointer rests on the second display when the program starts with a
// fresh home; the test jump from there goes on to the next display, the first.
TEST_F(FirstLaunch, TheOnboardingOpensOnThePointersDisplayAndItsTestJumpMovesThePointerOn) {
    ASSERT_TRUE(observer->warpPointer({2500, 300}));
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName(),
                                                [](const std::filesystem::path&) {});
    std::optional<WindowFacts> window;
    ASSERT_TRUE(waitUntil([&] { return (window = onboardingWindow(*tree)).has_value(); }, 15s))
        << "no onboarding window";
    EXPECT_EQ(window->x, 1920 + (1920 - kWidth) / 2);
    EXPECT_EQ(window->y, (1080 - kHeight) / 2);

    for (const char* step : {"onboarding-step0.png", "onboarding-step1.png"}) {
        const ScreenGrab page = settledGrab(*probe, *window);
        saveScreenshot(page, step);
        const auto next = accentButton(page, kBottomBarTop, kHeight);
        ASSERT_TRUE(next.has_value()) << "no primary button on " << step;
        ASSERT_TRUE(click(*next));
    }
    ScreenGrab testPage = settledGrab(*probe, *window);
    saveScreenshot(testPage, "onboarding-step2.png");
    const auto testButton = accentButton(testPage, kPageTop, kBottomBarTop);
    ASSERT_TRUE(testButton.has_value()) << "no test button on the last step";

    ASSERT_TRUE(click(*testButton));
    EXPECT_TRUE(waitUntil([&] { return observer->pointer() == PointerPosition{960, 540}; }, 5s))
        << "the test jump did not reach display 1";
    const ScreenGrab tested = settledGrab(*probe, *window);
    saveScreenshot(tested, "onboarding-step2-after-test.png");
    EXPECT_EQ(onboardingWindow(*tree)->x, window->x) << "the window stays where it was";
    EXPECT_FALSE(settings(tessivar).contains("hasCompletedOnboarding")) << "not done before it is finished";

    const auto finish = accentButton(tested, kBottomBarTop, kHeight);
    ASSERT_TRUE(finish.has_value());
    ASSERT_TRUE(click(*finish));
    EXPECT_TRUE(waitUntil([&] { return !onboardingWindow(*tree).has_value(); }, 5s)) << "finishing left it open";
    EXPECT_EQ(settings(tessivar).value("hasCompletedOnboarding", false), true);
    EXPECT_EQ(tessivar.terminate(), 0);
}

}  // namespace
