// The display jump operations of TessivarApp.
#include <algorithm>

#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Desktop/Desktop.h"
#include "Platform/Foundation/NumberFormat.h"
#include "Tessivar/AnalyticsTracker.h"
#include "Tessivar/TessivarApp.h"

namespace tessivar {

using platform::CoordinateSpace::globalToLocal;
using platform::CoordinateSpace::localToGlobal;
using platform::formatDouble;

namespace {
std::string pointText(platform::Point p) { return "(" + formatDouble(p.x) + ", " + formatDouble(p.y) + ")"; }

platform::Point centreOf(const platform::Rect& bounds) { return {bounds.size.width * 0.5, bounds.size.height * 0.5}; }

// A display that shrank since a point was remembered on it must not send the
// pointer on to its neighbour: the point is pulled onto its last pixel.
platform::Point clampedInto(platform::Point local, const platform::Rect& bounds) {
    const auto clamp = [](double value, double extent) { return std::clamp(value, 0.0, std::max(0.0, extent - 1)); };
    return {clamp(local.x, bounds.size.width), clamp(local.y, bounds.size.height)};
}
}  // namespace

std::optional<std::size_t> screenIndexContaining(const std::vector<platform::Screen>& screens, platform::Point point) {
    for (std::size_t i = 0; i < screens.size(); ++i) {
        if (platform::CoordinateSpace::contains(screens[i].frame, point)) return i;
    }
    return std::nullopt;
}

void TessivarApp::recordCurrentPosition() { recordCurrentPosition(env_.desktop.screens()); }

void TessivarApp::recordCurrentPosition(const std::vector<platform::Screen>& screens) {
    if (!rememberLastPosition()) return;
    const auto mouse = env_.desktop.mouseLocation();
    const auto index = screenIndexContaining(screens, mouse);
    if (!index) return;
    const auto& screen = screens[*index];
    if (!screen.displayID) return;
    const auto local = globalToLocal(mouse, screen.frame);
    lastCoordinates_[*screen.displayID] = local;
    log("💾 记录屏幕 " + screen.localizedName + " 的光标历史位置: " + pointText(local));
}

platform::Point TessivarApp::landingPoint(const platform::Screen& screen, platform::DisplayID display) {
    const auto bounds = env_.desktop.displayBounds(display);
    const auto remembered = lastCoordinates_.find(display);
    if (rememberLastPosition() && remembered != lastCoordinates_.end()) {
        const auto point = clampedInto(remembered->second, bounds);
        log("↩️ 恢复屏幕 " + screen.localizedName + " 的历史光标位置: " + pointText(point));
        return point;
    }
    return centreOf(bounds);
}

bool TessivarApp::jumpToScreen(int index) {
    // One read of the displays serves the whole jump, so an unplugged display
    // can never be indexed past the end of a list that shrank meanwhile.
    const auto screens = env_.desktop.screens();
    const auto count = static_cast<int>(screens.size());
    if (index < 0 || index >= count) {
        log("⚠️ 屏幕索引 " + std::to_string(index) + " 超出范围 [0, " + std::to_string(count - 1) + "]");
        return false;
    }
    recordCurrentPosition(screens);
    const auto& target = screens[static_cast<std::size_t>(index)];
    if (!target.displayID) {
        log("✗ 无法获取屏幕 " + std::to_string(index) + " 的 DisplayID");
        return false;
    }
    const auto point = landingPoint(target, *target.displayID);
    log("🎯 瞬间移动到屏幕 " + std::to_string(index) + ": " + target.localizedName);
    log("   本地坐标: " + pointText(point));
    if (env_.desktop.moveCursor(*target.displayID, point) != platform::kCursorMoveSuccess) {
        restoreHardwareCursor();
        return false;
    }
    log("✨ 移动成功！");
    if (isLocatingEffectEnabled()) showLocatingEffect(index, localToGlobal(point, target.frame));
    return true;
}

bool TessivarApp::jumpToNextScreen() {
    const auto screens = env_.desktop.screens();
    if (screens.size() < 2) {
        log("🖥️ 只有一个显示器，自适应将鼠标瞬间移动到当前屏幕几何中心");
        if (screens.empty() || !screens[0].displayID) return false;
        const auto display = *screens[0].displayID;
        if (env_.desktop.moveCursor(display, centreOf(env_.desktop.displayBounds(display))) !=
            platform::kCursorMoveSuccess) {
            restoreHardwareCursor();
            return false;
        }
        const auto& frame = screens[0].frame;
        if (isLocatingEffectEnabled()) showLocatingEffect(0, {frame.midX(), frame.midY()});
        return true;
    }

    recordCurrentPosition(screens);
    const auto current = screenIndexContaining(screens, env_.desktop.mouseLocation());
    if (!current) {
        log("✗ 无法确定当前鼠标所在屏幕");
        return false;
    }
    log("🖥️  当前屏幕: " + screens[*current].localizedName + " [索引: " + std::to_string(*current) + "]");
    const std::size_t next = (*current + 1) % screens.size();
    const auto& target = screens[next];
    log("🎯 目标屏幕: " + target.localizedName + " [索引: " + std::to_string(next) + "]");
    if (!target.displayID) return false;
    const auto point = landingPoint(target, *target.displayID);
    const auto error = env_.desktop.moveCursor(*target.displayID, point);
    if (error != platform::kCursorMoveSuccess) {
        restoreHardwareCursor();
        log("✗ 瞬间移动失败: " + std::to_string(error));
        return false;
    }
    log("✨ 鼠标已瞬间移动到下一个屏幕！");
    if (isLocatingEffectEnabled()) showLocatingEffect(static_cast<int>(next), localToGlobal(point, target.frame));
    return true;
}

void TessivarApp::jumpToOtherScreen() {
    env_.analytics.trackJump("menu", static_cast<int>(env_.desktop.screens().size()));
    if (!jumpToNextScreen()) log("⚠️ 瞬间移动失败：请确保连接了多个显示器。已自动静默处理，避免打扰用户。");
}

void TessivarApp::jumpToSpecificScreen(int tag) {
    env_.analytics.trackJump("menu", static_cast<int>(env_.desktop.screens().size()));
    if (!jumpToScreen(tag)) log("⚠️ 无法跳转到屏幕 " + std::to_string(static_cast<long long>(tag) + 1) + "。已自动静默处理。");
}

}  // namespace tessivar
