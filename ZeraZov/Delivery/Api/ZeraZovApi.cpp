#include "ZeraZov/Delivery/Api/ZeraZovApi.h"

#include <strings.h>
#include <utility>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/SystemInfo.h"
#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/Api/Gzip.h"
#include "ZeraZov/Delivery/Api/Private/ZeraZovResponseHandler.h"
#include "ZeraZov/Delivery/Api/Private/ZeraZovURLBuilder.h"

namespace zerazov {
namespace {

using Header = ZeraZovHttpRequest::Header;

// Replaces every header of that name, whatever its case, as HTTP names are case-insensitive.
void setHeader(std::vector<Header>& headers, const std::string& name, std::string value) {
    std::erase_if(headers,
                  [&name](const Header& header) { return strcasecmp(header.first.c_str(), name.c_str()) == 0; });
    headers.emplace_back(name, std::move(value));
}

std::vector<Header> sessionHeadersFrom(std::vector<Header> additional) {
    setHeader(additional, "Content-Type", "application/json; charset=utf-8");
    setHeader(additional, "User-Agent", ZeraZovLibraryInfo::name() + "/" + ZeraZovLibraryInfo::version);
    setHeader(additional, "Accept-Encoding", "gzip");
    return additional;
}

// Compact JSON text; nothing for values that cannot be written, such as invalid UTF-8.
std::optional<std::string> serialised(const nlohmann::json& body) {
    try {
        return body.dump();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

nlohmann::json eventsJSON(const std::vector<ZeraZovEvent>& events) {
    auto list = nlohmann::json::array();
    for (const auto& event : events) list.push_back(event.toJSON());
    return list;
}

template <typename Completion>
Completion orIgnored(Completion completion) {
    if (completion) return completion;
    return [](auto&&...) {};
}

}  // namespace

ZeraZovApi::ZeraZovApi(std::shared_ptr<const ZeraZovConfig> config, const platform::Clock& clock)
    : ZeraZovApi(config, config->urlSessionConfiguration.get().value_or(ZeraZovSessionConfiguration{}), clock) {}

ZeraZovApi::ZeraZovApi(std::shared_ptr<const ZeraZovConfig> config, ZeraZovSessionConfiguration session,
                       const platform::Clock& clock)
    : config_(std::move(config)),
      clock_(clock),
      // libcurl reads zero as "no limit": one server that never answers would
      // then hold a queue's flush forever.
      timeout_(session.timeout > std::chrono::milliseconds::zero() ? session.timeout
                                                                   : ZeraZovSessionConfiguration::defaultTimeout),
      sessionHeaders_(sessionHeadersFrom(std::move(session.additionalHeaders))),
      transport_(std::make_unique<ZeraZovHttpTransport>(std::move(session.caFile))) {}

void ZeraZovApi::batch(const std::vector<ZeraZovEvent>& events, UploadCompletion completion) const {
    const nlohmann::json body{{"api_key", config_->projectToken()},
                              {"batch", eventsJSON(events)},
                              {"sent_at", toISO8601String(clock_.now())}};
    upload("batch", endpointURL(batchPath, {}), serialised(body), orIgnored(std::move(completion)));
}

ZeraZovStoredBatchBody ZeraZovApi::storedBatchBody(const std::vector<std::string>& eventTexts) const {
    return ZeraZovStoredBatchBody(config_->projectToken(), eventTexts);
}

void ZeraZovApi::batchStored(ZeraZovStoredBatchBody body, UploadCompletion completion) const {
    uploadCompressed(
        "batch", endpointURL(batchPath, {}), [this, &body] { return body.finish(toISO8601String(clock_.now())); },
        orIgnored(std::move(completion)));
}

void ZeraZovApi::snapshot(const std::vector<ZeraZovEvent>& events, UploadCompletion completion) const {
    upload("snapshot", endpointURL(config_->snapshotEndpoint.get(), {}), serialised(eventsJSON(events)),
           orIgnored(std::move(completion)));
}

void ZeraZovApi::logs(std::string payload, UploadCompletion completion) const {
    upload("logs", endpointURL(logsPath, {{"token", config_->projectToken()}}), std::move(payload),
           orIgnored(std::move(completion)));
}

void ZeraZovApi::upload(std::string_view name, const std::optional<std::string>& url,
                        const std::optional<std::string>& body, UploadCompletion completion) const {
    uploadCompressed(
        name, url,
        [&body]() -> std::optional<Gzip::Result> {
            if (!body) return std::nullopt;
            return Gzip::gzipped(*body);
        },
        std::move(completion));
}

void ZeraZovApi::uploadCompressed(std::string_view name, const std::optional<std::string>& url,
                                  const std::function<std::optional<Gzip::Result>()>& compressedBody,
                                  UploadCompletion completion) const {
    const std::string label(name);
    if (!url) {
        ZeraZovDebugLog::write("Malformed " + label + " URL error.");
        return completion({});
    }
    auto body = compressedBody();
    if (!body) {
        ZeraZovDebugLog::write("Error parsing the " + label + " body");
        return completion({});
    }
    auto& compressed = *body;
    if (auto* error = std::get_if<GzipError>(&compressed)) {
        ZeraZovDebugLog::write("Error gzipping the " + label + " body: " + describe(*error) + ".");
        return completion(ZeraZovUploadInfo{std::nullopt, *error});
    }
    auto post = request(ZeraZovHttpRequest::Method::post, *url);
    post.headers.emplace_back("Content-Encoding", "gzip");
    // A batch the server took must not be sent again because its answer ran long.
    post.answerMayBeCut = true;
    post.body = std::move(std::get<std::string>(compressed));
    transport_->send(std::move(post), [label, completion = std::move(completion)](ZeraZovHttpResult result) {
        ZeraZovResponseHandler::handleUploadResponse(label, std::move(result), completion);
    });
}

void ZeraZovApi::flags(const std::string& distinctId, const std::optional<std::string>& anonymousId,
                       const std::optional<std::string>& deviceId, const Groups& groups,
                       const nlohmann::json& personProperties, const std::optional<nlohmann::json>& groupProperties,
                       JSONCompletion completion) const {
    completion = orIgnored(std::move(completion));
    const auto url = endpointURL(flagsPath, {{"v", "2"}});
    if (!url) {
        ZeraZovDebugLog::write("Malformed flags URL error.");
        return completion(std::nullopt, std::nullopt);
    }
    auto body = serialised(flagsBody(distinctId, anonymousId, deviceId, groups, personProperties, groupProperties));
    if (!body) {
        ZeraZovDebugLog::write("Error parsing the flags body");
        return completion(std::nullopt, std::nullopt);
    }
    auto flagsRequest = request(ZeraZovHttpRequest::Method::post, *url);
    flagsRequest.body = std::move(*body);
    transport_->send(std::move(flagsRequest), [completion = std::move(completion)](ZeraZovHttpResult result) {
        ZeraZovResponseHandler::handleJSONResponse(ZeraZovResponseHandler::flagsTexts, std::move(result), completion);
    });
}

nlohmann::json ZeraZovApi::flagsBody(const std::string& distinctId, const std::optional<std::string>& anonymousId,
                                     const std::optional<std::string>& deviceId, const Groups& groups,
                                     const nlohmann::json& personProperties,
                                     const std::optional<nlohmann::json>& groupProperties) const {
    nlohmann::json body{{"api_key", config_->projectToken()},
                        {"distinct_id", distinctId},
                        {"groups", groups},
                        {"timezone", platform::SystemInfo::current().timeZoneIdentifier().value_or("UTC")}};
    if (anonymousId) body["$anon_distinct_id"] = *anonymousId;
    if (deviceId) body["$device_id"] = *deviceId;
    if (!personProperties.empty()) body["person_properties"] = personProperties;
    if (groupProperties && !groupProperties->empty()) body["group_properties"] = *groupProperties;
    if (const auto contexts = config_->evaluationContexts.get(); contexts && !contexts->empty()) {
        body["evaluation_contexts"] = *contexts;
    }
    return body;
}

std::optional<ZeraZovHttpRequest> ZeraZovApi::getRemoteConfigRequest() const {
    std::string_view base = config_->host();
    if (base == usIngestionHost)
        base = usAssetsHost;
    else if (base == euIngestionHost)
        base = euAssetsHost;
    auto url = ZeraZovURLBuilder::appendingPathSegments(base, {"array", config_->projectToken(), "config"});
    if (!url) return std::nullopt;
    return request(ZeraZovHttpRequest::Method::get, std::move(*url));
}

void ZeraZovApi::remoteConfig(JSONCompletion completion) const {
    auto configRequest = getRemoteConfigRequest();
    if (!configRequest) {
        ZeraZovDebugLog::write("Error calling the remote config API: unable to create request");
        return;
    }
    transport_->send(std::move(*configRequest),
                     [completion = orIgnored(std::move(completion))](ZeraZovHttpResult result) {
                         ZeraZovResponseHandler::handleJSONResponse(ZeraZovResponseHandler::remoteConfigTexts,
                                                                    std::move(result), completion);
                     });
}

ZeraZovHttpRequest ZeraZovApi::request(ZeraZovHttpRequest::Method method, std::string url) const {
    return ZeraZovHttpRequest{method, std::move(url), sessionHeaders_, {}, timeout_};
}

std::optional<std::string> ZeraZovApi::endpointURL(
    std::string_view path, const std::vector<std::pair<std::string, std::string>>& query) const {
    return ZeraZovURLBuilder::endpoint(config_->host(), path, query);
}

}  // namespace zerazov
