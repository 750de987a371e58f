#include "CrashReporter/Private/ZZCrashHostInfo.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "CrashReporter/Writer/Private/zzcrash_sysctl.h"

namespace {

// Reads an unsigned number at the front of `text` and drops it from there.
bool scanNumber(std::string_view& text, std::uint64_t& number) {
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc{}) return false;
    text.remove_prefix(static_cast<std::size_t>(stop - text.data()));
    return true;
}

bool scanDot(std::string_view& text) {
    if (text.empty() || text.front() != '.') return false;
    text.remove_prefix(1);
    return true;
}

}  // namespace

std::optional<ZZCrashHostInfo> ZZCrashHostInfo::currentHostInfo() {
    const auto release = zzcrash_sysctl_string("kernel.osrelease");
    if (!release) {
        const int error = errno;
        std::fprintf(stderr, "[ZZCrashReporter] Failed to fetch kern.osrelease value %d: %s\n", error,
                     std::strerror(error));
        return std::nullopt;
    }
    return ZZCrashHostInfo(*release);
}

ZZCrashHostInfo::ZZCrashHostInfo(std::string_view release) {
    std::string_view rest = release;
    const bool scanned = scanNumber(rest, version_.major) && scanDot(rest) && scanNumber(rest, version_.minor) &&
                         scanDot(rest) && scanNumber(rest, version_.revision);
    if (scanned) return;
    // The reporter's diagnostics go to standard error: this layer has no log of its own.
    std::fprintf(stderr, "[ZZCrashReporter] Unexpected kern.osrelease string format: %s\n",
                 std::string(release).c_str());
}
