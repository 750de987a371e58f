// Where the onboarding window opens, and its light or dark look.
#include <gtest/gtest.h>

#include "Tessivar/Onboarding/OnboardingAppearance.h"
#include "Tessivar/Onboarding/Private/OnboardingPlacement.h"

namespace tessivar {
namespace {

using platform::Point;
using platform::Rect;
using Display = OnboardingPlacement::Display;

constexpr platform::Size kWindow{640, 460};

// Global coordinates, y up. The primary is 1920 x 1080 with a 30-point panel
// along its top; a 1280 x 1024 display sits to its right, its top 100 lower; a
// 1920 x 1080 display sits on top of the primary; a small 600 x 400 panel
// hangs below the primary's left end.
const std::vector<Display> kDisplays{
    {{{0, 0}, {1920, 1080}}, {{0, 0}, {1920, 1050}}},
    {{{1920, -44}, {1280, 1024}}, {{1920, -44}, {1280, 1024}}},
    {{{0, 1080}, {1920, 1080}}, {{0, 1080}, {1920, 1080}}},
    {{{0, -400}, {600, 400}}, {{0, -400}, {600, 400}}},
};

TEST(OnboardingPlacement, CentresOnTheVisibleAreaOfTheDisplayUnderThePointer) {
    struct Case {
        const char* what;
        Point mouse;
        std::optional<std::size_t> main;
        Point origin;
        platform::Size size = kWindow;
    };
    const Case cases[] = {
        {"on the primary, its panel left out", {100, 100}, 0, {640, 295}},
        {"on the display to the right, not the main one", {2000, 500}, 0, {2240, 238}},
        {"the top edge of the primary belongs to it, not to the display above", {500, 1080}, 2, {640, 295}},
        {"just above it, the display on top", {500, 1080.5}, 0, {640, 1390}},
        {"the right edge belongs to the neighbour", {1920, 500}, 0, {2240, 238}},
        {"on no display: the main one", {3500, 3000}, 2, {640, 1390}},
        {"on no display and no main one: the first", {-10, -10}, std::nullopt, {640, 295}},
        {"a visible area smaller than the window: the window cut to it", {10, -10}, 0, {0, -400}, {600, 400}},
    };
    for (const auto& c : cases) {
        const auto frame = OnboardingPlacement::frame(kDisplays, c.main, c.mouse, kWindow);
        ASSERT_TRUE(frame.has_value()) << c.what;
        EXPECT_EQ(frame->origin, c.origin) << c.what;
        EXPECT_EQ(frame->size, c.size) << c.what;
    }
    const Display narrow{{{0, 0}, {512, 768}}, {{0, 0}, {512, 740}}};
    EXPECT_EQ(OnboardingPlacement::frame({narrow}, 0, {10, 10}, kWindow), (Rect{{0, 140}, {512, 460}}))
        << "narrower only: as wide as the area, centred in its height";
    EXPECT_EQ(OnboardingPlacement::frame({}, 0, {0, 0}, kWindow), std::nullopt) << "no displays: not moved";
}

TEST(OnboardingAppearance, DarkOnlyForTheExactStyleOrADarkDesktopWhereNoneIsStored) {
    struct Case {
        std::optional<std::string> style;
        bool desktopDark;
        bool dark;
    };
    const Case cases[] = {
        {"Dark", false, true}, {"Dark", true, true},       {"dark", true, false},        {"Light", true, false},
        {"", true, false},     {std::nullopt, true, true}, {std::nullopt, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OnboardingAppearance::isDark(c.style, c.desktopDark), c.dark)
            << (c.style ? *c.style : "(none)") << " on a " << (c.desktopDark ? "dark" : "light") << " desktop";
    }
}

TEST(OnboardingAppearance, APaletteIsDarkWhenItsWindowsAreDarkerThanTheirText) {
    QPalette light;
    light.setColor(QPalette::Window, QColor(0xef, 0xef, 0xef));
    light.setColor(QPalette::WindowText, Qt::black);
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::WindowText, QColor(0xee, 0xee, 0xee));
    EXPECT_FALSE(OnboardingAppearance::isDarkPalette(light));
    EXPECT_TRUE(OnboardingAppearance::isDarkPalette(dark));
    EXPECT_LT(OnboardingAppearance::make(true, Qt::blue).windowBackground.lightness(),
              OnboardingAppearance::make(true, Qt::blue).primary.lightness());
    EXPECT_GT(OnboardingAppearance::make(false, Qt::blue).windowBackground.lightness(),
              OnboardingAppearance::make(false, Qt::blue).primary.lightness());
}

}  // namespace
}  // namespace tessivar
