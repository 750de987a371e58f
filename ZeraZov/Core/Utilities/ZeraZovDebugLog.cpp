#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

#include <atomic>

#include "Platform/Foundation/Log.h"

namespace zerazov {
namespace {

// Set by the client's debug setting on one thread, read by every thread that logs.
std::atomic<bool>& debugSwitch() {
    static std::atomic<bool> enabled{false};
    return enabled;
}

}  // namespace

void ZeraZovDebugLog::setEnabled(bool enabled) { debugSwitch().store(enabled, std::memory_order_relaxed); }

bool ZeraZovDebugLog::isEnabled() { return debugSwitch().load(std::memory_order_relaxed); }

void ZeraZovDebugLog::write(std::string_view message) {
    if (!isEnabled()) return;
    platform::Log::print("[ZeraZov] %@", message);
}

void ZeraZovDebugLog::writeFirstLoss(std::atomic<bool>& reported, std::string_view message) {
    if (reported.exchange(true)) return write(message);
    platform::Log::print("[ZeraZov] %@", message);
}

}  // namespace zerazov
