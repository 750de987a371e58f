#include "CrashReporter/Private/ZZCrashProcessInfo.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

#include "CrashReporter/Private/zzcrash_utf8.h"
#include "CrashReporter/Report/Private/ZZCrashTextFile.h"

namespace {

// The kernel keeps a command name in 16 bytes, its NUL included.
constexpr std::size_t commandNameBytes = 16;
// Fields of /proc/<pid>/stat after the command name, counted from the state (field 3).
constexpr std::size_t parentField = 4 - 3;
constexpr std::size_t startTimeField = 22 - 3;

template <class Number>
bool parseNumber(std::string_view text, Number& number) {
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc{} && stop == text.data() + text.size();
}

std::vector<std::string_view> fieldsOf(std::string_view text) {
    std::vector<std::string_view> fields;
    while (!text.empty()) {
        const auto start = text.find_first_not_of(" \n");
        if (start == std::string_view::npos) break;
        text.remove_prefix(start);
        const auto end = std::min(text.find_first_of(" \n"), text.size());
        fields.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return fields;
}

// The value of the line that begins with `key` ("TracerPid:" in
// /proc/<pid>/status, "btime " in /proc/stat), without surrounding blanks.
std::string_view lineValue(std::string_view text, std::string_view key) {
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.starts_with(key)) continue;
        line.remove_prefix(key.size());
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        return line;
    }
    return {};
}

// Seconds since the epoch at which the machine booted.
std::optional<long long> bootTime() {
    const auto stat = zzcrash::readTextFile("/proc/stat");
    long long seconds = 0;
    if (!stat || !parseNumber(lineValue(*stat, "btime "), seconds)) return std::nullopt;
    return seconds;
}

timeval startTimeOf(unsigned long long ticksSinceBoot, long long bootSeconds) {
    const auto ticksPerSecond = static_cast<unsigned long long>(sysconf(_SC_CLK_TCK));
    return {static_cast<time_t>(bootSeconds + static_cast<long long>(ticksSinceBoot / ticksPerSecond)),
            static_cast<suseconds_t>(ticksSinceBoot % ticksPerSecond * 1'000'000 / ticksPerSecond)};
}

std::optional<std::string> nameOf(std::string_view command) {
    command = command.substr(0, std::min(command.size(), commandNameBytes));
    const std::size_t valid = zzcrash_utf8_valid_prefix_length(command.data(), command.size());
    if (valid == 0) return std::nullopt;
    return std::string(command.substr(0, valid));
}

}  // namespace

std::optional<ZZCrashProcessInfo> ZZCrashProcessInfo::currentProcessInfo() { return withProcessID(getpid()); }

std::optional<ZZCrashProcessInfo> ZZCrashProcessInfo::withProcessID(pid_t processID) {
    const std::string folder = "/proc/" + std::to_string(processID) + "/";
    const auto stat = zzcrash::readTextFile(folder + "stat");
    const auto status = zzcrash::readTextFile(folder + "status");
    const auto boot = bootTime();
    if (!stat || !status || !boot) return std::nullopt;
    // The command name may hold spaces and parentheses: it ends at the last ')'.
    const auto open = stat->find('(');
    const auto close = stat->rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return std::nullopt;
    const auto fields = fieldsOf(std::string_view(*stat).substr(close + 1));
    ZZCrashProcessInfo info;
    unsigned long long startTicks = 0;
    pid_t tracer = 0;
    if (fields.size() <= startTimeField || !parseNumber(fields[parentField], info.parentProcessID_) ||
        !parseNumber(fields[startTimeField], startTicks) || !parseNumber(lineValue(*status, "TracerPid:"), tracer))
        return std::nullopt;
    info.processID_ = processID;
    info.processName_ = nameOf(std::string_view(*stat).substr(open + 1, close - open - 1));
    info.startTime_ = startTimeOf(startTicks, *boot);
    info.traced_ = tracer != 0;
    return info;
}
