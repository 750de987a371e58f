#include "HotkeysFixture.h"

#include <algorithm>

HotkeysFixture::HotkeysFixture() {
    restart();
    changeObserver_ = notifications.addObserver(Hotkeys::kShortcutByNameDidChange, nullptr,
                                                [this](const platform::Notification& n) { changes.push_back(n.userInfo); });
}

HotkeysFixture::~HotkeysFixture() = default;

void HotkeysFixture::restart() {
    registry.reset();
    registry.emplace(Hotkeys::Environment{defaults, notifications, &mainQueue, &service, &layout, &monitor});
}

Hotkeys::Shortcut HotkeysFixture::optionDigit(int digit) {
    static const Hotkeys::Key digits[] = {Hotkeys::Key::one,  Hotkeys::Key::two, Hotkeys::Key::three,
                                          Hotkeys::Key::four, Hotkeys::Key::five, Hotkeys::Key::six,
                                          Hotkeys::Key::seven, Hotkeys::Key::eight};
    return Hotkeys::Shortcut(digits[digit - 1], Hotkeys::ModifierFlags{Hotkeys::ModifierFlags::option});
}

std::string HotkeysFixture::printedBy(const std::function<void()>& action) {
    ::testing::internal::CaptureStdout();
    action();
    return ::testing::internal::GetCapturedStdout();
}

std::optional<platform::OSStatus> HotkeysFixture::press(const Hotkeys::Shortcut& shortcut) {
    return service.press(static_cast<std::uint32_t>(shortcut.carbonKeyCode),
                         static_cast<std::uint32_t>(shortcut.carbonModifiers));
}

std::optional<platform::OSStatus> HotkeysFixture::release(const Hotkeys::Shortcut& shortcut) {
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

bool HotkeysFixture::isGrabbed(const Hotkeys::Shortcut& shortcut) const {
    return service.isGrabbed(static_cast<std::uint32_t>(shortcut.carbonKeyCode),
                             static_cast<std::uint32_t>(shortcut.carbonModifiers));
}

bool HotkeysFixture::isRegistered(const Hotkeys::Shortcut& shortcut) const {
    const auto registered = Hotkeys::registeredShortcuts();
    return std::find(registered.begin(), registered.end(), shortcut) != registered.end();
}
