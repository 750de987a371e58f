#include "ZeraZov/Delivery/FileQueue/ZeraZovHeldFolder.h"

#include <fcntl.h>

namespace zerazov {

ZeraZovHeldFolder::Descriptor ZeraZovHeldFolder::get() const {
    std::lock_guard guard(lock_);
    if (held_) return held_;
    platform::UniqueFd folder(::open(path_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) return nullptr;
    held_ = std::make_shared<const platform::UniqueFd>(std::move(folder));
    return held_;
}

void ZeraZovHeldFolder::drop(const Descriptor& stale) const {
    std::lock_guard guard(lock_);
    if (held_ == stale) held_.reset();
}

}  // namespace zerazov
