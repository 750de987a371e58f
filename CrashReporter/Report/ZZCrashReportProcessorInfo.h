#pragma once
#include <cstdint>

// A processor as a crash log names it: by Mach-O CPU type and subtype when
// the encoding is `mach`.
class ZZCrashReportProcessorInfo {
public:
    // Values other than these two may come from a log and are kept as they are.
    enum class TypeEncoding : std::int32_t { unknown = 0, mach = 1 };

    ZZCrashReportProcessorInfo(TypeEncoding typeEncoding, std::uint64_t type, std::uint64_t subtype)
        : typeEncoding_(typeEncoding), type_(type), subtype_(subtype) {}

    TypeEncoding typeEncoding() const { return typeEncoding_; }
    std::uint64_t type() const { return type_; }
    std::uint64_t subtype() const { return subtype_; }

private:
    TypeEncoding typeEncoding_;
    std::uint64_t type_;
    std::uint64_t subtype_;
};
