// Feature-flag answers as the remote configuration takes them: normalised from the
// newer form, checked, merged into the cached flags (partly, when the server says
// some could not be computed) and stored. Whatever the answer, the caller hears of
// it exactly once, the newer form gives only Booleans and variant texts, the cache
// keeps what a refused answer would have replaced, and every flag then held answers
// a result (its payload text parsed as JSON when it is JSON).
#include <cstddef>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BoundedJSON.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Flags/ZeraZovRemoteConfig.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Core/Storage/ZeraZovStorageManager.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/JSONDepth.h"
#include "tests/fuzz/ScratchFolder.h"

namespace {

using nlohmann::json;
using zerazov::ZeraZovRemoteConfig;

const json cached{{"kept", true}, {"variant", "a"}};

bool isFlagValue(const json& value) { return value.is_boolean() || value.is_string(); }

// The remote configuration over a scratch folder holding `cached`, whose flags
// request the fuzzer answers at once with `answer`.
void load(const fuzzing::ScratchFolder& scratch, const json& answer) {
    static platform::ManualMainQueue mainQueue;
    static platform::NotificationCenter center;
    auto config = std::make_shared<zerazov::ZeraZovConfig>("zzk_fuzz");
    config->disableRemoteConfigForTesting = true;
    config->storageManager.set(std::make_shared<zerazov::ZeraZovStorageManager>(scratch.path(), "zzk_fuzz", nullptr));
    auto storage = std::make_shared<zerazov::ZeraZovStorage>(scratch.path(), "zzk_fuzz");
    storage->setJSON(zerazov::ZeraZovStorage::StorageKey::enabledFeatureFlags, cached);
    ZeraZovRemoteConfig::Requests requests{
        [](ZeraZovRemoteConfig::JSONCompletion) { return true; },
        [answer](ZeraZovRemoteConfig::FlagsRequest, ZeraZovRemoteConfig::JSONCompletion completion) {
            completion(answer);
        }};
    auto remote = std::make_shared<ZeraZovRemoteConfig>(
        config, storage, requests, ZeraZovRemoteConfig::Notifier{mainQueue, center}, nullptr, nullptr);
    remote->start();
    std::promise<std::optional<json>> heard;
    int calls = 0;
    remote->loadFeatureFlags([&](const std::optional<json>& flags) {
        ++calls;
        heard.set_value(flags);
    });
    const auto flags = heard.get_future().get();
    fuzzing::check(calls == 1, "the caller hears of an answer exactly once");
    mainQueue.drain();
    const auto held = remote->cachedFeatureFlags();
    fuzzing::check(held == (flags ? *flags : cached), "the cache holds what the caller was handed, or what it held");
    for (const auto& [key, value] : held.items()) {
        const auto result = remote->getFeatureFlagResult(key);
        fuzzing::check(result && result->key() == key, "every flag held answers a result");
        fuzzing::check(result->enabled() == (value.is_string() || value == true), "a result is on as its value says");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The HTTP client hands on JSON objects only, none nested deeper than the readers take.
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto answer = json::parse(bytes, nullptr, false);
    if (answer.is_discarded() || !answer.is_object()) return 0;
    if (fuzzing::textDepthOf(bytes) > platform::BoundedJSON::maxDepth) return 0;
    static const fuzzing::ScratchFolder scratch;
    scratch.empty();

    const auto normalized = ZeraZovRemoteConfig::normalizedFlagsResponse(answer);
    if (answer.contains("flags") && answer["flags"].is_object()) {
        for (const auto& [key, value] : normalized["featureFlags"].items()) {
            fuzzing::check(isFlagValue(value), "a normalised flag is a Boolean or a variant");
            fuzzing::check(answer["flags"].contains(key), "a normalised flag comes from the answer");
        }
        for (const auto& [key, value] : normalized["featureFlagPayloads"].items()) {
            fuzzing::check(normalized["featureFlags"].contains(key), "a payload belongs to a flag with a value");
        }
    }
    load(scratch, answer);
    return 0;
}
