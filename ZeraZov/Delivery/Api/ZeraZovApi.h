#pragma once
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "Platform/Foundation/Clock.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Delivery/Api/Gzip.h"
#include "ZeraZov/Delivery/Api/ZeraZovError.h"
#include "ZeraZov/Delivery/Api/ZeraZovHttpTransport.h"
#include "ZeraZov/Delivery/Endpoints/ZeraZovStoredBatchBody.h"
#include "ZeraZov/Delivery/Endpoints/ZeraZovUploadInfo.h"

namespace zerazov {

// The analytics client's only HTTP client: builds each request, compresses upload
// bodies, starts one request per call and turns the answer into a small result. It
// never retries, caches or queues; the caller decides what an outcome means.
//
// Every completion is called exactly once, except remoteConfig()'s when no request can
// be built. Completions of requests that went out run on the transport's worker thread;
// failures found before sending (no URL, a body that does not serialise or compress)
// complete at once on the calling thread. Nothing here throws.
class ZeraZovApi {
public:
    using UploadCompletion = std::function<void(ZeraZovUploadInfo)>;
    // The answer's JSON object (nothing when it was another value), or why there is none.
    using JSONCompletion = std::function<void(std::optional<nlohmann::json>, std::optional<ZeraZovError>)>;
    using Groups = std::map<std::string, std::string>;

    static constexpr std::string_view usIngestionHost = ZeraZovConfig::defaultHost;
    static constexpr std::string_view euIngestionHost = "https://eu.i.zerazov.example";
    static constexpr std::string_view usAssetsHost = "https://us-assets.i.zerazov.example";
    static constexpr std::string_view euAssetsHost = "https://eu-assets.i.zerazov.example";

    static constexpr std::string_view batchPath = "/batch";
    static constexpr std::string_view logsPath = "/i/v1/logs";
    static constexpr std::string_view flagsPath = "/flags";

    // The network settings come from the configuration's urlSessionConfiguration as
    // it is now; the "User-Agent" is fixed here too, from the SDK name of this moment.
    explicit ZeraZovApi(std::shared_ptr<const ZeraZovConfig> config,
                        const platform::Clock& clock = platform::SystemClock::shared());

    // POST "/batch": {"api_key", "batch", "sent_at"}, gzip-compressed.
    void batch(const std::vector<ZeraZovEvent>& events, UploadCompletion completion) const;
    // The same upload from events already in their JSON text, as the events queue
    // stores them (see ZeraZovStoredBatch::eventText): nothing is parsed again.
    // The body is made first, ahead of the upload, and finished when it goes out.
    ZeraZovStoredBatchBody storedBatchBody(const std::vector<std::string>& eventTexts) const;
    void batchStored(ZeraZovStoredBatchBody body, UploadCompletion completion) const;
    // POST to the configured snapshot path: the events as a bare JSON array, gzip-compressed.
    void snapshot(const std::vector<ZeraZovEvent>& events, UploadCompletion completion) const;
    // POST "/i/v1/logs?token=<project token>": the encoded OTLP payload, gzip-compressed.
    void logs(std::string payload, UploadCompletion completion) const;
    // POST "/flags?v=2", uncompressed.
    void flags(const std::string& distinctId, const std::optional<std::string>& anonymousId,
               const std::optional<std::string>& deviceId, const Groups& groups, const nlohmann::json& personProperties,
               const std::optional<nlohmann::json>& groupProperties, JSONCompletion completion) const;
    // GET "/array/<project token>/config" from the assets host that belongs to the
    // configured ingestion host; nothing when no URL can be formed.
    std::optional<ZeraZovHttpRequest> getRemoteConfigRequest() const;
    void remoteConfig(JSONCompletion completion) const;

    std::chrono::milliseconds defaultTimeout() const { return timeout_; }
    const std::vector<ZeraZovHttpRequest::Header>& sessionHeaders() const { return sessionHeaders_; }

private:
    ZeraZovApi(std::shared_ptr<const ZeraZovConfig> config, ZeraZovSessionConfiguration session,
               const platform::Clock& clock);

    void upload(std::string_view name, const std::optional<std::string>& url, const std::optional<std::string>& body,
                UploadCompletion completion) const;
    // `compressedBody` runs once the URL is known to be good; nothing from it means
    // the body could not be written.
    void uploadCompressed(std::string_view name, const std::optional<std::string>& url,
                          const std::function<std::optional<Gzip::Result>()>& compressedBody,
                          UploadCompletion completion) const;
    ZeraZovHttpRequest request(ZeraZovHttpRequest::Method method, std::string url) const;
    std::optional<std::string> endpointURL(std::string_view path,
                                           const std::vector<std::pair<std::string, std::string>>& query) const;
    nlohmann::json flagsBody(const std::string& distinctId, const std::optional<std::string>& anonymousId,
                             const std::optional<std::string>& deviceId, const Groups& groups,
                             const nlohmann::json& personProperties,
                             const std::optional<nlohmann::json>& groupProperties) const;

    std::shared_ptr<const ZeraZovConfig> config_;
    const platform::Clock& clock_;
    std::chrono::milliseconds timeout_;
    std::vector<ZeraZovHttpRequest::Header> sessionHeaders_;
    std::unique_ptr<ZeraZovHttpTransport> transport_;
};

}  // namespace zerazov
