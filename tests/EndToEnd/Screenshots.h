#pragma once
#include <functional>
#include <string>
#include <vector>

#include "tests/support/ScreenGrab.h"
#include "tests/support/X11ScreenProbe.h"
#include "tests/support/X11WindowTree.h"

namespace tessivar::testing {

// Pictures of the real program's windows, left in the build folder for a
// person to look at, and what a reader sees in them.
namespace Screenshots {

// The window once it has held still for longer than any entrance waits
// before it starts (its page has come in and settled), however long a busy
// machine takes to get there, up to 20 s; a window not yet painted (one
// colour) is not still. Given the picture from before a click or a key, it
// first waits for the window to change from it: a busy program can leave the
// old picture standing as long as it takes to answer. Given `accept`, a still
// picture it refuses is waited past: a starved program can halt a cross-fade
// half way for longer than the settle time.
ScreenGrab settledGrab(const X11ScreenProbe& probe, const WindowFacts& window, const ScreenGrab* before = nullptr,
                       const std::function<bool(const ScreenGrab&)>& accept = {});

// Saves the grab as a PNG under the build's screenshot folder; answers the path.
std::string save(const ScreenGrab& grab, const std::string& name);

// A text of a window and what it reads on: a rectangle in window
// coordinates that holds the text and its own background, nothing else.
struct TextArea {
    const char* name;
    int x;
    int y;
    int width;
    int height;
};

// WCAG contrast between a text and its background as they are on screen: the
// background is the area's most common colour, the text its pixel that stands
// out most from it (the core of a stroke, which antialiasing leaves whole).
double contrast(const ScreenGrab& window, const TextArea& area);

// How many of the grab's pixels stand out by at least `minimum` : 1 (WCAG)
// from the colour at its top-left corner: the panel, for a picture of an icon
// that leaves its corners free.
int pixelsStandingOut(const ScreenGrab& grab, double minimum);

// Fails the running test unless the area's text reaches 4.5 : 1 (WCAG AA);
// the measured figure is printed either way, "where" saying which window.
void expectReadable(const ScreenGrab& window, const TextArea& area, const std::string& where);

// How far two 0xRRGGBB pixels are apart, over the three channels (0 to 765).
int distance(std::uint32_t a, std::uint32_t b);

// The WCAG relative luminance of a 0xRRGGBB pixel.
double luminance(std::uint32_t pixel);

}  // namespace Screenshots
}  // namespace tessivar::testing
