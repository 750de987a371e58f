#include "Platform/Desktop/ScreenArrangement.h"

#include <algorithm>
#include <limits>
#include <numeric>
#include <tuple>

namespace platform {
namespace {

std::size_t rankIn(const std::vector<std::string>& order, const std::string& connector) {
    const auto found = std::find(order.begin(), order.end(), connector);
    return found == order.end() ? std::numeric_limits<std::size_t>::max()
                                : static_cast<std::size_t>(found - order.begin());
}

bool mirrorsAnyOf(const std::vector<ScreenCandidate>& candidates, const std::vector<std::size_t>& kept,
                  const ScreenCandidate& candidate) {
    return std::any_of(kept.begin(), kept.end(),
                       [&](std::size_t index) { return candidates[index].frame.origin == candidate.frame.origin; });
}

}  // namespace

std::vector<std::size_t> arrangeScreens(const std::vector<ScreenCandidate>& candidates,
                                        const std::vector<std::string>& outputOrder) {
    std::vector<std::size_t> order(candidates.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    const auto key = [&](std::size_t index) {
        const auto& candidate = candidates[index];
        return std::make_tuple(!candidate.isPrimary, rankIn(outputOrder, candidate.connector), index);
    };
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return key(a) < key(b); });

    std::vector<std::size_t> kept;
    for (std::size_t index : order) {
        if (!mirrorsAnyOf(candidates, kept, candidates[index])) kept.push_back(index);
    }
    return kept;
}

DisplayID displayIDForConnector(std::string_view connector) {
    DisplayID hash = 2166136261u;
    for (unsigned char c : connector) {
        hash ^= c;
        hash *= 16777619u;
    }
    // Zero means "no display" to callers, so it is never handed out.
    return hash == 0 ? 1 : hash;
}

}  // namespace platform
