#include "Platform/Testing/FakeHotKeyService.h"

#include <algorithm>

namespace platform {
namespace {

std::string fourCharacterCode(std::uint32_t code) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) text += static_cast<char>((code >> shift) & 0xFF);
    return text;
}

}  // namespace

OSStatus FakeHotKeyService::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, EventHotKeyID id,
                                           EventHotKeyRef* ref) {
    calls_.push_back("register " + std::to_string(keyCode) + " " + std::to_string(modifiers) + " " +
                     fourCharacterCode(id.signature) + " " + std::to_string(id.id));
    if (const auto refusal = takeRefusal(keyCode)) return *refusal;
    if (findGrab(keyCode, modifiers) != nullptr) return eventHotKeyExistsErr;
    *ref = nextRef_++;
    grabs_.push_back({*ref, keyCode, modifiers, id});
    return noErr;
}

OSStatus FakeHotKeyService::unregisterHotKey(EventHotKeyRef ref) {
    calls_.push_back("unregister " + std::to_string(ref));
    const auto grab = std::find_if(grabs_.begin(), grabs_.end(), [ref](const Grab& g) { return g.ref == ref; });
    if (grab == grabs_.end()) return eventHotKeyInvalidErr;
    grabs_.erase(grab);
    return noErr;
}

OSStatus FakeHotKeyService::installEventHandler(EventHandler handler, EventHandlerRef* ref) {
    calls_.push_back("install");
    if (installRefusal_) {
        const OSStatus status = *installRefusal_;
        installRefusal_.reset();
        return status;
    }
    handler_ = std::move(handler);
    handlerRef_ = nextHandlerRef_++;
    *ref = handlerRef_;
    return noErr;
}

OSStatus FakeHotKeyService::addEventTypes(EventHandlerRef handler, const std::vector<EventTypeSpec>& types) {
    logTypes("add", types);
    if (handler != handlerRef_ || handlerRef_ == 0) return eventNotHandledErr;
    for (const EventTypeSpec& type : types) {
        if (std::find(addedTypes_.begin(), addedTypes_.end(), type) == addedTypes_.end()) addedTypes_.push_back(type);
    }
    return noErr;
}

OSStatus FakeHotKeyService::removeEventTypes(EventHandlerRef handler, const std::vector<EventTypeSpec>& types) {
    logTypes("remove", types);
    if (handler != handlerRef_ || handlerRef_ == 0) return eventNotHandledErr;
    std::erase_if(addedTypes_, [&types](const EventTypeSpec& added) {
        return std::find(types.begin(), types.end(), added) != types.end();
    });
    return noErr;
}

std::vector<std::string> FakeHotKeyService::takeCalls() {
    std::vector<std::string> taken;
    taken.swap(calls_);
    return taken;
}

void FakeHotKeyService::refuseKey(std::uint32_t keyCode, OSStatus status, int times) {
    refusals_[keyCode] = {status, times};
}

std::optional<OSStatus> FakeHotKeyService::press(std::uint32_t keyCode, std::uint32_t modifiers) {
    return sendHotKey(kEventHotKeyPressed, keyCode, modifiers);
}

std::optional<OSStatus> FakeHotKeyService::release(std::uint32_t keyCode, std::uint32_t modifiers) {
    return sendHotKey(kEventHotKeyReleased, keyCode, modifiers);
}

std::optional<OSStatus> FakeHotKeyService::deliver(const KeyboardEvent& event) {
    if (!handler_ || !isKindAdded(event.kind)) return std::nullopt;
    // A copy: the handler may be replaced while it runs.
    const EventHandler handler = handler_;
    return handler(event);
}

bool FakeHotKeyService::isGrabbed(std::uint32_t keyCode, std::uint32_t modifiers) const {
    return findGrab(keyCode, modifiers) != nullptr;
}

bool FakeHotKeyService::isKindAdded(std::uint32_t kind) const {
    return std::find(addedTypes_.begin(), addedTypes_.end(), EventTypeSpec{kEventClassKeyboard, kind}) !=
           addedTypes_.end();
}

std::optional<OSStatus> FakeHotKeyService::sendHotKey(std::uint32_t kind, std::uint32_t keyCode,
                                                      std::uint32_t modifiers) {
    const Grab* grab = findGrab(keyCode, modifiers);
    if (grab == nullptr) return std::nullopt;
    KeyboardEvent event;
    event.kind = kind;
    event.hotKeyID = grab->id;
    return deliver(event);
}

const FakeHotKeyService::Grab* FakeHotKeyService::findGrab(std::uint32_t keyCode, std::uint32_t modifiers) const {
    const auto grab = std::find_if(grabs_.begin(), grabs_.end(),
                                   [&](const Grab& g) { return g.keyCode == keyCode && g.modifiers == modifiers; });
    return grab == grabs_.end() ? nullptr : &*grab;
}

std::optional<OSStatus> FakeHotKeyService::takeRefusal(std::uint32_t keyCode) {
    const auto refusal = refusals_.find(keyCode);
    if (refusal == refusals_.end()) return std::nullopt;
    const OSStatus status = refusal->second.status;
    if (--refusal->second.remaining <= 0) refusals_.erase(refusal);
    return status;
}

void FakeHotKeyService::logTypes(const char* verb, const std::vector<EventTypeSpec>& types) {
    std::string line = verb;
    for (const EventTypeSpec& type : types) line += " " + std::to_string(type.eventKind);
    calls_.push_back(line);
}

}  // namespace platform
