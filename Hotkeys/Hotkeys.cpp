// The free functions: each forwards to the installed registry.
#include "Hotkeys/Hotkeys.h"

#include <type_traits>

#include "Hotkeys/Registry.h"

namespace hotkeys {
namespace {

// With no registry the call does nothing and answers the empty value of its
// type; the misuse report names the function the caller used.
template <typename Call>
auto withRegistry(Call call, const char* caller = __builtin_FUNCTION()) {
    using Result = std::invoke_result_t<Call, Registry&>;
    Registry* registry = Registry::installed(caller);
    if (registry == nullptr) return Result();
    return call(*registry);
}

}  // namespace

std::optional<Shortcut> getShortcut(const Name& name) {
    return withRegistry([&](Registry& registry) { return registry.getShortcut(name); });
}

std::optional<Shortcut> loadShortcut(const Name& name) {
    return withRegistry([&](Registry& registry) { return registry.loadShortcut(name); });
}

void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    withRegistry([&](Registry& registry) { registry.setShortcut(shortcut, name); });
}

void saveShortcut(const Shortcut& shortcut, const Name& name) {
    withRegistry([&](Registry& registry) { registry.saveShortcut(shortcut, name); });
}

void reset(const std::vector<Name>& names) {
    withRegistry([&](Registry& registry) { registry.reset(names); });
}

void resetAll() {
    withRegistry([](Registry& registry) { registry.resetAll(); });
}

bool hasStoredValue(const Name& name) {
    return withRegistry([&](Registry& registry) { return registry.hasStoredValue(name); });
}

std::set<std::string> storedNames() {
    return withRegistry([](Registry& registry) { return registry.storedNames(); });
}

void postShortcutByNameDidChange(const Name& name) {
    withRegistry([&](Registry& registry) { registry.postShortcutByNameDidChange(name); });
}

void onKeyDown(const Name& name, std::function<void()> action) {
    withRegistry([&](Registry& registry) { registry.onKeyDown(name, std::move(action)); });
}

void onKeyUp(const Name& name, std::function<void()> action) {
    withRegistry([&](Registry& registry) { registry.onKeyUp(name, std::move(action)); });
}

void removeHandler(const Name& name) {
    withRegistry([&](Registry& registry) { registry.removeHandler(name); });
}

void removeAllHandlers() {
    withRegistry([](Registry& registry) { registry.removeAllHandlers(); });
}

void enable(const std::vector<Name>& names) {
    withRegistry([&](Registry& registry) { registry.enable(names); });
}

void disable(const std::vector<Name>& names) {
    withRegistry([&](Registry& registry) { registry.disable(names); });
}

bool isEnabled(const Name& name) {
    return withRegistry([&](Registry& registry) { return registry.isEnabled(name); });
}

std::vector<Shortcut> registeredShortcuts() {
    return withRegistry([](Registry& registry) { return registry.registeredShortcuts(); });
}

bool isEnabled() {
    return withRegistry([](Registry& registry) { return registry.isEnabled(); });
}

void setEnabled(bool enabled) {
    withRegistry([&](Registry& registry) { registry.setEnabled(enabled); });
}

bool pause(const void* owner) {
    return withRegistry([&](Registry& registry) { return registry.pause(owner); });
}

void resume(const void* owner) {
    withRegistry([&](Registry& registry) { registry.resume(owner); });
}

bool isPaused() {
    return withRegistry([](Registry& registry) { return registry.isPaused(); });
}

bool isMenuOpen() {
    return withRegistry([](Registry& registry) { return registry.isMenuOpen(); });
}

EventStream events(const Name& name, std::function<void(EventType)> onEvent) {
    return withRegistry([&](Registry& registry) { return registry.events(name, std::move(onEvent)); });
}

EventStream events(EventType type, const Name& name, std::function<void(EventType)> onEvent) {
    return withRegistry([&](Registry& registry) { return registry.events(type, name, std::move(onEvent)); });
}

void handleKeyDown(const Shortcut& shortcut) {
    withRegistry([&](Registry& registry) { registry.handleKeyDown(shortcut); });
}

void handleKeyUp(const Shortcut& shortcut) {
    withRegistry([&](Registry& registry) { registry.handleKeyUp(shortcut); });
}

void initializeOnce() {
    withRegistry([](Registry& registry) { registry.initializeOnce(); });
}

}  // namespace hotkeys
