#include "Tessivar/JumpEngine.h"

#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>

#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Desktop/Desktop.h"
#include "Platform/Foundation/NumberFormat.h"
#include "Tessivar/AppDefaults.h"
#include "Tessivar/AppLog.h"
#include "Tessivar/CursorHidingEpisode.h"
#include "Tessivar/Effects/LocatingEffectPlayer.h"

namespace tessivar {

using platform::formatDouble;
using platform::CoordinateSpace::globalToLocal;
using platform::CoordinateSpace::localToGlobal;

namespace {
// A jump logs up to five lines: each is made with one allocation, not one a piece.
std::string joined(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (const auto part : parts) size += part.size();
    std::string text;
    text.reserve(size);
    for (const auto part : parts) text.append(part);
    return text;
}

std::string pointText(platform::Point p) { return joined({"(", formatDouble(p.x), ", ", formatDouble(p.y), ")"}); }

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

// Holds the lines of one jump from its start until its warp, and lets go of
// them whichever way the jump ends.
class JumpEngine::HeldLog {
public:
    explicit HeldLog(JumpEngine& engine) : engine_(engine) { engine_.holdingLines_ = true; }
    ~HeldLog() { engine_.writeHeldLines(); }
    HeldLog(const HeldLog&) = delete;
    HeldLog& operator=(const HeldLog&) = delete;

private:
    JumpEngine& engine_;
};

void JumpEngine::log(std::string line) {
    if (!holdingLines_) {
        appLog(line);
        return;
    }
    heldLines_.push_back(std::move(line));
}

void JumpEngine::writeHeldLines() {
    holdingLines_ = false;
    appLog(heldLines_);
    heldLines_.clear();
}

bool JumpEngine::rememberLastPosition() const { return AppDefaults::rememberLastPositionEnabled(services_.defaults); }
bool JumpEngine::effectEnabled() const { return AppDefaults::isLocatingEffectEnabled(services_.defaults); }

void JumpEngine::recordCurrentPosition() { recordCurrentPosition(services_.desktop.screens()); }

// The pointer is read only while there is something to remember.
void JumpEngine::recordCurrentPosition(const Screens& screens) {
    if (rememberLastPosition()) recordPosition(screens, services_.desktop.mouseLocation());
}

void JumpEngine::recordPosition(const Screens& screens, platform::Point mouse) {
    const auto index = screenIndexContaining(screens, mouse);
    if (!index) return;
    const auto& screen = screens[*index];
    if (!screen.displayID) return;
    const auto local = globalToLocal(mouse, screen.frame);
    lastCoordinates_[*screen.displayID] = local;
    log(joined({"💾 记录屏幕 ", screen.localizedName, " 的光标历史位置: ", pointText(local)}));
}

platform::Point JumpEngine::landingPoint(const platform::Screen& screen, platform::DisplayID display) {
    const auto bounds = services_.desktop.displayBounds(display);
    const auto remembered = lastCoordinates_.find(display);
    if (rememberLastPosition() && remembered != lastCoordinates_.end()) {
        const auto point = clampedInto(remembered->second, bounds);
        log(joined({"↩️ 恢复屏幕 ", screen.localizedName, " 的历史光标位置: ", pointText(point)}));
        return point;
    }
    return centreOf(bounds);
}

bool JumpEngine::move(platform::DisplayID display, platform::Point local, bool logRefusal) {
    const auto error = services_.desktop.moveCursor(display, local);
    writeHeldLines();
    if (error == platform::kCursorMoveSuccess) return true;
    services_.cursorHiding.restore();
    if (logRefusal) log("✗ 瞬间移动失败: " + std::to_string(error));
    return false;
}

void JumpEngine::playEffect(int index, platform::Point local, const platform::Rect& frame) {
    if (effectEnabled()) services_.effects.show(index, localToGlobal(local, frame));
}

bool JumpEngine::jumpToScreen(int index) {
    const HeldLog held(*this);
    // One read of the displays serves the whole jump, so an unplugged display
    // can never be indexed past the end of a list that shrank meanwhile.
    const auto screens = services_.desktop.screens();
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
    log(joined({"🎯 瞬间移动到屏幕 ", std::to_string(index), ": ", target.localizedName}));
    log(joined({"   本地坐标: ", pointText(point)}));
    if (!move(*target.displayID, point, false)) return false;
    log("✨ 移动成功！");
    playEffect(index, point, target.frame);
    return true;
}

bool JumpEngine::moveToCentreOfOnlyScreen(const Screens& screens) {
    log("🖥️ 只有一个显示器，自适应将鼠标瞬间移动到当前屏幕几何中心");
    if (screens.empty() || !screens[0].displayID) return false;
    const auto display = *screens[0].displayID;
    if (!move(display, centreOf(services_.desktop.displayBounds(display)), false)) return false;
    const auto& frame = screens[0].frame;
    if (effectEnabled()) services_.effects.show(0, {frame.midX(), frame.midY()});
    return true;
}

bool JumpEngine::jumpToNextScreen() {
    const HeldLog held(*this);
    const auto screens = services_.desktop.screens();
    if (screens.size() < 2) return moveToCentreOfOnlyScreen(screens);

    // One read of the pointer both records where it leaves and finds the display it is on.
    const auto mouse = services_.desktop.mouseLocation();
    if (rememberLastPosition()) recordPosition(screens, mouse);
    const auto current = screenIndexContaining(screens, mouse);
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
    if (!move(*target.displayID, point, true)) return false;
    log("✨ 鼠标已瞬间移动到下一个屏幕！");
    playEffect(static_cast<int>(next), point, target.frame);
    return true;
}

}  // namespace tessivar
