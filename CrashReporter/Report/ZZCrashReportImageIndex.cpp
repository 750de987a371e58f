#include "CrashReporter/Report/ZZCrashReportImageIndex.h"

#include <algorithm>
#include <limits>
#include <set>

namespace {

struct Span {
    std::uint64_t start;
    std::uint64_t last;  // inclusive: an image may reach the top of the address space
    std::size_t image;
};

std::vector<Span> spansOf(const std::vector<ZZCrashReportBinaryImageInfo>& images) {
    std::vector<Span> spans;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::uint64_t base = images[i].imageBaseAddress();
        const std::uint64_t size = images[i].imageSize();
        if (size == 0) continue;
        const std::uint64_t room = std::numeric_limits<std::uint64_t>::max() - base;
        spans.push_back({base, size - 1 > room ? std::numeric_limits<std::uint64_t>::max() : base + (size - 1), i});
    }
    return spans;
}

}  // namespace

// A sweep over the points where some image starts or stops: between two of
// them the same images hold every address, and the first of them wins.
ZZCrashReportImageIndex::ZZCrashReportImageIndex(const std::vector<ZZCrashReportBinaryImageInfo>& images) {
    constexpr std::uint64_t top = std::numeric_limits<std::uint64_t>::max();
    auto starts = spansOf(images);
    auto stops = starts;
    std::sort(starts.begin(), starts.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    std::sort(stops.begin(), stops.end(), [](const Span& a, const Span& b) { return a.last < b.last; });
    std::set<std::size_t> holding;
    std::size_t started = 0, stopped = 0;
    for (;;) {
        // The next point: where an image starts, or the one after an image's last
        // address (none for an image that reaches the top).
        std::optional<std::uint64_t> point;
        if (started < starts.size()) point = starts[started].start;
        if (stopped < stops.size() && stops[stopped].last != top) {
            point = std::min(point.value_or(top), stops[stopped].last + 1);
        }
        if (!point) return;
        while (stopped < stops.size() && stops[stopped].last < *point) holding.erase(stops[stopped++].image);
        while (started < starts.size() && starts[started].start == *point) holding.insert(starts[started++].image);
        const auto winner = holding.empty() ? std::nullopt : std::optional<std::size_t>(*holding.begin());
        if (segments_.empty() || segments_.back().image != winner) segments_.push_back({*point, winner});
    }
}

std::optional<std::size_t> ZZCrashReportImageIndex::find(std::uint64_t address) const {
    const auto after =
        std::upper_bound(segments_.begin(), segments_.end(), address,
                         [](std::uint64_t value, const Segment& segment) { return value < segment.start; });
    if (after == segments_.begin()) return std::nullopt;
    return std::prev(after)->image;
}
