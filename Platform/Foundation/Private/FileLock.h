#pragma once
#include <string>

#include "Platform/Foundation/PrivateFolder.h"
#include "Platform/Foundation/UniqueFd.h"

namespace platform {

// An exclusive lock on a lock file, held for this object's life, so that
// processes changing one shared file take turns at it: each reads, changes and
// replaces the file while the others wait. Advisory (flock): it binds only code
// that takes it too. Released when the object goes, also when the process dies.
class FileLock {
public:
    // Waits until the lock on the file `name` of `folder` is ours. The folder is
    // one of the program's own, opened without following a link, and the lock
    // file is opened through it, never through a link either: a link where
    // either should be is left alone. The lock file is made when missing
    // (private to its owner) and is never removed: removing it would let a
    // later taker lock a new file while an earlier one still holds the old.
    // When it cannot be opened or locked, nothing is held and error() says why;
    // the caller decides whether to go on unguarded.
    FileLock(const PrivateFolder& folder, const std::string& name);

    bool held() const { return fd_.valid(); }
    const std::string& error() const { return error_; }

private:
    UniqueFd fd_;
    std::string error_;
};

}  // namespace platform
