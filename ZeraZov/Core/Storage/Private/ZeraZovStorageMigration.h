#pragma once
#include <filesystem>

namespace zerazov {

// Moves what an older layout kept directly in the base folder into the
// project's folder.
class ZeraZovStorageMigration {
public:
    // For every storage key in order: a file or folder named by the key in the
    // base folder is copied into the project folder when the project folder has
    // none of that name, then removed from the base folder. What the project
    // folder already has wins. A failed copy keeps the source for the next
    // start and leaves nothing half-copied behind.
    static void moveIntoProjectFolder(const std::filesystem::path& baseFolder,
                                      const std::filesystem::path& projectFolder);

private:
    static bool copyIntoPlace(const std::filesystem::path& source, const std::filesystem::path& target);
};

}  // namespace zerazov
