#pragma once
#include <functional>
#include <memory>

namespace zerazov {

// Holding the token is holding the subscription: when the last reference goes,
// the handler it stands for is removed. A token that outlives its multicast
// callback ends harmlessly.
class RegistrationToken {
public:
    explicit RegistrationToken(std::function<void()> onDealloc);
    ~RegistrationToken();
    RegistrationToken(const RegistrationToken&) = delete;
    RegistrationToken& operator=(const RegistrationToken&) = delete;

private:
    std::function<void()> onDealloc_;
};

using RegistrationTokenPtr = std::shared_ptr<RegistrationToken>;

}  // namespace zerazov
