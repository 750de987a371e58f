#pragma once
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"
#include "ZeraZov/Delivery/Api/ZeraZovApi.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoint.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogRecord.h"

namespace zerazov {

// The logs stream: records kept in their stored dictionary form, limits from the
// logs settings (brought into range, so a negative rate cap means none), and each
// batch sent as one OTLP/JSON export request.
//
// It lives beside the log records rather than with the other endpoints because the
// delivery library must not know the logs types.
class LogsQueueEndpoint {
public:
    // `resourceAttributes` are computed once at set-up from the logs settings; the
    // version names the scope of every upload. The HTTP client must not be null.
    static QueueEndpoint<ZeraZovLogRecord> make(std::shared_ptr<const ZeraZovApi> api,
                                                nlohmann::json resourceAttributes,
                                                std::string sdkVersion = ZeraZovLibraryInfo::version);

    // 408, 429 and every server error (500 to 599); a redirect is not worth repeating.
    static bool isRetriableStatusCode(int statusCode);
    static std::optional<std::string> encode(const ZeraZovLogRecord& record);
    // Nothing for bytes that are not a JSON object or not a log record.
    static std::optional<ZeraZovLogRecord> decode(const std::string& bytes);
};

}  // namespace zerazov
