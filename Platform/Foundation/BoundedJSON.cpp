#include "Platform/Foundation/BoundedJSON.h"

#include <utility>
#include <vector>

namespace platform {

using nlohmann::json;

BoundedJSON::ParseResult BoundedJSON::parse(std::string_view bytes) {
    json value;
    // The library's own value builder, the one its parse() uses: the same values
    // from one reading of the text, with the bound checked on the way.
    nlohmann::detail::json_sax_dom_parser<json> builder(value, false);
    DepthBoundedSAX bounded(builder, maxDepth);
    if (json::sax_parse(bytes, &bounded)) return {std::move(value), {}};
    if (bounded.tooDeep()) return {std::nullopt, "nested deeper than " + std::to_string(maxDepth) + " levels"};
    return {std::nullopt, bounded.error()};
}

bool BoundedJSON::isWithinDepth(const json& value, std::size_t limit) {
    std::vector<std::pair<const json*, std::size_t>> pending{{&value, 0}};
    while (!pending.empty()) {
        const auto [current, depth] = pending.back();
        pending.pop_back();
        if (!current->is_structured()) continue;
        if (depth + 1 > limit) return false;
        for (const auto& member : *current) pending.emplace_back(&member, depth + 1);
    }
    return true;
}

}  // namespace platform
