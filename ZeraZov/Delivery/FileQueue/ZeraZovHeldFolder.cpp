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

platform::PrivateFolder besides(const platform::PrivateFolder& folder) {
    auto own = folder.own();
    own.replace_filename(own.filename().string() + ".aside");
    return {folder.root(), own};
}

platform::Result<platform::UniqueFd> openMade(const platform::PrivateFolder& folder, bool makeMissing) {
    auto opened = folder.open();
    if (opened || opened.failure().errorNumber() != ENOENT || !makeMissing) return opened;
    if (auto failed = folder.make()) return platform::Failure(*failed, ENOENT);
    return folder.open();
}

}  // namespace

ZeraZovHeldFolder::ZeraZovHeldFolder(platform::PrivateFolder folder)
    : folder_(std::move(folder)), aside_(besides(folder_)) {}

platform::Result<ZeraZovHeldFolder::Descriptor> ZeraZovHeldFolder::get() const {
    std::lock_guard guard(lock_);
    if (held_) return held_;
    auto opened = openNow(false);
    if (!opened) return opened.failure();
    held_ = std::make_shared<const platform::UniqueFd>(std::move(*opened));
    return held_;
}

platform::Result<ZeraZovHeldFolder::Descriptor> ZeraZovHeldFolder::current(bool makeMissing) const {
    auto opened = openNow(makeMissing);
    if (!opened) return opened.failure();
    std::lock_guard guard(lock_);
    if (held_ && sameFolder(held_->get(), opened->get())) return held_;
    held_ = std::make_shared<const platform::UniqueFd>(std::move(*opened));
    return held_;
}

void ZeraZovHeldFolder::drop() const {
    std::lock_guard guard(lock_);
    held_.reset();
}

platform::UniqueFd ZeraZovHeldFolder::asideApartFrom(const Descriptor& current) const {
    auto opened = aside_.open();
    if (!opened || (current && sameFolder(opened->get(), current->get()))) return {};
    return std::move(*opened);
}

platform::Result<platform::UniqueFd> ZeraZovHeldFolder::openNow(bool makeMissing) const {
    auto opened = openMade(folder_, makeMissing);
    if (opened || !fileAtThePath()) return opened;
    auto aside = openMade(aside_, makeMissing);
    return aside ? std::move(aside) : std::move(opened);
}

bool ZeraZovHeldFolder::fileAtThePath() const {
    struct stat info {};
    return ::lstat(folder_.path().c_str(), &info) == 0 && !S_ISDIR(info.st_mode) && !S_ISLNK(info.st_mode);
}

}  // namespace zerazov
