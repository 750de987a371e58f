#pragma once
#include <filesystem>
#include <string>
#include <string_view>

#include "Platform/Testing/TemporaryDirectory.h"

namespace fuzzing {

// The temporary folder of one fuzzer process, for readers that take files.
class ScratchFolder {
public:
    const std::filesystem::path& path() const { return directory_.path(); }

    // Removes everything inside, so that no run sees what an earlier one left.
    void empty() const;
    // Writes the bytes to the named file in the folder and answers its path.
    std::filesystem::path put(std::string_view name, std::string_view bytes) const;
    // The whole file; empty when it cannot be read.
    static std::string read(const std::filesystem::path& file);

private:
    platform::TemporaryDirectory directory_;
};

}  // namespace fuzzing
