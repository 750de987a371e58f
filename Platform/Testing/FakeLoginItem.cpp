#include "Platform/Testing/FakeLoginItem.h"

namespace platform {

LoginItemStatus FakeLoginItem::status() {
    calls.push_back("status");
    return current;
}

std::optional<std::string> FakeLoginItem::takeFailure() {
    auto failure = std::move(nextFailure);
    nextFailure.reset();
    return failure;
}

std::optional<std::string> FakeLoginItem::registerItem() {
    calls.push_back("register");
    if (auto failure = takeFailure()) return failure;
    current = afterRegister;
    return std::nullopt;
}

std::optional<std::string> FakeLoginItem::unregisterItem() {
    calls.push_back("unregister");
    if (auto failure = takeFailure()) return failure;
    current = LoginItemStatus::notRegistered;
    return std::nullopt;
}

}  // namespace platform
