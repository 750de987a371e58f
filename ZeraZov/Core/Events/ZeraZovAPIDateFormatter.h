#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace zerazov {

// The two UTC date forms of the API: "2024-05-01T12:00:00.123Z" (written, and
// tried first when reading) and "2024-05-01T12:00:00Z" (read only).
class ZeraZovAPIDateFormatter {
public:
    using Date = std::chrono::system_clock::time_point;

    static const ZeraZovAPIDateFormatter& shared();

    // Nothing unless the whole text is one of the two forms with a real date that
    // Date can hold (from 1677-09-21T00:12:43.146Z to 2262-04-11T23:47:16.854Z).
    std::optional<Date> date(std::string_view text) const;
    // Always the milliseconds form, the fraction truncated.
    std::string string(Date date) const;
};

// The milliseconds form of a date.
std::string toISO8601String(ZeraZovAPIDateFormatter::Date date);
// Either form read back; nothing for anything else.
std::optional<ZeraZovAPIDateFormatter::Date> toISO8601Date(std::string_view text);

// Nanoseconds since 1970-01-01 UTC in decimal ("1714564800123456789"); "0" for
// a time before 1970.
std::string unixNanosString(ZeraZovAPIDateFormatter::Date date);
std::string nowUnixNanosString();

}  // namespace zerazov
