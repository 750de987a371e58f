#pragma once
#include <memory>
#include <mutex>

#include "Platform/Foundation/PrivateFolder.h"
#include "Platform/Foundation/Result.h"
#include "Platform/Foundation/UniqueFd.h"

namespace zerazov {

// A folder of the program's opened as a descriptor and kept, so that files made,
// named or moved in it need no walk of its path (on tmpfs a long path's walk was
// a sizeable share of writing a small file), and so that no link put where one of
// its folders should be is ever followed. The descriptor stays on the folder it
// was opened on, also when that folder is removed or moved away: current() tells
// and opens the one now at the path. Any thread may use it.
//
// While a file (no link, no folder) stands at the folder's path, it is not the
// program's to remove: the folder beside it, "<name>.aside", is held instead,
// and the folder at the path again once the file is gone.
class ZeraZovHeldFolder {
public:
    // Shared, so that one thread may let go of it while another still uses it.
    using Descriptor = std::shared_ptr<const platform::UniqueFd>;

    explicit ZeraZovHeldFolder(platform::PrivateFolder folder);

    // The folder's descriptor, opened when none is held, or why the folder
    // cannot be opened.
    platform::Result<Descriptor> get() const;
    // The folder now at the path, made again when it is gone and `makeMissing`:
    // the descriptor held while it is still that folder, else one opened now and
    // held from here on. Costs a walk of the path and two stats.
    platform::Result<Descriptor> current(bool makeMissing) const;
    // Lets go of the descriptor held, so that the next get() opens the folder now
    // at the path (the descriptor was found stale, or the folder was removed on purpose).
    void drop() const;

    const platform::PrivateFolder& folder() const { return folder_; }
    const platform::PrivateFolder& aside() const { return aside_; }
    // The folder beside, opened, when there is one and `current` is not it.
    platform::UniqueFd asideApartFrom(const Descriptor& current) const;

private:
    // The folder at the path, made when missing and `makeMissing`; the one
    // beside it (made the same way) while a file stands at the path.
    platform::Result<platform::UniqueFd> openNow(bool makeMissing) const;
    bool fileAtThePath() const;

    const platform::PrivateFolder folder_;
    const platform::PrivateFolder aside_;
    mutable std::mutex lock_;
    mutable Descriptor held_;
};

}  // namespace zerazov
