// The first launch of the real program on the test X server: the onboarding
// window greets the user on the display under the pointer, and its steps lead
// to a test jump that really moves the pointer. Pictures of the steps are left
// in the build folder for a person to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/Testing/TemporaryDirectory.h"
#include "tests/EndToEnd/Screenshots.h"
#include "tests/EndToEnd/TwoDisplayDesktop.h"
#include "tests/support/OpenboxSession.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11ScreenProbe.h"
#include "tests/support/XTestPointer.h"

using namespace std::chrono_literals;
using tessivar::testing::PointerPosition;
using tessivar::testing::ScreenGrab;
using tessivar::testing::waitUntil;
using tessivar::testing::WindowFacts;
using tessivar::testing::Screenshots::distance;
using tessivar::testing::Screenshots::settledGrab;
using tessivar::testing::Screenshots::TextArea;

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 460;
// Below the header, above the bottom bar: where a page's own buttons are.
constexpr int kPageTop = 80;
constexpr int kBottomBarTop = 380;
// A button of the accent colour is a wide run of it; a line of text is not.
constexpr int kButtonRun = 40;
// The rows of the last step's hint, below its buttons.
constexpr int kHintTop = 330;
constexpr int kHintBottom = 350;
// The label of the launch switch on the second step (the switch follows it), in window coordinates.
constexpr TextArea kSwitchLabel{"switch 登录时启动", 266, 300, 66, 17};

std::optional<WindowFacts> onboardingWindow(const tessivar::testing::X11WindowTree& tree) {
    for (const auto& window : tree.windows()) {
        if (window.viewable && window.className == "tessivar" && !window.overrideRedirect && window.width == kWidth &&
            window.height == kHeight) {
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

// Whether a picture shows a primary button between the rows: a step that has
// come in whole, not one halted half way through its cross-fade.
std::function<bool(const ScreenGrab&)> hasButtonIn(int fromRow, int toRow) {
    return [=](const ScreenGrab& grab) { return accentButton(grab, fromRow, toRow).has_value(); };
}

void saveScreenshot(const ScreenGrab& grab, const char* name) {
    EXPECT_FALSE(tessivar::testing::Screenshots::save(grab, name).empty()) << name;
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

    std::optional<ScreenGrab> page;
    for (const char* step : {"onboarding-step0.png", "onboarding-step1.png"}) {
        page = settledGrab(*probe, *window, page ? &*page : nullptr, hasButtonIn(kBottomBarTop, kHeight));
        saveScreenshot(*page, step);
        const auto next = accentButton(*page, kBottomBarTop, kHeight);
        ASSERT_TRUE(next.has_value()) << "no primary button on " << step;
        ASSERT_TRUE(click(*next));
    }
    ScreenGrab testPage = settledGrab(*probe, *window, &*page, hasButtonIn(kPageTop, kBottomBarTop));
    saveScreenshot(testPage, "onboarding-step2.png");
    const auto testButton = accentButton(testPage, kPageTop, kBottomBarTop);
    ASSERT_TRUE(testButton.has_value()) << "no test button on the last step";

    ASSERT_TRUE(click(*testButton));
    EXPECT_TRUE(waitUntil(
        [&] {
            return observer->pointer() == PointerPosition{960, 540};
        },
        5s))
        << "the test jump did not reach display 1";
    const ScreenGrab tested = settledGrab(*probe, *window, &testPage, hasButtonIn(kBottomBarTop, kHeight));
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

// The onboarding under a window manager, clicked through with presses held as
// people hold them.
struct ManagedFirstLaunch : FirstLaunch {
    void SetUp() override {
        FirstLaunch::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        manager.emplace(server.displayName());
        ASSERT_EQ(manager->start(), std::nullopt) << "openbox (scripts/install-deps.sh)";
        pointer.emplace(server.displayName());
        ASSERT_TRUE(pointer->isReady());
    }

    void press(PointerPosition at) { pointer->click(at.x, at.y, 60ms); }

    // The steps as they settle, clicked on with the primary button, and the
    // last one once its test has jumped; none when a step has no way on.
    std::vector<ScreenGrab> walkThrough(const WindowFacts& window) {
        std::vector<ScreenGrab> steps;
        const auto nextGrab = [&](const std::function<bool(const ScreenGrab&)>& accept) {
            return settledGrab(*probe, window, steps.empty() ? nullptr : &steps.back(), accept);
        };
        for (int step = 0; step < 2; ++step) {
            steps.push_back(nextGrab(hasButtonIn(kBottomBarTop, kHeight)));
            const auto next = accentButton(steps.back(), kBottomBarTop, kHeight);
            if (!next) return {};
            press(*next);
        }
        steps.push_back(nextGrab(hasButtonIn(kPageTop, kBottomBarTop)));
        const auto test = accentButton(steps.back(), kPageTop, kBottomBarTop);
        if (!test) return {};
        press(*test);
        steps.push_back(nextGrab({}));
        return steps;
    }

    // The window as fast as it can be read, for the while an animation lasts.
    // Pictures of the window from now until it has changed and then held
    // still for a while, however long a busy machine takes to start and end
    // the change (a fixed 600 ms once missed all of it); a picture the same
    // as the one before is not kept.
    std::vector<ScreenGrab> pictures(const WindowFacts& window) const {
        using Clock = std::chrono::steady_clock;
        std::vector<ScreenGrab> frames{probe->grab(window.x, window.y, window.width, window.height)};
        bool changed = false;
        auto stillSince = Clock::now();
        for (const auto until = Clock::now() + 20s; Clock::now() < until;) {
            auto grab = probe->grab(window.x, window.y, window.width, window.height);
            if (grab.pixels != frames.back().pixels) {
                changed = true;
                stillSince = Clock::now();
                frames.push_back(std::move(grab));
            } else if (changed && Clock::now() - stillSince >= 500ms) {
                break;
            }
        }
        return frames;
    }

    void watchSwitchFade(std::size_t& fading, std::size_t& pictured);

    // The onboarding's first step once it has settled, and its button on.
    struct Welcome {
        WindowFacts window;
        ScreenGrab picture;
        PointerPosition next;
    };
    std::optional<Welcome> welcomeStep() const {
        std::optional<WindowFacts> window;
        if (!waitUntil([&] { return (window = onboardingWindow(*tree)).has_value(); }, 15s)) return std::nullopt;
        ScreenGrab picture = settledGrab(*probe, *window, nullptr, hasButtonIn(kBottomBarTop, kHeight));
        const auto next = accentButton(picture, kBottomBarTop, kHeight);
        if (!next) return std::nullopt;
        return Welcome{*window, std::move(picture), *next};
    }

    std::optional<tessivar::testing::OpenboxSession> manager;
    std::optional<tessivar::testing::XTestPointer> pointer;
};

// Every text of the steps as the screen shows it, in window coordinates
// measured on the steps' pictures: the step (3: the last one after its test)
// and the area of the text on its own background.
struct StepText {
    int step;
    TextArea area;
};

constexpr StepText kStepTexts[] = {
    {0, {"header 欢迎使用 Tessivar", 28, 33, 135, 18}},
    {0, {"title 欢迎使用 Tessivar", 228, 176, 185, 24}},
    {0, {"subtitle 专为多屏", 188, 207, 265, 16}},
    {0, {"feature 瞬间跳转", 182, 244, 60, 16}},
    {0, {"feature text 使用全局快捷键", 182, 264, 300, 15}},
    {0, {"feature 零权限安全设计", 182, 294, 110, 16}},
    {0, {"feature text 无需任何", 182, 314, 245, 15}},
    {0, {"feature 清晰视网膜动效", 182, 343, 95, 16}},
    {0, {"feature text 提供极致", 182, 362, 310, 15}},
    {0, {"button 跳过", 42, 413, 32, 17}},
    {0, {"button 下一步", 534, 413, 42, 17}},
    {1, {"title 登录时自动启动", 250, 202, 140, 22}},
    {1, {"text 开机后即可", 176, 233, 285, 16}},
    {1, kSwitchLabel},
    {1, {"button 上一步", 62, 413, 40, 17}},
    {1, {"button 跳过", 548, 413, 30, 17}},
    {2, {"key cap ⌥", 260, 108, 20, 18}},
    {2, {"key cap option", 259, 128, 30, 11}},
    {2, {"plus", 318, 113, 12, 16}},
    {2, {"key cap 1", 346, 108, 12, 18}},
    {2, {"key cap 数字键", 346, 128, 30, 11}},
    {2, {"title 录制并测试快捷键", 240, 162, 162, 22}},
    {2, {"text 默认情况下", 148, 193, 365, 16}},
    {2, {"text 您随时可以", 170, 212, 300, 16}},
    {2, {"caption 跳转测试与快捷键配置", 260, 258, 120, 16}},
    {2, {"button 立即测试跳转", 215, 295, 75, 16}},
    {2, {"button 打开快捷键设置", 355, 295, 85, 16}},
    {2, {"hint 点击左侧", 200, 333, 255, 14}},
    {2, {"button 上一步", 62, 413, 40, 17}},
    {2, {"button 立即开启", 538, 413, 55, 17}},
    {3, {"success 光标已瞬间跳转", 208, 333, 225, 14}},
};

// Text must stand out from its background by at least 4.5 : 1 (WCAG AA) in
// the light look and in the dark one that "AppleInterfaceStyle" asks for.
TEST_F(ManagedFirstLaunch, EveryTextOfTheStepsReadsInBothLooks) {
    for (const char* look : {"light", "dark"}) {
        SCOPED_TRACE(look);
        const std::string defaults = std::string(look) == "dark"
                                         ? R"({"hasCompletedOnboarding": false, "AppleInterfaceStyle": "Dark"})"
                                         : R"({"hasCompletedOnboarding": false})";
        tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName(), defaults);
        std::optional<WindowFacts> window;
        ASSERT_TRUE(waitUntil([&] { return (window = onboardingWindow(*tree)).has_value(); }, 15s)) << "no onboarding";
        const auto steps = walkThrough(*window);
        ASSERT_EQ(steps.size(), 4u) << "the steps could not be walked through";
        for (std::size_t step = 0; step < steps.size(); ++step) {
            saveScreenshot(steps[step],
                           ("onboarding-" + std::string(look) + "-step" + std::to_string(step) + ".png").c_str());
        }
        for (const auto& text : kStepTexts) {
            tessivar::testing::Screenshots::expectReadable(steps[static_cast<std::size_t>(text.step)], text.area,
                                                           std::string(look) + " step " + std::to_string(text.step));
        }
        EXPECT_EQ(tessivar.terminate(), 0);
    }
}

// The fonts of the test machine without the colour emoji face: a desktop
// where no font has the light bulb. Set for the programs started meanwhile.
class FontsWithoutEmoji {
public:
    FontsWithoutEmoji() {
        std::ofstream(folder_.path() / "fonts.conf") << R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <selectfont><rejectfont><glob>*Emoji*</glob></rejectfont></selectfont>
</fontconfig>
)";
        setenv("FONTCONFIG_FILE", (folder_.path() / "fonts.conf").c_str(), 1);
    }
    ~FontsWithoutEmoji() { unsetenv("FONTCONFIG_FILE"); }
    FontsWithoutEmoji(const FontsWithoutEmoji&) = delete;
    FontsWithoutEmoji& operator=(const FontsWithoutEmoji&) = delete;

private:
    platform::TemporaryDirectory folder_;
};

// A lit bulb's yellow, which neither the secondary text colour nor an empty
// box has.
bool isBulbYellow(std::uint32_t pixel) {
    const int red = static_cast<int>((pixel >> 16) & 0xff);
    const int green = static_cast<int>((pixel >> 8) & 0xff);
    const int blue = static_cast<int>(pixel & 0xff);
    return red > 200 && green > 140 && blue < 110;
}

// The hint under the buttons of the last step starts with a light bulb: the
// emoji where a font has it, a drawn one where none has, never an empty box.
TEST_F(ManagedFirstLaunch, TheLastStepsHintStartsWithALightBulbWithOrWithoutAnEmojiFont) {
    for (const bool emojiFont : {true, false}) {
        SCOPED_TRACE(emojiFont ? "with the emoji font" : "without an emoji font");
        std::optional<FontsWithoutEmoji> fonts;
        if (!emojiFont) fonts.emplace();
        tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName(),
                                                    R"({"hasCompletedOnboarding": false})");
        std::optional<WindowFacts> window;
        ASSERT_TRUE(waitUntil([&] { return (window = onboardingWindow(*tree)).has_value(); }, 15s)) << "no onboarding";
        const auto steps = walkThrough(*window);
        ASSERT_EQ(steps.size(), 4u) << "the steps could not be walked through";
        const ScreenGrab& last = steps[2];
        saveScreenshot(last, emojiFont ? "onboarding-hint-emoji-font.png" : "onboarding-hint-no-emoji-font.png");
        int yellow = 0;
        for (int row = kHintTop; row < kHintBottom; ++row) {
            for (int column = 0; column < last.width; ++column) {
                yellow += isBulbYellow(last.pixels[static_cast<std::size_t>(row * last.width + column)]) ? 1 : 0;
            }
        }
        EXPECT_GE(yellow, 20) << "no light bulb before the hint";
        EXPECT_EQ(tessivar.terminate(), 0);
    }
}

// The pixels of the page area where `before` shows something strongly and
// `after` shows a row of plain background: no block of `after` ever draws
// there, whatever its entrance does.
std::vector<std::size_t> onlyBefore(const ScreenGrab& before, const ScreenGrab& after) {
    std::vector<std::size_t> pixels;
    for (int row = kPageTop; row < kBottomBarTop; ++row) {
        const std::size_t start = static_cast<std::size_t>(row * after.width);
        const auto plain = std::all_of(after.pixels.begin() + static_cast<long>(start),
                                       after.pixels.begin() + static_cast<long>(start) + after.width,
                                       [&](std::uint32_t pixel) { return pixel == after.pixels[start]; });
        if (!plain) continue;
        for (int column = 0; column < after.width; ++column) {
            if (distance(before.pixels[start + column], after.pixels[start]) > 150) pixels.push_back(start + column);
        }
    }
    return pixels;
}

// A click that replaces what the window shows: how many of the pictures
// grabbed meanwhile show what went halfway faded out, where nothing comes in
// its place; `pixels` tells how many such places there were.
struct FadeOut {
    std::size_t halfway = 0;
    std::size_t pictures = 0;
    std::size_t pixels = 0;
};

FadeOut watchFadeOut(ManagedFirstLaunch& desktop, const WindowFacts& window, const ScreenGrab& before,
                     PointerPosition click) {
    desktop.press(click);
    const auto frames = desktop.pictures(window);
    const ScreenGrab after = settledGrab(*desktop.probe, window);
    const auto pixels = onlyBefore(before, after);
    FadeOut seen{0, frames.size(), pixels.size()};
    for (const auto& frame : frames) {
        std::size_t fading = 0;
        for (const auto at : pixels) {
            const double left = static_cast<double>(distance(frame.pixels[at], after.pixels[at])) /
                                distance(before.pixels[at], after.pixels[at]);
            fading += left > 0.15 && left < 0.85 ? 1 : 0;
        }
        if (!pixels.empty() && fading * 4 >= pixels.size()) ++seen.halfway;
    }
    return seen;
}

// A fade lasts a few tenths of a second, and a program or watcher starved for
// that long shows or sees none of it (a toolkit's animation keeps time by the
// clock): a fade is looked for in up to three launches, and a program without
// one fails all three.
constexpr int kFadeLaunches = 3;

// A step change is a cross-fade: after the click the page that goes is seen
// on its way out, halfway faded, where the next page has nothing.
TEST_F(ManagedFirstLaunch, TheStepThatGoesFadesOut) {
    FadeOut step;
    for (int launch = 0; launch < kFadeLaunches && step.halfway == 0; ++launch) {
        tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName(),
                                                    R"({"hasCompletedOnboarding": false})");
        const auto welcome = welcomeStep();
        ASSERT_TRUE(welcome.has_value()) << "no onboarding with its button";
        step = watchFadeOut(*this, welcome->window, welcome->picture, welcome->next);
        ASSERT_GE(step.pixels, 50u) << "the two steps overlap everywhere";
        EXPECT_EQ(tessivar.terminate(), 0);
    }
    EXPECT_GE(step.halfway, 1u) << "of " << step.pictures
                                << " pictures after the click, none showed the welcome fading";
}

// The mean luminance of a band of the screen.
double meanLuminance(const ScreenGrab& band) {
    double sum = 0;
    for (const auto pixel : band.pixels) sum += tessivar::testing::Screenshots::luminance(pixel);
    return band.pixels.empty() ? 0 : sum / static_cast<double>(band.pixels.size());
}

// Under a compositor that draws shadows (xcompmgr -c) the onboarding floats:
// just below its bottom edge the gray desktop is darker than further down.
TEST_F(ManagedFirstLaunch, UnderACompositorTheOnboardingCastsAShadow) {
    ASSERT_EQ(session->start({"xsetroot", "-solid", "#a0a0a0"})->waitFor(5s), 0) << "xsetroot (x11-xserver-utils)";
    auto compositor = session->start({"xcompmgr", "-c"});
    ASSERT_TRUE(compositor->started()) << compositor->failure();
    ASSERT_TRUE(waitUntil([&] { return probe->hasCompositingManager(); }, 5s));
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName(),
                                                R"({"hasCompletedOnboarding": false})");
    std::optional<WindowFacts> window;
    ASSERT_TRUE(waitUntil([&] { return (window = onboardingWindow(*tree)).has_value(); }, 15s)) << "no onboarding";
    settledGrab(*probe, *window);
    saveScreenshot(probe->grab(window->x - 40, window->y - 40, window->width + 80, window->height + 80),
                   "onboarding-compositor.png");
    const int left = window->x + window->width / 4;
    const double near = meanLuminance(probe->grab(left, window->y + window->height + 2, window->width / 2, 4));
    const double far = meanLuminance(probe->grab(left, window->y + window->height + 60, window->width / 2, 4));
    EXPECT_LT(near, far * 0.9) << "no shadow below the window: " << near << " against " << far;
    EXPECT_EQ(tessivar.terminate(), 0);
}

// Turned on, the launch switch gives way to the badge: the card grows and
// moves up, and the switch fades out where the card has taken it while the
// badge comes in. A picture counts when, at some such move, most of the
// label's strokes show halfway between themselves and the plain card.
TEST_F(ManagedFirstLaunch, TheLaunchSwitchFadesOutForTheBadge) {
    std::size_t fading = 0;
    std::size_t pictured = 0;
    for (int launch = 0; launch < kFadeLaunches && fading == 0; ++launch) {
        watchSwitchFade(fading, pictured);
        if (HasFatalFailure()) return;
    }
    EXPECT_GE(fading, 1u) << "of " << pictured << " pictures after the click, none showed the switch fading";
}

// One launch's look at the switch: how many of how many pictures showed it fading.
void ManagedFirstLaunch::watchSwitchFade(std::size_t& fading, std::size_t& pictured) {
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName(),
                                                R"({"hasCompletedOnboarding": false})");
    const auto welcome = welcomeStep();
    ASSERT_TRUE(welcome.has_value()) << "no onboarding with its button";
    const WindowFacts* window = &welcome->window;
    press(welcome->next);
    const ScreenGrab before = settledGrab(*probe, *window, &welcome->picture, hasButtonIn(kBottomBarTop, kHeight));
    const auto at = [](const ScreenGrab& grab, int x, int y) {
        return grab.pixels[static_cast<std::size_t>(y * grab.width + x)];
    };
    std::vector<PointerPosition> strokes;
    for (int y = kSwitchLabel.y; y < kSwitchLabel.y + kSwitchLabel.height; ++y) {
        for (int x = kSwitchLabel.x; x < kSwitchLabel.x + kSwitchLabel.width; ++x) {
            if (distance(at(before, x, y), at(before, kSwitchLabel.x - 8, y)) > 300) strokes.push_back({x, y});
        }
    }
    ASSERT_GE(strokes.size(), 40u) << "no switch label on the second step";

    press({window->x + kSwitchLabel.x + kSwitchLabel.width / 2, window->y + kSwitchLabel.y + kSwitchLabel.height / 2});
    const auto frames = pictures(*window);
    const ScreenGrab after = settledGrab(*probe, *window);
    const std::uint32_t card = at(after, kSwitchLabel.x - 8, kSwitchLabel.y);
    for (const auto& frame : frames) {
        bool seen = false;
        for (int move = -40; move <= 0 && !seen; ++move) {
            std::size_t counted = 0, halfway = 0;
            for (const auto stroke : strokes) {
                if (at(after, stroke.x, stroke.y + move) != card) continue;
                ++counted;
                const double left = static_cast<double>(distance(at(frame, stroke.x, stroke.y + move), card)) /
                                    distance(at(before, stroke.x, stroke.y), card);
                halfway += left > 0.15 && left < 0.85 ? 1 : 0;
            }
            seen = counted >= 30 && halfway * 2 >= counted;
        }
        fading += seen ? 1 : 0;
    }
    pictured = frames.size();
    EXPECT_EQ(tessivar.terminate(), 0);
}

}  // namespace
