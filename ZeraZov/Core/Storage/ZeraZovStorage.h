#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/PrivateFolder.h"

namespace zerazov {

class ZeraZovConfig;

// The client's only persistent key-value store: one JSON file per key in the
// project's own folder, beside the upload queues' folders, which are named by
// keys too. There is no lock: each user guards its own keys, and every call goes
// straight to the file system. No call throws or reports a failure; failures go
// to the debug log and reads answer nothing.
class ZeraZovStorage {
public:
    // The raw value of a key is its file or folder name in the project folder;
    // log lines name a key by its case name.
    enum class StorageKey {
        distinctId,
        anonymousId,
        queue,
        oldQueueFolder,
        oldQueuePlist,
        replayQeueue,
        oldReplayQueue,
        replayBufferQueue,
        logsQueue,
        enabledFeatureFlags,
        enabledFeatureFlagPayloads,
        flags,
        groups,
        registerProperties,
        optOut,
        sessionReplay,
        isIdentified,
        personProcessingEnabled,
        remoteConfig,
        surveySeen,
        lastSeenSurveyDate,
        requestId,
        evaluatedAt,
        personPropertiesForFlags,
        groupPropertiesForFlags,
        errorTracking,
        deviceId,
    };
    static constexpr std::size_t keyCount = 27;

    // Every key, in declaration order.
    static const std::array<StorageKey, keyCount>& allCases();
    static std::string_view rawValue(StorageKey key);
    static std::string_view caseName(StorageKey key);
    // Nothing for a text that names no key.
    static std::optional<StorageKey> storageKey(std::string_view rawValue);

    // $XDG_DATA_HOME/<bundle identifier>; "com.zerazov.unknown" stands in for an
    // empty identifier.
    static std::filesystem::path applicationSupportDirectoryURL(std::string_view bundleIdentifier);

    // The project folder is applicationSupportDirectoryURL(the program's identifier) + the project token.
    // It is created here, 0700 as are the missing folders above it, and values an
    // older layout kept directly in the base folder are moved into it. When it
    // cannot be made, or a link stands where it or the base folder should be, the
    // store reads and writes nothing. An app-group identifier means nothing on this
    // platform and is ignored.
    ZeraZovStorage(const ZeraZovConfig& config, const platform::BundleInfo& program);
    // The same over an explicit base folder.
    ZeraZovStorage(const std::filesystem::path& baseFolder, std::string_view projectToken);

    const std::filesystem::path& appFolderUrl() const { return appFolderUrl_; }
    std::filesystem::path url(StorageKey key) const { return appFolderUrl_ / rawValue(key); }
    // The key's folder as one of the program's own: the base folder, the project
    // folder and the key's folder are never links it follows.
    platform::PrivateFolder folder(StorageKey key) const;

    // Both work through the project folder's descriptor (see folder()), so a
    // link put where the project folder was is never followed.
    // The file's bytes; nothing when it is missing or cannot be read. A symbolic
    // link in the file's place is not followed: it reads as nothing.
    std::optional<std::string> getData(StorageKey key) const;
    // Replaces the file atomically with the bytes, or deletes it without bytes.
    // A symbolic link in the file's place is replaced (and said in the debug
    // log); the file it named is never written.
    void setData(StorageKey key, const std::optional<std::string>& contents) const;

    // The parsed file; nothing when missing, unreadable or not JSON.
    std::optional<nlohmann::json> getJSON(StorageKey key) const;
    // Objects and arrays are written as they are; any other value is wrapped in
    // {raw value: value}. A value that cannot be written as JSON deletes the file.
    void setJSON(StorageKey key, const nlohmann::json& json) const;

    // Forgets identity, flags and configuration. Keeps the live queue folders,
    // "zerazov.evaluatedAt", "zerazov.deviceId" and, when asked, the anonymous id.
    void reset(bool keepAnonymousId) const;

    // A bare value of the type, or the member named by the key's raw value.
    std::optional<std::string> getString(StorageKey key) const;
    std::optional<bool> getBool(StorageKey key) const;
    // Numbers with a fraction give their integer part.
    std::optional<std::int64_t> getNumber(StorageKey key) const;

private:
    // The base folder's parent (the user's data folder), and below it what is ours.
    std::filesystem::path ownedRoot_;
    std::filesystem::path ownedPart_;
    // The project folder could not be made, or a link stands where it or the
    // base folder should be: no value is read or written through it.
    bool refused_ = false;
    std::filesystem::path appFolderUrl_;
};

}  // namespace zerazov
