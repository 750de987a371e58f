#include "Platform/Foundation/BoundedJSON.h"

#include <utility>
#include <vector>

#include "Platform/Foundation/Private/JSONValueBuilder.h"

namespace platform {

using nlohmann::json;

Result<json> BoundedJSON::parse(std::string_view bytes) {
    json value;
    // One reading of the text: the value built as the bound is checked. (The
    // library's parser callback would see the depth too, but it looks through a
    // container's members each time one of them closes, which makes a wide
    // document cost the square of its width.)
    JSONValueBuilder builder(value);
    DepthBoundedSAX bounded(builder, maxDepth);
    if (json::sax_parse(bytes, &bounded)) return value;
    if (bounded.tooDeep()) return Failure("nested deeper than " + std::to_string(maxDepth) + " levels");
    return Failure(bounded.error());
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
