#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "ZeraZov/Delivery/Api/ZeraZovError.h"
#include "ZeraZov/Delivery/Api/ZeraZovHttpTransport.h"
#include "ZeraZov/Delivery/Endpoints/ZeraZovUploadInfo.h"

namespace zerazov {

// Turns what the transport delivered into the HTTP client's results and debug lines.
// Holds nothing of the client, so an answer can still be handled while the client
// that sent the request is going away.
class ZeraZovResponseHandler {
public:
    using UploadCompletion = std::function<void(ZeraZovUploadInfo)>;
    using JSONCompletion = std::function<void(std::optional<nlohmann::json>, std::optional<ZeraZovError>)>;

    // The debug texts of one JSON request (flags, remote configuration).
    struct JSONTexts {
        std::string_view transportError;  // followed by the error
        std::string_view success;
        std::string_view parseError;   // followed by the parser's message
        std::string_view statusError;  // followed by the status, ", body: " and the body
    };
    static const JSONTexts flagsTexts;
    static const JSONTexts remoteConfigTexts;

    // An upload's answer: a status of any class is reported, only a missing answer is an error.
    static void handleUploadResponse(std::string_view name, ZeraZovHttpResult result,
                                     const UploadCompletion& completion);
    // A JSON answer: only a 2xx body that parses is handed on.
    static void handleJSONResponse(const JSONTexts& texts, ZeraZovHttpResult result, const JSONCompletion& completion);

private:
    static void handleJSONBody(const JSONTexts& texts, const std::string& body, const JSONCompletion& completion);
};

}  // namespace zerazov
