#include "ZeraZov/Core/Storage/FileUtils.h"

#include <system_error>

#include "Platform/Foundation/PrivateFolder.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {

namespace fs = std::filesystem;

void deleteSafely(const fs::path& path) {
    std::error_code error;
    if (!fs::exists(path, error)) return;
    fs::remove_all(path, error);
    if (error) ZeraZovDebugLog::write("Error trying to delete file " + path.string() + " " + error.message());
}

void createDirectoryAtURLIfNeeded(const fs::path& path) {
    std::error_code error;
    if (fs::exists(path, error)) return;
    if (const auto failed = platform::PrivateFolder::makeAll(path)) {
        ZeraZovDebugLog::write("Error creating storage directory: " + *failed);
    }
}

bool directoryExists(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace zerazov
