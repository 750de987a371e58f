#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "ZeraZov/Core/Events/BeforeSendChain.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogContext.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogRecord.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogSeverity.h"

namespace zerazov {

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
