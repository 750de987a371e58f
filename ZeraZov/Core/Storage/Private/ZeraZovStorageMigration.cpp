#include "ZeraZov/Core/Storage/Private/ZeraZovStorageMigration.h"

#include <string>
#include <system_error>

#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

namespace fs = std::filesystem;

bool somethingAt(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(path, ignored);
}

bool isLink(const fs::path& path) {
    std::error_code ignored;
    return fs::is_symlink(fs::symlink_status(path, ignored));
}

bool sameFolder(const fs::path& a, const fs::path& b) {
    std::error_code error;
    const bool same = fs::equivalent(a, b, error);
    return !error && same;
}

void removeSource(std::string_view rawValue, const fs::path& source) {
    std::error_code error;
    fs::remove_all(source, error);
    if (!error) return;
    ZeraZovDebugLog::write("Could not delete file " + std::string(rawValue) + " at path " + source.string() + ": " +
                           error.message());
}

}  // namespace

void ZeraZovStorageMigration::moveIntoProjectFolder(const fs::path& baseFolder, const fs::path& projectFolder) {
    std::error_code error;
    if (!fs::is_directory(baseFolder, error)) return;
    // An empty project token makes both folders one; "moving" a file onto itself
    // would only delete it.
    if (sameFolder(baseFolder, projectFolder)) return;
    for (const auto key : ZeraZovStorage::allCases()) {
        const auto rawValue = ZeraZovStorage::rawValue(key);
        const fs::path source = baseFolder / rawValue;
        if (!somethingAt(source)) continue;
        if (isLink(source)) {
            ZeraZovDebugLog::write("Storage migration left alone " + source.string() + ": a symbolic link");
            continue;
        }
        const fs::path target = projectFolder / rawValue;
        const bool copied = somethingAt(target) || copyIntoPlace(source, target);
        if (!copied) continue;
        removeSource(rawValue, source);
    }
}

// Copies under a temporary name and renames into place, so that a copy broken
// off half-way never looks like a finished one to the next start.
bool ZeraZovStorageMigration::copyIntoPlace(const fs::path& source, const fs::path& target) {
    const fs::path temporary = target.string() + ".migrating";
    std::error_code error;
    fs::remove_all(temporary, error);
    error.clear();
    // A link inside is not followed into what is not ours; it goes with the source.
    fs::copy(source, temporary, fs::copy_options::recursive | fs::copy_options::skip_symlinks, error);
    if (!error) fs::rename(temporary, target, error);
    if (!error) return true;
    const std::string rawValue = target.filename().string();
    ZeraZovDebugLog::write("Error during storage migration for file " + rawValue + " at path " + source.string() +
                           ": " + error.message());
    std::error_code ignored;
    fs::remove_all(temporary, ignored);
    return false;
}

}  // namespace zerazov
