#pragma once
#include <filesystem>
#include <string>

#include "Platform/Foundation/UniqueFd.h"

namespace platform {

// One running copy of a program per user session: an exclusive lock on a file
// in the session's runtime folder, held for as long as the object lives and let
// go by the kernel when the process ends, however it ends.
class SingleInstanceLock {
public:
    enum class State {
        held,           // this process is the one
        heldElsewhere,  // another process of the session holds it
        unavailable,    // no lock could be taken at all (the folder cannot be written)
    };

    // Takes the lock on `file` (made 0600, with its folder, when missing).
    static SingleInstanceLock acquire(const std::filesystem::path& file);

    State state() const { return state_; }
    // Why the lock was unavailable; empty otherwise.
    const std::string& failure() const { return failure_; }

private:
    SingleInstanceLock(State state, UniqueFd fd, std::string failure);

    State state_;
    UniqueFd fd_;
    std::string failure_;
};

}  // namespace platform
