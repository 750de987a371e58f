#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Events/BeforeSendChain.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogRecord.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogSeverity.h"

namespace zerazov {

// What the client knows at the moment a log is captured, gathered by the client
// (each value under its own lock) and handed to the log capture all at once.
struct ZeraZovLogContext {
    std::optional<std::string> distinctId;  // an empty id counts as none
    std::optional<std::string> sessionId;   // read without starting or rotating a session
    std::optional<std::string> screenName;  // the last screen shown
    bool appInBackground = false;
    nlohmann::json featureFlags = nlohmann::json::object();  // the cached flags, key -> value
};

// The client's log capture after its set-up and opt-out checks: drops blank
// bodies, stamps the record with the client's context and the time, runs the
// logs before-send hooks and hands what survives to the logs queue.
class ZeraZovLogCapture {
public:
    using ContextProvider = std::function<ZeraZovLogContext()>;
    // The logs queue's add; empty while there is no logs queue.
    using Enqueue = std::function<void(ZeraZovLogRecord)>;

    ZeraZovLogCapture(std::shared_ptr<const BeforeSendChain<ZeraZovLogRecord>> beforeSend, ContextProvider context,
                      Enqueue enqueue);

    // The body is kept as given; only the blank test trims it.
    void capture(std::string body, ZeraZovLogSeverity level, std::optional<nlohmann::json> attributes,
                 std::optional<std::string> traceId, std::optional<std::string> spanId,
                 std::optional<std::int64_t> traceFlags) const noexcept;

    // The hooks' verdict on a record; a record whose body a hook left blank is
    // dropped as well, since the server has nothing to show for it.
    static std::optional<ZeraZovLogRecord> applyBeforeSend(const BeforeSendChain<ZeraZovLogRecord>& chain,
                                                           ZeraZovLogRecord record) noexcept;

    // The keys of the flags that are not plain false, in ascending order.
    static std::vector<std::string> featureFlagKeys(const nlohmann::json& flags);

private:
    std::shared_ptr<const BeforeSendChain<ZeraZovLogRecord>> beforeSend_;
    ContextProvider context_;
    Enqueue enqueue_;
};

}  // namespace zerazov
