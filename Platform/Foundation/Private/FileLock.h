#pragma once
#include <filesystem>

#include "Platform/Foundation/UniqueFd.h"

namespace platform {

// An exclusive lock on a lock file, held for this object's life, so that
// processes changing one shared file take turns at it: each reads, changes and
// replaces the file while the others wait. Advisory (flock): it binds only code
// that takes it too. Released when the object goes, also when the process dies.
class FileLock {
public:
    // Waits until the lock on `lockFile` is ours. The lock file is made when
    // missing (private to its owner) and is never removed: removing it would let
    // a later taker lock a new file while an earlier one still holds the old.
    // When it cannot be made or locked, nothing is held and the caller goes on
    // unguarded, as it would without locking.
    explicit FileLock(const std::filesystem::path& lockFile);

    bool held() const { return fd_.valid(); }

private:
    UniqueFd fd_;
};

}  // namespace platform
