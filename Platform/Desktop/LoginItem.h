#pragma once
#include <optional>
#include <string>

#include "Platform/Foundation/Failure.h"

namespace platform {

// Whether the application starts when the user logs in, in the terms of a
// login-item service: only `enabled` means it will start.
enum class LoginItemStatus { notRegistered = 0, enabled = 1, requiresApproval = 2, notFound = 3 };

// The application's own login item. Every call asks the system afresh: the
// user may change it elsewhere at any time.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    virtual LoginItemStatus status() = 0;
    // Each answers nothing on success, or a message the user can act on.
    virtual Failure registerItem() = 0;
    virtual Failure unregisterItem() = 0;
};

}  // namespace platform
