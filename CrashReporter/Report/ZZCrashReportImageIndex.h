#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "CrashReporter/Report/ZZCrashReportInfo.h"

// Which image holds an address, answered in logarithmic time: a report's
// frames each look up their image, and a long log of frames and images must
// not cost their product. Images may overlap in a damaged log; the first in
// the list wins, as a scan in list order would decide.
class ZZCrashReportImageIndex {
public:
    ZZCrashReportImageIndex() = default;
    explicit ZZCrashReportImageIndex(const std::vector<ZZCrashReportBinaryImageInfo>& images);

    // The position in the list of the first image that holds `address`.
    std::optional<std::size_t> find(std::uint64_t address) const;

private:
    // From `start` up to the next segment's start (or the end of the address
    // space), the addresses held by image `image`, or by none.
    struct Segment {
        std::uint64_t start;
        std::optional<std::size_t> image;
    };
    std::vector<Segment> segments_;
};
