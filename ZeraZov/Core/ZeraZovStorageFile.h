#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace zerazov {

// Whole-file reads and atomic replacements for the store's value files. Neither
// throws; a failure comes back as the error's text.
class ZeraZovStorageFile {
public:
    struct ReadResult {
        std::optional<std::string> bytes;  // absent on failure
        std::string error;
    };

    // Only a regular file is read: a folder, a pipe or a device at the path is a
    // failure, and reading never blocks on one.
    static ReadResult read(const std::filesystem::path& file);

    // A reader sees the old bytes or the new ones, never a part: the bytes go to
    // a private temporary file in the same folder, reach the disk and then
    // replace the file by rename. Answers the error's text on failure, when the
    // old file is left as it was.
    static std::optional<std::string> writeAtomically(const std::filesystem::path& file, std::string_view bytes);
};

}  // namespace zerazov
