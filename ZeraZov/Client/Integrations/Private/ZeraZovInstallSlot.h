#pragma once
#include <mutex>
#include <utility>

namespace zerazov {

// The one place an integration type has in a process: the first client to claim
// it holds it until it lets go, and every other client is refused meanwhile.
class ZeraZovInstallSlot {
public:
    ZeraZovInstallSlot() = default;
    ZeraZovInstallSlot(const ZeraZovInstallSlot&) = delete;
    ZeraZovInstallSlot& operator=(const ZeraZovInstallSlot&) = delete;

    // True when it was free and is now taken.
    bool claim() {
        std::lock_guard guard(lock_);
        return !std::exchange(installed_, true);
    }
    void release() {
        std::lock_guard guard(lock_);
        installed_ = false;
    }

private:
    std::mutex lock_;  // guards installed_
    bool installed_ = false;
};

}  // namespace zerazov
