// The service's answers: the first line is the HTTP status, the rest the body.
// Every answer must reach its completion exactly once; a JSON answer hands on a
// 2xx body that is a JSON object and nothing else, and an upload reports the
// status it got; a body nested deeper than the readers take is a parse error.
// The debug log is on, so that error bodies are described too.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BoundedJSON.h"
#include "Platform/Foundation/Log.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/Api/Private/ZeraZovResponseHandler.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/JSONDepth.h"

namespace {

using nlohmann::json;
using zerazov::ZeraZovError;
using zerazov::ZeraZovHttpResponse;
using zerazov::ZeraZovResponseHandler;

// A first line that is no number stands for 200, so that most inputs reach the body's parser.
ZeraZovHttpResponse answer(std::string_view bytes) {
    const auto lineEnd = bytes.find('\n');
    const auto statusText = bytes.substr(0, lineEnd);
    int status = 200;
    std::from_chars(statusText.data(), statusText.data() + statusText.size(), status);
    const auto body = lineEnd == std::string_view::npos ? std::string_view() : bytes.substr(lineEnd + 1);
    return ZeraZovHttpResponse{status, std::string(body)};
}

bool isSuccess(int status) { return status >= 200 && status <= 299; }

template <typename Error>
bool holds(const std::optional<ZeraZovError>& error) {
    return error && std::holds_alternative<Error>(*error);
}

void checkJSONAnswer(const ZeraZovHttpResponse& response) {
    int calls = 0;
    std::optional<json> value;
    std::optional<ZeraZovError> error;
    ZeraZovResponseHandler::handleJSONResponse(ZeraZovResponseHandler::flagsTexts, response,
                                               [&](std::optional<json> handed, std::optional<ZeraZovError> failed) {
                                                   ++calls;
                                                   value = std::move(handed);
                                                   error = std::move(failed);
                                               });
    fuzzing::check(calls == 1, "a JSON answer completes exactly once");
    if (!isSuccess(response.statusCode)) {
        fuzzing::check(!value && holds<zerazov::InternalZeraZovError>(error), "an error status hands on an error only");
        return;
    }
    const auto parsed = json::parse(response.body, nullptr, false);
    if (parsed.is_discarded()) {
        fuzzing::check(!value && holds<zerazov::ZeraZovParseError>(error), "a body that is not JSON is a parse error");
        return;
    }
    if (fuzzing::textDepthOf(response.body) > platform::BoundedJSON::maxDepth) {
        fuzzing::check(!value && holds<zerazov::ZeraZovParseError>(error), "a body nested too deep is a parse error");
        return;
    }
    fuzzing::check(!error, "a 2xx JSON body is no error");
    fuzzing::check(parsed.is_object() ? value == parsed : !value, "only a JSON object is handed on, as it was sent");
}

void checkUploadAnswer(const ZeraZovHttpResponse& response) {
    int calls = 0;
    zerazov::ZeraZovUploadInfo info;
    ZeraZovResponseHandler::handleUploadResponse("batch", response, [&](zerazov::ZeraZovUploadInfo handed) {
        ++calls;
        info = std::move(handed);
    });
    fuzzing::check(calls == 1, "an upload answer completes exactly once");
    fuzzing::check(info.statusCode == response.statusCode && !info.error, "an upload reports the status it got");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    zerazov::ZeraZovDebugLog::setEnabled(true);
    platform::Log::setSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto response = answer(std::string_view(reinterpret_cast<const char*>(data), size));
    checkJSONAnswer(response);
    checkUploadAnswer(response);
    return 0;
}
