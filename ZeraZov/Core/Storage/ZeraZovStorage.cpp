#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

#include <cerrno>
#include <cmath>
#include <limits>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BoundedJSON.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/DurableFile.h"
#include "Platform/Foundation/Paths.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Storage/FileUtils.h"
#include "ZeraZov/Core/Storage/Private/ZeraZovStorageMigration.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using Key = ZeraZovStorage::StorageKey;

struct KeyNames {
    std::string_view caseName;
    std::string_view rawValue;
};

// Indexed by the enumeration's value; the raw values are file names on disk and
// must never change.
constexpr std::array<KeyNames, ZeraZovStorage::keyCount> keyNames{{
    {"distinctId", "zerazov.distinctId"},
    {"anonymousId", "zerazov.anonymousId"},
    {"queue", "zerazov.queueFolder.uuid"},
    {"oldQueueFolder", "zerazov.queueFolder"},
    {"oldQueuePlist", "zerazov.queue.plist"},
    {"replayQeueue", "zerazov.replayFolder.uuid"},
    {"oldReplayQueue", "zerazov.replayFolder"},
    {"replayBufferQueue", "zerazov.replayBufferFolder"},
    {"logsQueue", "zerazov.logsFolder"},
    {"enabledFeatureFlags", "zerazov.enabledFeatureFlags"},
    {"enabledFeatureFlagPayloads", "zerazov.enabledFeatureFlagPayloads"},
    {"flags", "zerazov.flags"},
    {"groups", "zerazov.groups"},
    {"registerProperties", "zerazov.registerProperties"},
    {"optOut", "zerazov.optOut"},
    {"sessionReplay", "zerazov.sessionReplay"},
    {"isIdentified", "zerazov.isIdentified"},
    {"personProcessingEnabled", "zerazov.enabledPersonProcessing"},
    {"remoteConfig", "zerazov.remoteConfig"},
    {"surveySeen", "zerazov.surveySeen"},
    {"lastSeenSurveyDate", "zerazov.lastSeenSurveyDate"},
    {"requestId", "zerazov.requestId"},
    {"evaluatedAt", "zerazov.evaluatedAt"},
    {"personPropertiesForFlags", "zerazov.personPropertiesForFlags"},
    {"groupPropertiesForFlags", "zerazov.groupPropertiesForFlags"},
    {"errorTracking", "zerazov.errorTracking"},
    {"deviceId", "zerazov.deviceId"},
}};

constexpr std::array<ZeraZovStorage::StorageKey, ZeraZovStorage::keyCount> makeAllCases() {
    std::array<ZeraZovStorage::StorageKey, ZeraZovStorage::keyCount> keys{};
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = static_cast<Key>(i);
    return keys;
}

// What a reset deletes, in this order. Not here: the anonymous id (deleted only
// when not kept), the live queue folders, the evaluation time and the device id.
constexpr std::array resetKeys{
    Key::oldQueueFolder,
    Key::oldQueuePlist,
    Key::oldReplayQueue,
    Key::flags,
    Key::enabledFeatureFlags,
    Key::enabledFeatureFlagPayloads,
    Key::groups,
    Key::registerProperties,
    Key::optOut,
    Key::sessionReplay,
    Key::isIdentified,
    Key::personProcessingEnabled,
    Key::remoteConfig,
    Key::surveySeen,
    Key::lastSeenSurveyDate,
    Key::requestId,
    Key::personPropertiesForFlags,
    Key::groupPropertiesForFlags,
    Key::errorTracking,
};

fs::path withoutTrailingSlash(const fs::path& folder) {
    const auto normal = folder.lexically_normal();
    return normal.has_filename() ? normal : normal.parent_path();
}

std::string keyText(Key key) { return std::string(ZeraZovStorage::caseName(key)); }

// The bare value when the test accepts it, else the member named by the raw value
// of an object whose members all pass the test.
template <typename Accepts>
std::optional<json> bareOrWrapped(const json& value, Key key, Accepts accepts) {
    if (accepts(value)) return value;
    if (!value.is_object()) return std::nullopt;
    for (const auto& member : value) {
        if (!accepts(member)) return std::nullopt;
    }
    const auto member = value.find(ZeraZovStorage::rawValue(key));
    if (member == value.end()) return std::nullopt;
    return *member;
}

// Integers as they are; other numbers cut to their integer part when that fits.
std::optional<std::int64_t> integerValue(const json& value) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned() && value.get<std::uint64_t>() > std::numeric_limits<std::int64_t>::max()) {
            return std::nullopt;
        }
        return value.get<std::int64_t>();
    }
    if (!value.is_number_float()) return std::nullopt;
    const double number = std::trunc(value.get<double>());
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (!std::isfinite(number) || number >= limit || number < -limit) return std::nullopt;
    return static_cast<std::int64_t>(number);
}

// Scalars are wrapped so that every file holds an object or an array. NaN,
// infinities and broken UTF-8 have no JSON text and fail.
std::optional<std::string> serialized(Key key, const json& value) {
    const bool container = value.is_object() || value.is_array();
    const json stored = container ? value : json::object({{ZeraZovStorage::rawValue(key), value}});
    if (!isValidJSONValue(stored)) {
        ZeraZovDebugLog::write("Failed to serialize key '" + keyText(key) + "' error: the value has no JSON text");
        return std::nullopt;
    }
    try {
        return stored.dump();
    } catch (const json::exception& error) {
        ZeraZovDebugLog::write("Failed to serialize key '" + keyText(key) + "' error: " + error.what());
        return std::nullopt;
    }
}

bool isSymbolicLink(const fs::path& path) {
    std::error_code ignored;
    return fs::is_symlink(path, ignored);
}

}  // namespace

const std::array<ZeraZovStorage::StorageKey, ZeraZovStorage::keyCount>& ZeraZovStorage::allCases() {
    static constexpr auto keys = makeAllCases();
    return keys;
}

std::string_view ZeraZovStorage::rawValue(StorageKey key) { return keyNames[static_cast<std::size_t>(key)].rawValue; }

std::string_view ZeraZovStorage::caseName(StorageKey key) { return keyNames[static_cast<std::size_t>(key)].caseName; }

std::optional<ZeraZovStorage::StorageKey> ZeraZovStorage::storageKey(std::string_view raw) {
    for (const auto key : allCases()) {
        if (rawValue(key) == raw) return key;
    }
    return std::nullopt;
}

fs::path ZeraZovStorage::applicationSupportDirectoryURL(std::string_view bundleIdentifier) {
    const std::string_view folder = bundleIdentifier.empty() ? "com.zerazov.unknown" : bundleIdentifier;
    return platform::Paths::dataHome() / folder;
}

ZeraZovStorage::ZeraZovStorage(const ZeraZovConfig& config, const platform::BundleInfo& program)
    : ZeraZovStorage(applicationSupportDirectoryURL(program.identifier), config.projectToken()) {}

// A link where the base or the project folder should be is left alone: nothing
// is moved out of it or into it.
ZeraZovStorage::ZeraZovStorage(const fs::path& baseFolder, std::string_view projectToken)
    : appFolderUrl_(baseFolder / projectToken) {
    const platform::PrivateFolder base(withoutTrailingSlash(baseFolder));
    ownedRoot_ = base.root();
    ownedPart_ = base.own() / projectToken;
    if (const auto error = platform::PrivateFolder(ownedRoot_, ownedPart_).make()) {
        ZeraZovDebugLog::write("Error creating storage directory: " + *error);
        refused_ = true;
        return;
    }
    ZeraZovStorageMigration::moveIntoProjectFolder(baseFolder, appFolderUrl_);
}

platform::PrivateFolder ZeraZovStorage::folder(StorageKey key) const {
    return platform::PrivateFolder(ownedRoot_, ownedPart_ / rawValue(key));
}

// Read through the project folder's descriptor, never through a link: a value
// file is the client's own, and a link in its place names someone else's file.
std::optional<std::string> ZeraZovStorage::getData(StorageKey key) const {
    if (refused_) return std::nullopt;
    const auto folder = platform::PrivateFolder(ownedRoot_, ownedPart_).open();
    if (!folder) {
        // Removed while the program runs, the folder holds no value; anything else is said.
        if (folder.failure().errorNumber() != ENOENT) {
            ZeraZovDebugLog::write("Error reading data from key " + keyText(key) + ": " + *folder.failure());
        }
        return std::nullopt;
    }
    auto result = platform::DurableFile::readAt(folder->get(), std::string(rawValue(key)));
    if (result) return std::move(*result);
    if (platform::DurableFile::missing(result)) return std::nullopt;
    const std::string why =
        isSymbolicLink(url(key)) ? url(key).string() + " is a symbolic link, not followed" : *result.failure();
    ZeraZovDebugLog::write("Error reading data from key " + keyText(key) + ": " + why);
    return std::nullopt;
}

// A link in a value's place is replaced by the value's own file: the client
// keeps what it stores (an id that changed at every launch would split one
// user into many), and the file the link named is neither written nor moved.
void ZeraZovStorage::setData(StorageKey key, const std::optional<std::string>& contents) const {
    if (refused_) return;
    if (!contents) {
        deleteSafely(url(key));
        return;
    }
    const auto folder = platform::PrivateFolder(ownedRoot_, ownedPart_).open();
    const bool replacesLink = isSymbolicLink(url(key));
    const auto error = folder ? platform::DurableFile::writeOwnAt(folder->get(), std::string(rawValue(key)), *contents)
                              : folder.failure();
    if (error) {
        ZeraZovDebugLog::write("Failed to write data for key '" + keyText(key) + "' error: " + *error);
        return;
    }
    if (replacesLink) {
        ZeraZovDebugLog::write("The symbolic link " + url(key).string() + " for key '" + keyText(key) +
                               "' was replaced by the value's own file; the file it named is left as it was");
    }
}

std::optional<json> ZeraZovStorage::getJSON(StorageKey key) const {
    const auto data = getData(key);
    if (!data) return std::nullopt;
    // A file nested too deep reads as absent, as a broken one does.
    auto value = platform::BoundedJSON::parse(*data);
    if (!value) {
        ZeraZovDebugLog::write("Failed to serialize key '" + keyText(key) + "' error: " + *value.failure());
        return std::nullopt;
    }
    return std::move(*value);
}

void ZeraZovStorage::setJSON(StorageKey key, const json& value) const {
    const auto bytes = serialized(key, value);
    if (!bytes) {
        // A value that cannot be stored must not leave the previous one in place.
        setData(key, std::nullopt);
        return;
    }
    setData(key, bytes);
}

void ZeraZovStorage::reset(bool keepAnonymousId) const {
    if (refused_) return;
    deleteSafely(url(Key::distinctId));
    if (!keepAnonymousId) deleteSafely(url(Key::anonymousId));
    for (const auto key : resetKeys) deleteSafely(url(key));
}

std::optional<std::string> ZeraZovStorage::getString(StorageKey key) const {
    const auto value = getJSON(key);
    if (!value) return std::nullopt;
    const auto text = bareOrWrapped(*value, key, [](const json& v) { return v.is_string(); });
    if (!text) return std::nullopt;
    return text->get<std::string>();
}

std::optional<bool> ZeraZovStorage::getBool(StorageKey key) const {
    const auto value = getJSON(key);
    if (!value) return std::nullopt;
    const auto flag = bareOrWrapped(*value, key, [](const json& v) { return v.is_boolean(); });
    if (!flag) return std::nullopt;
    return flag->get<bool>();
}

std::optional<std::int64_t> ZeraZovStorage::getNumber(StorageKey key) const {
    const auto value = getJSON(key);
    if (!value) return std::nullopt;
    if (value->is_object()) {
        const auto member = value->find(rawValue(key));
        if (member == value->end()) return std::nullopt;
        return integerValue(*member);
    }
    return integerValue(*value);
}

}  // namespace zerazov
