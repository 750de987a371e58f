#pragma once
#include <filesystem>
#include <memory>
#include <mutex>

#include "Platform/Foundation/UniqueFd.h"

namespace zerazov {

// A folder opened as a descriptor and kept, so that files made, named or moved
// in it need no walk of its path (on tmpfs a long path's walk was a sizeable
// share of writing a small file). Any thread may use it.
class ZeraZovHeldFolder {
public:
    // Shared, so that one thread may let go of it while another still uses it.
    using Descriptor = std::shared_ptr<const platform::UniqueFd>;

    explicit ZeraZovHeldFolder(std::filesystem::path path) : path_(std::move(path)) {}

    // The folder's descriptor, opened when none is held; nothing when the folder
    // cannot be opened.
    Descriptor get() const;
    // Lets go of a descriptor found stale (the folder was removed since it was
    // opened), so that the next get() opens the folder now at the path.
    void drop(const Descriptor& stale) const;

private:
    const std::filesystem::path path_;
    mutable std::mutex lock_;
    mutable Descriptor held_;
};

}  // namespace zerazov
