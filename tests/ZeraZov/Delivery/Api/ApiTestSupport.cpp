#include "ApiTestSupport.h"

#include <chrono>
#include <cstdlib>

#include "ZeraZov/Core/Identity/UUID.h"

namespace zerazov::testing {
namespace {

// A proxy from the environment would take the loopback requests somewhere else.
[[maybe_unused]] const bool loopbackBypassesProxies = [] {
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    return true;
}();

}  // namespace

std::shared_ptr<const ZeraZovConfig> configFor(const std::string& host, const std::string& token) {
    return std::make_shared<ZeraZovConfig>(token, host);
}

std::shared_ptr<const ZeraZovConfig> configFor(const std::string& host, const ZeraZovSessionConfiguration& session) {
    auto config = std::make_shared<ZeraZovConfig>(testToken, host);
    config->urlSessionConfiguration.set(session);
    return config;
}

ZeraZovEvent sampleEvent(const std::string& name) {
    const auto timestamp = std::chrono::system_clock::time_point(std::chrono::milliseconds(1714564800123));
    return ZeraZovEvent(name, "user-1", nlohmann::json{{"plan", "pro"}, {"seats", 3}}, timestamp, UUID::random());
}

ZeraZovApi::UploadCompletion recordingInto(CompletionRecorder<ZeraZovUploadInfo>& recorder) {
    return [&recorder](ZeraZovUploadInfo info) { recorder.record(std::move(info)); };
}

ZeraZovApi::JSONCompletion recordingInto(CompletionRecorder<JSONOutcome>& recorder) {
    return [&recorder](std::optional<nlohmann::json> object, std::optional<ZeraZovError> error) {
        recorder.record(JSONOutcome{std::move(object), std::move(error)});
    };
}

std::optional<int> transportErrorCode(const std::optional<ZeraZovError>& error) {
    if (!error) return std::nullopt;
    const auto* transport = std::get_if<ZeraZovTransportError>(&*error);
    if (transport == nullptr) return std::nullopt;
    return transport->code;
}

}  // namespace zerazov::testing
