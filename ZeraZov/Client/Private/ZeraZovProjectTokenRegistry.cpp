#include "ZeraZov/Client/Private/ZeraZovProjectTokenRegistry.h"

namespace zerazov {

ZeraZovProjectTokenRegistry& ZeraZovProjectTokenRegistry::shared() {
    // Never destroyed: clients may close while the process exits.
    static auto* registry = new ZeraZovProjectTokenRegistry();
    return *registry;
}

bool ZeraZovProjectTokenRegistry::insert(const std::string& token) {
    std::lock_guard guard(lock_);
    return tokens_.insert(token).second;
}

void ZeraZovProjectTokenRegistry::remove(const std::string& token) {
    std::lock_guard guard(lock_);
    tokens_.erase(token);
}

}  // namespace zerazov
