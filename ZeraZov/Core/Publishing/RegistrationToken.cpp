#include "ZeraZov/Core/Publishing/RegistrationToken.h"

#include <utility>

namespace zerazov {

RegistrationToken::RegistrationToken(std::function<void()> onDealloc) : onDealloc_(std::move(onDealloc)) {}

RegistrationToken::~RegistrationToken() {
    if (!onDealloc_) return;
    // A destructor must not throw; the unsubscribe only takes a lock and a count observer.
    try {
        onDealloc_();
    } catch (...) {}
}

}  // namespace zerazov
