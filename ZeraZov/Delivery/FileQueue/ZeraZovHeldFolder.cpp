#include "ZeraZov/Delivery/FileQueue/ZeraZovHeldFolder.h"

#include <sys/stat.h>

#include <cerrno>

namespace zerazov {
namespace {

bool sameFolder(int a, int b) {
    struct stat first {};
    struct stat second {};
    if (::fstat(a, &first) != 0 || ::fstat(b, &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

ZeraZovHeldFolder::Descriptor ZeraZovHeldFolder::get(std::string& error) const {
    std::lock_guard guard(lock_);
    if (held_) return held_;
    auto opened = folder_.open();
    if (!opened.fd.valid()) {
        error = opened.error;
        return nullptr;
    }
    held_ = std::make_shared<const platform::UniqueFd>(std::move(opened.fd));
    return held_;
}

ZeraZovHeldFolder::Descriptor ZeraZovHeldFolder::current(std::string& error, bool makeMissing) const {
    auto opened = folder_.open();
    if (!opened.fd.valid() && opened.errorNumber == ENOENT && makeMissing) {
        if (auto failed = folder_.make()) {
            error = *failed;
            return nullptr;
        }
        opened = folder_.open();
    }
    if (!opened.fd.valid()) {
        error = opened.error;
        return nullptr;
    }
    std::lock_guard guard(lock_);
    if (held_ && sameFolder(held_->get(), opened.fd.get())) return held_;
    held_ = std::make_shared<const platform::UniqueFd>(std::move(opened.fd));
    return held_;
}

void ZeraZovHeldFolder::drop() const {
    std::lock_guard guard(lock_);
    held_.reset();
}

}  // namespace zerazov
