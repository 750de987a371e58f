#pragma once
#include <filesystem>

namespace zerazov {

// The file operations every file-keeping part of the client shares. None throws;
// failures go to the debug log and the caller sees them by looking again.

// Removes the file or folder (with its contents) when something is there.
void deleteSafely(const std::filesystem::path& path);
// Creates the folder and its missing parents, each 0700, when nothing is at the path; a file
// already there counts as existing and is left alone.
void createDirectoryAtURLIfNeeded(const std::filesystem::path& path);
// True when a folder is at the path.
bool directoryExists(const std::filesystem::path& path);

}  // namespace zerazov
