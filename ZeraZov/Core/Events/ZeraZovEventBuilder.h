#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Core/Identity/TimeBasedEpochGenerator.h"

namespace zerazov {

// The one place where a captured event becomes a record: the application's
// sanitiser, a fresh version-7 id, then the before-send chain, which may change the
// record or drop it. Runs on the capturing thread.
class ZeraZovEventBuilder {
public:
    explicit ZeraZovEventBuilder(std::shared_ptr<const ZeraZovConfig> config,
                                 TimeBasedEpochGenerator& ids = TimeBasedEpochGenerator::shared());

    // The record as the chain answered it, ready to be written; nothing when the chain,
    // the sanitiser or invalid text dropped it. Never throws.
    std::optional<ZeraZovEvent> buildEvent(std::string name, std::string distinctId, nlohmann::json properties,
                                           ZeraZovEvent::Date timestamp) const noexcept;

    // "ZeraZov event <name> was dropped", with ". This can cause unexpected behavior."
    // for the well-known events.
    static std::string droppedEventMessage(std::string_view name);

private:
    std::optional<nlohmann::json> sanitized(nlohmann::json properties) const;
    std::optional<ZeraZovEvent> filtered(ZeraZovEvent event) const;

    std::shared_ptr<const ZeraZovConfig> config_;
    TimeBasedEpochGenerator& ids_;
};

}  // namespace zerazov
