#pragma once
#include <filesystem>
#include <string>
#include <vector>

#include "Platform/Foundation/Failure.h"
#include "Platform/Foundation/Result.h"
#include "Platform/Foundation/UniqueFd.h"

namespace platform {

// A folder the program keeps for itself: `own`, a relative path, below `root`,
// the user's folder it lives in (an XDG base folder, which may well be a link
// of the user's making). Every folder of `own` is the program's, so none is
// ever a symbolic link it follows: a link found where one of them should be is
// refused, and nothing is made, opened or deleted through it. Every folder made
// here, `root` and its missing parents included, is private to its owner (0700,
// as the XDG rules ask); a folder that exists keeps its mode.
class PrivateFolder {
public:
    PrivateFolder() = default;
    PrivateFolder(std::filesystem::path root, std::filesystem::path own);
    // The folder itself, with its parent as the root: only its last name is its own.
    PrivateFolder(const std::filesystem::path& folder);  // NOLINT(google-explicit-constructor)
    static PrivateFolder at(const std::filesystem::path& folder) { return PrivateFolder(folder); }

    std::filesystem::path path() const { return root_ / own_; }
    const std::filesystem::path& root() const { return root_; }
    const std::filesystem::path& own() const { return own_; }

    // Makes what is missing; answers the error's text on failure.
    Failure make() const;
    // Opens it for reading, walking `own` one folder at a time without following
    // a link; a failure carries the system's error number.
    Result<UniqueFd> open() const;

    // Makes `folder` and its missing parents, each 0700.
    static Failure makeAll(const std::filesystem::path& folder);

    // The names in an open folder, "." and ".." left out, or why it cannot be read.
    static Result<std::vector<std::string>> entryNames(int folder);

private:
    Result<UniqueFd> walk(bool makeMissing) const;

    std::filesystem::path root_;
    std::filesystem::path own_;
};

}  // namespace platform
