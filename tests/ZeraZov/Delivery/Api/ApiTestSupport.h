#pragma once
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "CompletionRecorder.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Delivery/Api/ZeraZovApi.h"

namespace zerazov::testing {

// What a flags or remote-configuration completion delivered.
struct JSONOutcome {
    std::optional<nlohmann::json> object;
    std::optional<ZeraZovError> error;
};

inline constexpr const char* testToken = "zzk_test";

std::shared_ptr<const ZeraZovConfig> configFor(const std::string& host, const std::string& token = testToken);
// A configuration that carries the given network settings.
std::shared_ptr<const ZeraZovConfig> configFor(const std::string& host, const ZeraZovSessionConfiguration& session);
ZeraZovEvent sampleEvent(const std::string& name);

ZeraZovApi::UploadCompletion recordingInto(CompletionRecorder<ZeraZovUploadInfo>& recorder);
ZeraZovApi::JSONCompletion recordingInto(CompletionRecorder<JSONOutcome>& recorder);

// The libcurl code of a transport error, or nothing for any other outcome.
std::optional<int> transportErrorCode(const std::optional<ZeraZovError>& error);

}  // namespace zerazov::testing
