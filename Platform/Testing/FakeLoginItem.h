#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Desktop/LoginItem.h"

namespace platform {

// A login item whose state a test sets: registering enables it (or leaves the
// status a test chose), unregistering makes it not registered, unless the next
// call is set to fail. Every call is written down ("status", "register",
// "unregister").
class FakeLoginItem : public LoginItem {
public:
    LoginItemStatus status() override {
        calls.push_back("status");
        return current;
    }
    Failure registerItem() override {
        calls.push_back("register");
        if (auto failure = takeFailure()) return failure;
        current = afterRegister;
        return std::nullopt;
    }
    Failure unregisterItem() override {
        calls.push_back("unregister");
        if (auto failure = takeFailure()) return failure;
        current = LoginItemStatus::notRegistered;
        return std::nullopt;
    }

    LoginItemStatus current = LoginItemStatus::notRegistered;
    // What a successful register leaves (a service may want approval first).
    LoginItemStatus afterRegister = LoginItemStatus::enabled;
    // The next register or unregister answers this and changes nothing.
    Failure nextFailure;
    std::vector<std::string> calls;

private:
    Failure takeFailure() { return std::exchange(nextFailure, Failure()); }
};

}  // namespace platform
