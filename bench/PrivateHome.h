#pragma once
#include <filesystem>
#include <string>

namespace tessivar::bench {

// A fresh HOME for a benchmark run in a folder of the caller's choosing, removed
// with its contents: code that finds its folders through XDG (the program's data
// folder among them) then works on that file system, and the real home is never
// touched.
class PrivateHome {
public:
    // Made under `parent`; valid() says whether that worked.
    explicit PrivateHome(const std::filesystem::path& parent);
    ~PrivateHome();
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    bool valid() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }

    // Makes this the process's HOME, with no XDG variable pointing elsewhere.
    void enter() const;

    // The kind of file system the home is on ("ext4", "tmpfs", ...), as statfs tells it.
    std::string fileSystem() const;

private:
    std::filesystem::path path_;
};

}  // namespace tessivar::bench
