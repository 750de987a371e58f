#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"

#include <string>

namespace zerazov {
namespace {

using namespace std::chrono;
using Date = ZeraZovAPIDateFormatter::Date;
// Wide enough for every year the text can hold, unlike Date.
using Milliseconds = sys_time<milliseconds>;

// "yyyy-MM-ddTHH:mm:ss", then ".SSSZ" or "Z".
constexpr std::size_t kSecondsLength = 19;

std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Writes the value's last `count` decimal digits over text[at, at + count).
void putDigits(std::string& text, std::size_t at, std::size_t count, int value) {
    for (std::size_t i = at + count; i-- > at; value /= 10) text[i] = static_cast<char>('0' + value % 10);
}

bool separatorsMatch(std::string_view text) {
    return text[4] == '-' && text[7] == '-' && text[10] == 'T' && text[13] == ':' && text[16] == ':';
}

// The date and time of "yyyy-MM-ddTHH:mm:ss" at the start of the text.
std::optional<Milliseconds> parseSeconds(std::string_view text) {
    if (!separatorsMatch(text)) return std::nullopt;
    const auto year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const auto hour = digits(text, 11, 2), minute = digits(text, 14, 2), second = digits(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    const year_month_day date{std::chrono::year{*year}, std::chrono::month{static_cast<unsigned>(*month)},
                              std::chrono::day{static_cast<unsigned>(*day)}};
    if (!date.ok() || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
    return sys_days{date} + hours{*hour} + minutes{*minute} + seconds{*second};
}

std::optional<Milliseconds> parseWithMilliseconds(std::string_view text) {
    if (text.size() != kSecondsLength + 5 || text[kSecondsLength] != '.' || text.back() != 'Z') return std::nullopt;
    const auto fraction = digits(text, kSecondsLength + 1, 3);
    const auto whole = parseSeconds(text);
    if (!fraction || !whole) return std::nullopt;
    return *whole + milliseconds{*fraction};
}

std::optional<Milliseconds> parseWithSeconds(std::string_view text) {
    if (text.size() != kSecondsLength + 1 || text.back() != 'Z') return std::nullopt;
    return parseSeconds(text);
}

// The clock counts nanoseconds in 64 bits, from 1677 to 2262 only; a stored date
// outside would wrap around into some other date.
std::optional<Date> onTheClock(std::optional<Milliseconds> time) {
    static constexpr auto earliest = ceil<milliseconds>(Date::min());
    static constexpr auto latest = floor<milliseconds>(Date::max());
    if (!time || *time < earliest || *time > latest) return std::nullopt;
    return time_point_cast<Date::duration>(*time);
}

}  // namespace

const ZeraZovAPIDateFormatter& ZeraZovAPIDateFormatter::shared() {
    static const ZeraZovAPIDateFormatter formatter;
    return formatter;
}

std::optional<ZeraZovAPIDateFormatter::Date> ZeraZovAPIDateFormatter::date(std::string_view text) const {
    auto time = parseWithMilliseconds(text);
    if (!time) time = parseWithSeconds(text);
    return onTheClock(time);
}

// Every event's record holds one: digits put in place, where formatting took a
// sizeable share of writing the record. The clock's years (1677 to 2262) all
// have four digits.
std::string ZeraZovAPIDateFormatter::string(Date date) const {
    const auto inMilliseconds = floor<milliseconds>(date);
    const auto day = floor<days>(inMilliseconds);
    const year_month_day calendar{day};
    const hh_mm_ss time{inMilliseconds - day};
    std::string text = "0000-00-00T00:00:00.000Z";
    putDigits(text, 0, 4, static_cast<int>(calendar.year()));
    putDigits(text, 5, 2, static_cast<int>(static_cast<unsigned>(calendar.month())));
    putDigits(text, 8, 2, static_cast<int>(static_cast<unsigned>(calendar.day())));
    putDigits(text, 11, 2, static_cast<int>(time.hours().count()));
    putDigits(text, 14, 2, static_cast<int>(time.minutes().count()));
    putDigits(text, 17, 2, static_cast<int>(time.seconds().count()));
    putDigits(text, 20, 3, static_cast<int>(time.subseconds().count()));
    return text;
}

std::string toISO8601String(ZeraZovAPIDateFormatter::Date date) {
    return ZeraZovAPIDateFormatter::shared().string(date);
}

std::optional<ZeraZovAPIDateFormatter::Date> toISO8601Date(std::string_view text) {
    return ZeraZovAPIDateFormatter::shared().date(text);
}

std::string unixNanosString(ZeraZovAPIDateFormatter::Date date) {
    const auto nanoseconds = duration_cast<std::chrono::nanoseconds>(date.time_since_epoch()).count();
    if (nanoseconds < 0) return "0";
    return std::to_string(static_cast<std::uint64_t>(nanoseconds));
}

std::string nowUnixNanosString() { return unixNanosString(system_clock::now()); }

}  // namespace zerazov
