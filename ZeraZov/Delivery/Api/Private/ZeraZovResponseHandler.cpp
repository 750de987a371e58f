#include "ZeraZov/Delivery/Api/Private/ZeraZovResponseHandler.h"

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BoundedJSON.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

bool isSuccess(int status) { return status >= 200 && status <= 299; }

// Error bodies are logged as the service's JSON object when they hold one.
std::string bodyDescription(const std::string& body) {
    const auto parsed = body.empty() ? std::nullopt : jsonObject(body);
    return parsed ? parsed->dump() : "nil";
}

// Where a client-made error came from, as its text ends: " (ZeraZovResponseHandler.cpp:42)".
// The builtins rather than std::source_location: Clang 14, which builds the fuzz
// targets, cannot compile the latter over GCC's standard library.
std::string locationSuffix(std::string_view file = __builtin_FILE(), int line = __builtin_LINE()) {
    if (const auto slash = file.rfind('/'); slash != std::string_view::npos) file.remove_prefix(slash + 1);
    return " (" + std::string(file) + ":" + std::to_string(line) + ")";
}

}  // namespace

const ZeraZovResponseHandler::JSONTexts ZeraZovResponseHandler::flagsTexts{
    "Error calling the flags API: ", "Flags called successfully.",
    "Error parsing the flags response: ", "Error calling flags API: status: "};

const ZeraZovResponseHandler::JSONTexts ZeraZovResponseHandler::remoteConfigTexts{
    "Error calling the remote config API: ", "Remote config called successfully.",
    "Error parsing the remote config response: ", "Error calling the remote config API: status: "};

void ZeraZovResponseHandler::handleUploadResponse(std::string_view name, ZeraZovHttpResult result,
                                                  const UploadCompletion& completion) {
    if (auto* error = std::get_if<ZeraZovTransportError>(&result)) {
        ZeraZovDebugLog::write("Error calling the " + std::string(name) + " API: " + error->description + ".");
        return completion(ZeraZovUploadInfo{std::nullopt, std::move(*error)});
    }
    const auto& response = std::get<ZeraZovHttpResponse>(result);
    if (isSuccess(response.statusCode)) {
        ZeraZovDebugLog::write(std::string(name) + " sent successfully.");
        return completion(ZeraZovUploadInfo{response.statusCode, std::nullopt});
    }
    ZeraZovDebugLog::write("Error sending to " + std::string(name) + " API: status: " +
                           std::to_string(response.statusCode) + ", body: " + bodyDescription(response.body) + ".");
    completion(ZeraZovUploadInfo{response.statusCode, std::nullopt});
}

void ZeraZovResponseHandler::handleJSONResponse(const JSONTexts& texts, ZeraZovHttpResult result,
                                                const JSONCompletion& completion) {
    if (auto* error = std::get_if<ZeraZovTransportError>(&result)) {
        ZeraZovDebugLog::write(std::string(texts.transportError) + error->description);
        return completion(std::nullopt, std::move(*error));
    }
    const auto& response = std::get<ZeraZovHttpResponse>(result);
    if (isSuccess(response.statusCode)) return handleJSONBody(texts, response.body, completion);

    const auto message = std::string(texts.statusError) + std::to_string(response.statusCode) +
                         ", body: " + bodyDescription(response.body) + ".";
    ZeraZovDebugLog::write(message);
    completion(std::nullopt, InternalZeraZovError{message + locationSuffix()});
}

void ZeraZovResponseHandler::handleJSONBody(const JSONTexts& texts, const std::string& body,
                                            const JSONCompletion& completion) {
    ZeraZovDebugLog::write(texts.success);
    // An answer nested too deep fails here, as one that is no JSON does: whoever
    // asked keeps what it had.
    auto parsed = platform::BoundedJSON::parse(body);
    if (!parsed) {
        ZeraZovDebugLog::write(std::string(texts.parseError) + *parsed.failure());
        return completion(std::nullopt, ZeraZovParseError{*parsed.failure()});
    }
    if (!parsed->is_object()) return completion(std::nullopt, std::nullopt);
    completion(std::move(*parsed), std::nullopt);
}

}  // namespace zerazov
