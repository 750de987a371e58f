#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <protobuf-c/protobuf-c.h>

// A message section that a log gives more than once (the writer never does)
// is one section, its occurrences merged. protobuf-c merges each occurrence
// into the one before by copying every repeated field the two hold, so a log
// of N one-frame exception sections costs N*N/2 copies. Protocol Buffers
// define that merge as reading the occurrences' bodies back to back: this puts
// each section's bodies together first, at every depth, and protobuf-c then
// reads the log in time and memory linear in its size, to the same report.
class ZZCrashReportSectionMerger {
public:
    // Whether `body`, a message of `descriptor`, gives a single message section
    // more than once at some depth, or cannot be read: what `merged` is for.
    static bool repeatsSections(const ProtobufCMessageDescriptor& descriptor, std::span<const std::uint8_t> body);
    // `body` with each of its single message sections given once; nothing when
    // its fields cannot be read.
    static std::optional<std::vector<std::uint8_t>> merged(const ProtobufCMessageDescriptor& descriptor,
                                                           std::span<const std::uint8_t> body);
};
