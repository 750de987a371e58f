#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// A fresh directory under the system's temporary folder, removed with its contents.
class TemporaryDirectory {
public:
    TemporaryDirectory();
    ~TemporaryDirectory();
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // The names directly inside, sorted so that a test can compare them whole.
    std::vector<std::string> entryNames() const;

private:
    std::filesystem::path path_;
};

}  // namespace platform
