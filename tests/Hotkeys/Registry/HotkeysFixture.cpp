#include "HotkeysFixture.h"

#include <algorithm>

HotkeysFixture::HotkeysFixture() {
    restart();
    changeObserver_ =
        notifications.addObserver(hotkeys::kShortcutByNameDidChange, nullptr,
                                  [this](const platform::Notification& n) { changes.push_back(n.userInfo); });
}

HotkeysFixture::~HotkeysFixture() = default;

void HotkeysFixture::restart() {
    registry.reset();
    registry.emplace(hotkeys::Environment{defaults, notifications, &mainQueue, &service, &layout, &monitor});
}

hotkeys::Shortcut HotkeysFixture::optionDigit(int digit) {
    static const hotkeys::Key digits[] = {hotkeys::Key::one,   hotkeys::Key::two,  hotkeys::Key::three,
                                          hotkeys::Key::four,  hotkeys::Key::five, hotkeys::Key::six,
                                          hotkeys::Key::seven, hotkeys::Key::eight};
    return hotkeys::Shortcut(digits[digit - 1], hotkeys::ModifierFlags{hotkeys::ModifierFlags::option});
}

std::string HotkeysFixture::printedBy(const std::function<void()>& action) {
    ::testing::internal::CaptureStdout();
    action();
    return ::testing::internal::GetCapturedStdout();
}

std::optional<platform::OSStatus> HotkeysFixture::press(const hotkeys::Shortcut& shortcut) {
    return service.press(static_cast<std::uint32_t>(shortcut.carbonKeyCode),
                         static_cast<std::uint32_t>(shortcut.carbonModifiers));
}

std::optional<platform::OSStatus> HotkeysFixture::release(const hotkeys::Shortcut& shortcut) {
    return service.release(static_cast<std::uint32_t>(shortcut.carbonKeyCode),
                           static_cast<std::uint32_t>(shortcut.carbonModifiers));
}

std::optional<bool> HotkeysFixture::feedMenuKey(std::uint32_t kind, std::uint32_t keyCode, std::uint32_t modifiers) {
    platform::KeyboardEvent event;
    event.kind = kind;
    event.keyCode = keyCode;
    event.modifiers = modifiers;
    return monitor.feed(event);
}

bool HotkeysFixture::isGrabbed(const hotkeys::Shortcut& shortcut) const {
    return service.isGrabbed(static_cast<std::uint32_t>(shortcut.carbonKeyCode),
                             static_cast<std::uint32_t>(shortcut.carbonModifiers));
}

bool HotkeysFixture::isRegistered(const hotkeys::Shortcut& shortcut) const {
    const auto registered = hotkeys::registeredShortcuts();
    return std::find(registered.begin(), registered.end(), shortcut) != registered.end();
}
