#pragma once
#include <array>
#include <filesystem>
#include <fstream>

namespace tessivar::testing {

// What a user or a cleaning tool may do to a program's folder while it runs.
struct FolderChange {
    const char* name;
    void (*apply)(const std::filesystem::path& folder);
};

inline constexpr std::array<FolderChange, 3> folderChanges{{
    {"removed", [](const std::filesystem::path& folder) { std::filesystem::remove_all(folder); }},
    {"replaced",
     [](const std::filesystem::path& folder) {
         std::filesystem::rename(folder, folder.string() + ".old");
         std::filesystem::create_directory(folder);
     }},
    {"replaced by a file",
     [](const std::filesystem::path& folder) {
         std::filesystem::remove_all(folder);
         std::ofstream(folder) << "not the program's";
     }},
}};

}  // namespace tessivar::testing
