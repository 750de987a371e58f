#pragma once
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <optional>
#include <string_view>
#include <system_error>

namespace zerazov {

// The process that traces this one (a debugger), from the "TracerPid:" line of
// a /proc/<pid>/status text: 0 when none does; nothing without a readable line.
inline std::optional<long> tracerPid(std::string_view status) {
    static constexpr std::string_view key = "TracerPid:";
    for (std::size_t start = 0; start < status.size();) {
        const auto end = std::min(status.find('\n', start), status.size());
        auto line = status.substr(start, end - start);
        start = end + 1;
        if (!line.starts_with(key)) continue;
        line.remove_prefix(std::min(line.find_first_not_of(" \t", key.size()), line.size()));
        long pid = 0;
        const auto [stop, error] = std::from_chars(line.data(), line.data() + line.size(), pid);
        if (error != std::errc{} || stop != line.data() + line.size()) return std::nullopt;
        return pid;
    }
    return std::nullopt;
}

}  // namespace zerazov
