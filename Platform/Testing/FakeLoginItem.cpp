#include "Platform/Testing/FakeLoginItem.h"

#include <utility>

namespace platform {

LoginItemStatus FakeLoginItem::status() {
    calls.push_back("status");
    return current;
}

Failure FakeLoginItem::takeFailure() { return std::exchange(nextFailure, Failure()); }

Failure FakeLoginItem::registerItem() {
    calls.push_back("register");
    if (auto failure = takeFailure()) return failure;
    current = afterRegister;
    return std::nullopt;
}

Failure FakeLoginItem::unregisterItem() {
    calls.push_back("unregister");
    if (auto failure = takeFailure()) return failure;
    current = LoginItemStatus::notRegistered;
    return std::nullopt;
}

}  // namespace platform
