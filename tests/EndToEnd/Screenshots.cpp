#include "tests/EndToEnd/Screenshots.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include "tests/support/WaitUntil.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <map>

namespace tessivar::testing::Screenshots {

namespace {
// One colour from corner to corner: a window mapped before its first paint.
bool blank(const ScreenGrab& grab) {
    return std::all_of(grab.pixels.begin(), grab.pixels.end(),
                       [&](std::uint32_t pixel) { return pixel == grab.pixels[0]; });
}

ScreenGrab stillGrab(const X11ScreenProbe& probe, const WindowFacts& window, const ScreenGrab* before,
                     std::chrono::steady_clock::time_point until) {
    constexpr auto kStill = std::chrono::milliseconds(450);
    const auto grab = [&] { return probe.grab(window.x, window.y, window.width, window.height); };
    const auto left = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    };
    ScreenGrab last = grab();
    if (before != nullptr)
        tessivar::testing::waitUntil([&] { return (last = grab()).pixels != before->pixels; }, left());
    auto lastChange = std::chrono::steady_clock::now();
    tessivar::testing::waitUntil(
        [&] {
            ScreenGrab next = grab();
            if (next.pixels != last.pixels || blank(next)) lastChange = std::chrono::steady_clock::now();
            last = std::move(next);
            return std::chrono::steady_clock::now() - lastChange > kStill;
        },
        left());
    return last;
}
}  // namespace

ScreenGrab settledGrab(const X11ScreenProbe& probe, const WindowFacts& window, const ScreenGrab* before,
                       const std::function<bool(const ScreenGrab&)>& accept) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    ScreenGrab settled = stillGrab(probe, window, before, until);
    while (accept && !accept(settled) && std::chrono::steady_clock::now() < until) {
        const ScreenGrab halted = settled;
        settled = stillGrab(probe, window, &halted, until);
    }
    return settled;
}

namespace {
double linear(int channel) {
    const double value = channel / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double ratio(std::uint32_t a, std::uint32_t b) {
    const double lighter = std::max(luminance(a), luminance(b));
    const double darker = std::min(luminance(a), luminance(b));
    return (lighter + 0.05) / (darker + 0.05);
}

std::vector<std::uint32_t> pixelsOf(const ScreenGrab& window, const TextArea& area) {
    std::vector<std::uint32_t> pixels;
    for (int row = std::max(0, area.y); row < std::min(window.height, area.y + area.height); ++row) {
        for (int column = std::max(0, area.x); column < std::min(window.width, area.x + area.width); ++column) {
            pixels.push_back(window.pixels[static_cast<std::size_t>(row * window.width + column)] & 0xFFFFFFu);
        }
    }
    return pixels;
}
}  // namespace

std::string save(const ScreenGrab& grab, const std::string& name) {
    QDir().mkpath(QStringLiteral(TESSIVAR_SCREENSHOT_DIR));
    QImage image(grab.width, grab.height, QImage::Format_RGB32);
    for (int row = 0; row < grab.height; ++row) {
        for (int column = 0; column < grab.width; ++column) {
            image.setPixel(column, row, 0xff000000u | grab.pixels[static_cast<std::size_t>(row * grab.width + column)]);
        }
    }
    const std::string path = std::string(TESSIVAR_SCREENSHOT_DIR "/") + name;
    return image.save(QString::fromStdString(path)) ? path : std::string();
}

void expectReadable(const ScreenGrab& window, const TextArea& area, const std::string& where) {
    const double measured = contrast(window, area);
    EXPECT_GE(measured, 4.5) << where << ", " << area.name << ": " << measured;
    std::cout << "[contrast] " << where << " " << area.name << " " << measured << "\n";
}

int distance(std::uint32_t a, std::uint32_t b) {
    int sum = 0;
    for (const int shift : {16, 8, 0}) {
        sum += std::abs(static_cast<int>((a >> shift) & 0xff) - static_cast<int>((b >> shift) & 0xff));
    }
    return sum;
}

double luminance(std::uint32_t pixel) {
    return 0.2126 * linear(static_cast<int>((pixel >> 16) & 0xff)) +
           0.7152 * linear(static_cast<int>((pixel >> 8) & 0xff)) + 0.0722 * linear(static_cast<int>(pixel & 0xff));
}

double contrast(const ScreenGrab& window, const TextArea& area) {
    const auto pixels = pixelsOf(window, area);
    if (pixels.empty()) return 0;
    std::map<std::uint32_t, int> counts;
    for (const auto pixel : pixels) ++counts[pixel];
    const auto background = std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) {
                                return a.second < b.second;
                            })->first;
    double best = 1;
    for (const auto& [pixel, count] : counts) best = std::max(best, ratio(pixel, background));
    return best;
}

int pixelsStandingOut(const ScreenGrab& grab, double minimum) {
    if (grab.empty()) return 0;
    const std::uint32_t ground = grab.pixels.front() & 0xFFFFFFu;
    return static_cast<int>(std::count_if(grab.pixels.begin(), grab.pixels.end(), [&](std::uint32_t pixel) {
        return ratio(pixel & 0xFFFFFFu, ground) >= minimum;
    }));
}

}  // namespace tessivar::testing::Screenshots
