#include "ZeraZov/Delivery/FileQueue/Private/ZeraZovQueueMigration.h"

#include <chrono>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BoundedJSON.h"
#include "Platform/Foundation/NumberFormat.h"
#include "Platform/Foundation/Result.h"
#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Core/Storage/FileUtils.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

namespace fs = std::filesystem;
using Date = ZeraZovAPIDateFormatter::Date;

platform::Result<std::vector<std::string>> entryNames(const fs::path& folder) {
    std::error_code error;
    std::vector<std::string> names;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        names.push_back(it->path().filename().string());
    }
    if (error) return platform::Failure(error.message());
    return names;
}

// The old copy goes only after the new one reached the disk, so a power cut in
// between cannot take both.
void deleteOnceMigrated(const fs::path& oldLocation, const ZeraZovQueueFolder& folder) {
    if (const auto error = folder.sync()) ZeraZovDebugLog::write("Could not sync migrated records to disk: " + *error);
    deleteSafely(oldLocation);
}

bool isRegularFile(const fs::path& file) {
    std::error_code ignored;
    return fs::symlink_status(file, ignored).type() == fs::file_type::regular;
}

// Only regular files are records; anything else goes with the old folder.
void migrateOldFolder(const fs::path& oldFolder, const ZeraZovQueueFolder& folder) {
    const auto names = entryNames(oldFolder);
    if (!names) ZeraZovDebugLog::write("Failed to read queue folder " + *names.failure());
    for (const auto& name : names.valueOr({})) {
        if (!isRegularFile(oldFolder / name)) continue;
        if (const auto moveError = folder.moveIn(oldFolder / name, name)) {
            ZeraZovDebugLog::write("Failed to migrate file " + name + ": " + *moveError);
        }
    }
    deleteOnceMigrated(oldFolder, folder);
}

// The event's own time; events without a readable one are stamped now.
Date legacyDate(const nlohmann::json& element) {
    const auto now = std::chrono::system_clock::now();
    const auto timestamp = element.find("timestamp");
    const bool hasText = timestamp != element.end() && timestamp->is_string();
    const auto text = hasText ? timestamp->get<std::string>() : toISO8601String(now);
    return toISO8601Date(text).value_or(now);
}

// Seconds since 1970 in the shortest text that reads back to the same double,
// always in plain notation with a fraction ("1714564800.0", never "1.7e+09").
std::string secondsText(Date date) {
    const auto whole = std::chrono::floor<std::chrono::seconds>(date);
    const auto fraction = std::chrono::duration_cast<std::chrono::nanoseconds>(date - whole);
    return platform::formatDouble(static_cast<double>(whole.time_since_epoch().count()) +
                                  static_cast<double>(fraction.count()) / 1e9);
}

// Two events of one timestamp would otherwise land in one file and the first
// would be lost; the second gets "-1", the third "-2", and so on. Only names
// written by this migration count as taken: a migration cut short and run again
// rewrites its own earlier files instead of queueing every event twice.
std::string unusedName(const std::set<std::string>& written, const std::string& name) {
    auto candidate = name;
    for (int clash = 1; written.contains(candidate); ++clash) candidate = name + "-" + std::to_string(clash);
    return candidate;
}

// The error text when the event could not be stored.
platform::Failure writeLegacyEvent(const nlohmann::json& element, const ZeraZovQueueFolder& folder,
                                   std::set<std::string>& written) {
    std::string bytes;
    try {
        bytes = element.dump();
    } catch (const nlohmann::json::exception& error) {
        return error.what();
    }
    auto name = unusedName(written, secondsText(legacyDate(element)));
    if (auto error = folder.write(name, bytes)) return error;
    written.insert(std::move(name));
    return std::nullopt;
}

// The error text when the file could not be read or parsed, or an event could
// not be stored; the events after a failed one are not migrated.
platform::Failure migrateLegacyEvents(const fs::path& legacyFile, const ZeraZovQueueFolder& folder) {
    const auto file = platform::DurableFile::read(legacyFile);
    if (!file) return file.failure();
    auto parsed = platform::BoundedJSON::parse(*file);
    if (!parsed) return parsed.failure();
    const nlohmann::json events = std::move(*parsed);
    if (!events.is_array()) {
        ZeraZovDebugLog::write("Failed to migrate queue: invalid data format");
        return std::nullopt;
    }
    std::set<std::string> written;
    for (const auto& element : events) {
        if (!element.is_object()) {
            ZeraZovDebugLog::write(std::string("Dropped a legacy queue entry that is not an event but ") +
                                   element.type_name());
            continue;
        }
        if (auto error = writeLegacyEvent(element, folder, written)) return error;
    }
    return std::nullopt;
}

void migrateLegacyFile(const fs::path& legacyFile, const ZeraZovQueueFolder& folder) {
    if (const auto error = migrateLegacyEvents(legacyFile, folder)) {
        ZeraZovDebugLog::write("Failed to migrate queue " + *error);
    }
    deleteOnceMigrated(legacyFile, folder);
}

}  // namespace

void migrateOldQueue(const fs::path& oldLocation, const ZeraZovQueueFolder& folder) {
    std::error_code error;
    const auto status = fs::symlink_status(oldLocation, error);
    if (!fs::exists(status)) return;
    if (fs::is_symlink(status)) {
        ZeraZovDebugLog::write("Old queue " + oldLocation.string() + " is a symbolic link; left alone");
        return;
    }
    if (fs::is_directory(status)) {
        migrateOldFolder(oldLocation, folder);
        return;
    }
    migrateLegacyFile(oldLocation, folder);
}

}  // namespace zerazov
