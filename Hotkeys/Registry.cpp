// The registry's life and installation, handlers per name, the global switches
// and the dispatch of a pressed shortcut to every name that stores it.
#include "Hotkeys/Registry.h"

#include <algorithm>
#include <atomic>
#include <string>

#include "Hotkeys/Private/Misuse.h"
#include "Platform/Foundation/MainQueue.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/HotKeys/MenuKeyMonitor.h"

namespace hotkeys {
namespace {

// The one installed registry. Read from any thread, since a call from the
// wrong one must find the registry to be reported against it.
std::atomic<Registry*>& installedRegistry() {
    static std::atomic<Registry*> registry{nullptr};
    return registry;
}

}  // namespace

Registry::Registry(Environment environment)
    : environment_(environment),
      previouslyInstalled_(installedRegistry().exchange(this)),
      hotKeys_(environment_, thread_, [this] { return mode(); }) {
    // A reload may be found by a save on any thread; the hot keys change on ours.
    environment_.defaults.setReloadHandler([self = std::weak_ptr<Registry*>(self_), queue = environment_.mainQueue] {
        const auto follow = [self] {
            if (const auto registry = self.lock()) (*registry)->followStoredShortcuts();
        };
        queue ? queue->async(follow) : follow();
    });
}

// Registries nest: the one that goes is the newest, and the one before it is
// back. One that goes while a newer one lives has broken that order; nothing
// is installed then, rather than a registry that may be gone already.
Registry::~Registry() {
    thread_.check();
    Registry* expected = this;
    if (installedRegistry().compare_exchange_strong(expected, previouslyInstalled_)) return;
    if (expected == nullptr) return;
    installedRegistry().store(nullptr);
    reportMisuse(
        "a shortcut registry went while one made after it was still installed; registries go in the "
        "reverse order of their making");
}

Registry* Registry::installed(const char* caller) {
    Registry* registry = installedRegistry().load();
    if (registry != nullptr) return registry;
    reportMisuse(std::string(caller) +
                 " was called with no shortcut registry installed; the program makes one at start-up, "
                 "before the first shortcut name");
    return nullptr;
}

platform::KeyboardLayout* Registry::keyboardLayout() const {
    thread_.check();
    return environment_.keyboardLayout;
}

CarbonHotkeys& Registry::hotKeys() {
    thread_.check();
    return hotKeys_;
}

CarbonHotkeys::Mode Registry::mode() const { return {isEnabled_ && !pausedBy_, isMenuOpen_}; }

void Registry::registerShortcut(const Shortcut& shortcut) {
    if (hotKeys_.isRegistered(shortcut)) return;
    hotKeys_.registerHotKey(
        shortcut, [this](const Shortcut& pressed) { handleKeyDown(pressed); },
        [this](const Shortcut& released) { handleKeyUp(released); });
}

void Registry::unregisterShortcut(const Shortcut& shortcut) { hotKeys_.unregister(shortcut); }

void Registry::releaseShortcut(const Shortcut& shortcut, const Name* leaving) {
    if (isInUse(shortcut, leaving)) return;
    unregisterShortcut(shortcut);
}

bool Registry::storesShortcut(const HandlerTable& table, const Shortcut& shortcut, const Name* leaving) {
    const auto names = table.names();
    return std::any_of(names.begin(), names.end(), [&](const Name& name) {
        return (leaving == nullptr || !(name == *leaving)) && loadShortcut(name) == shortcut;
    });
}

bool Registry::isInUse(const Shortcut& shortcut, const Name* leaving) {
    return storesShortcut(keyDownHandlers_, shortcut, leaving) || storesShortcut(keyUpHandlers_, shortcut, leaving) ||
           storesShortcut(keyDownStreamContinuations_, shortcut, leaving) ||
           storesShortcut(keyUpStreamContinuations_, shortcut, leaving);
}

std::vector<Shortcut> Registry::storedShortcuts(const std::vector<Name>& names) {
    std::vector<Shortcut> result;
    for (const Name& name : names) {
        if (const auto shortcut = loadShortcut(name)) result.push_back(*shortcut);
    }
    return result;
}

std::vector<Name> Registry::namesInUse() const {
    std::vector<Name> names;
    for (const HandlerTable* table :
         {&keyDownHandlers_, &keyUpHandlers_, &keyDownStreamContinuations_, &keyUpStreamContinuations_}) {
        for (const Name& name : table->names()) {
            if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
        }
    }
    return names;
}

void Registry::followStoredShortcuts() {
    thread_.check();
    const auto names = namesInUse();
    const auto wanted = storedShortcuts(names);
    bool changed = false;
    for (const Shortcut& registered : hotKeys_.registeredShortcuts()) {
        if (std::find(wanted.begin(), wanted.end(), registered) != wanted.end()) continue;
        unregisterShortcut(registered);
        changed = true;
    }
    for (const Shortcut& shortcut : wanted) {
        if (hotKeys_.isRegistered(shortcut)) continue;
        registerShortcut(shortcut);
        changed = true;
    }
    if (!changed) return;
    for (const Name& name : names) postShortcutByNameDidChange(name);
}

void Registry::addHandler(HandlerTable& table, const Name& name, std::function<void()> action) {
    // An empty action would throw at the first press.
    if (!action) return;
    table.add(name, std::move(action));
    if (const auto shortcut = loadShortcut(name)) registerShortcut(*shortcut);
}

// Names are bound to shortcuts only through their stored records, read at
// every press, so a changed record takes effect without re-adding handlers.
void Registry::runMatching(const HandlerTable& table, const Shortcut& shortcut) {
    for (const HandlerTable::Entry& entry : table.entries()) {
        if (loadShortcut(entry.name) != shortcut) continue;
        for (const auto& [id, action] : entry.actions) action();
    }
}

void Registry::handleShortcutEvent(const Shortcut& shortcut, const HandlerTable& handlers,
                                   const HandlerTable& streams) {
    if (pausedBy_) return;
    runMatching(handlers, shortcut);
    runMatching(streams, shortcut);
}

void Registry::setMenuOpen(bool open) {
    thread_.check();
    if (isMenuOpen_ == open) return;
    isMenuOpen_ = open;
    hotKeys_.updateEventHandler();
}

void Registry::onKeyDown(const Name& name, std::function<void()> action) {
    thread_.check();
    addHandler(keyDownHandlers_, name, std::move(action));
}

void Registry::onKeyUp(const Name& name, std::function<void()> action) {
    thread_.check();
    addHandler(keyUpHandlers_, name, std::move(action));
}

void Registry::removeHandler(const Name& name) {
    thread_.check();
    keyDownHandlers_.remove(name);
    keyUpHandlers_.remove(name);
    if (const auto shortcut = loadShortcut(name)) releaseShortcut(*shortcut);
}

void Registry::removeAllHandlers() {
    thread_.check();
    auto names = keyDownHandlers_.names();
    const auto keyUpNames = keyUpHandlers_.names();
    names.insert(names.end(), keyUpNames.begin(), keyUpNames.end());
    const auto used = storedShortcuts(names);
    keyDownHandlers_.clear();
    keyUpHandlers_.clear();
    for (const Shortcut& shortcut : used) releaseShortcut(shortcut);
}

void Registry::enable(const std::vector<Name>& names) {
    thread_.check();
    for (const Shortcut& shortcut : storedShortcuts(names)) registerShortcut(shortcut);
}

void Registry::disable(const std::vector<Name>& names) {
    thread_.check();
    for (const Shortcut& shortcut : storedShortcuts(names)) unregisterShortcut(shortcut);
}

bool Registry::isEnabled(const Name& name) {
    thread_.check();
    if (!isEnabled_) return false;
    const auto shortcut = loadShortcut(name);
    return shortcut && hotKeys_.isRegistered(*shortcut);
}

std::vector<Shortcut> Registry::registeredShortcuts() const {
    thread_.check();
    return hotKeys_.registeredShortcuts();
}

bool Registry::isEnabled() const {
    thread_.check();
    return isEnabled_;
}

void Registry::setEnabled(bool enabled) {
    thread_.check();
    if (isEnabled_ == enabled) return;
    isEnabled_ = enabled;
    hotKeys_.updateEventHandler();
}

bool Registry::pause(const void* owner) {
    thread_.check();
    if (pausedBy_) return false;
    pausedBy_ = owner;
    hotKeys_.updateEventHandler();
    return true;
}

void Registry::resume(const void* owner) {
    thread_.check();
    if (pausedBy_ != owner) return;
    pausedBy_.reset();
    hotKeys_.updateEventHandler();
}

bool Registry::isPaused() const {
    thread_.check();
    return pausedBy_.has_value();
}

bool Registry::isMenuOpen() const {
    thread_.check();
    return isMenuOpen_;
}

void Registry::handleKeyDown(const Shortcut& shortcut) {
    thread_.check();
    handleShortcutEvent(shortcut, keyDownHandlers_, keyDownStreamContinuations_);
}

void Registry::handleKeyUp(const Shortcut& shortcut) {
    thread_.check();
    handleShortcutEvent(shortcut, keyUpHandlers_, keyUpStreamContinuations_);
}

// Observers without a queue run inside the post, so the hot keys are released
// before the menu starts taking keys.
void Registry::initializeOnce() {
    thread_.check();
    if (isInitialized_) return;
    platform::NotificationCenter& center = environment_.notifications;
    menuTrackingBeganObserver_ = center.addObserver(platform::kMenuDidBeginTrackingNotification, nullptr,
                                                    [this](const platform::Notification&) { setMenuOpen(true); });
    menuTrackingEndedObserver_ = center.addObserver(platform::kMenuDidEndTrackingNotification, nullptr,
                                                    [this](const platform::Notification&) { setMenuOpen(false); });
    isInitialized_ = true;
}

}  // namespace hotkeys
