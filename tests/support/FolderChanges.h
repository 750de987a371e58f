#pragma once
#include <array>
#include <filesystem>

namespace tessivar::testing {

// What a user or a cleaning tool may do to a program's folder while it runs.
struct FolderChange {
    const char* name;
    void (*apply)(const std::filesystem::path& folder);
};

inline constexpr std::array<FolderChange, 2> folderChanges{{
    {"removed", [](const std::filesystem::path& folder) { std::filesystem::remove_all(folder); }},
    {"replaced",
     [](const std::filesystem::path& folder) {
         std::filesystem::rename(folder, folder.string() + ".old");
         std::filesystem::create_directory(folder);
     }},
}};

}  // namespace tessivar::testing
