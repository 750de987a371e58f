#include "Platform/Foundation/BoundedJSON.h"

#include <utility>
#include <vector>

namespace platform {

using nlohmann::json;

bool BoundedJSON::nestsDeeperThan(std::string_view bytes, std::size_t limit) {
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char byte : bytes) {
        if (inString) {
            if (escaped) escaped = false;
            else if (byte == '\\') escaped = true;
            else if (byte == '"') inString = false;
            continue;
        }
        if (byte == '"') {
            inString = true;
        } else if (byte == '[' || byte == '{') {
            if (++depth > limit) return true;
        } else if ((byte == ']' || byte == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

BoundedJSON::ParseResult BoundedJSON::parse(std::string_view bytes) {
    // Anything that is no JSON text fails in the parser, so a miscount on it costs nothing.
    if (nestsDeeperThan(bytes, maxDepth)) {
        return {std::nullopt, "nested deeper than " + std::to_string(maxDepth) + " levels"};
    }
    try {
        return {json::parse(bytes), {}};
    } catch (const json::exception& error) {
        return {std::nullopt, error.what()};
    }
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
