#pragma once
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace fuzzing {

// How deep a value nests (a scalar is 0, "[]" is 1), walked without recursion:
// a fuzzer's own checks compare and copy values, which recurse once per level,
// so they must know first whether an input is one the readers refuse.
inline std::size_t depthOf(const nlohmann::json& value) {
    std::size_t deepest = 0;
    std::vector<std::pair<const nlohmann::json*, std::size_t>> pending{{&value, 0}};
    while (!pending.empty()) {
        const auto [current, depth] = pending.back();
        pending.pop_back();
        if (!current->is_structured()) continue;
        deepest = std::max(deepest, depth + 1);
        for (const auto& member : *current) pending.emplace_back(&member, depth + 1);
    }
    return deepest;
}

}  // namespace fuzzing
