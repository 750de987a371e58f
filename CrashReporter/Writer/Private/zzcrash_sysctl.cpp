#include "CrashReporter/Writer/Private/zzcrash_sysctl.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <string_view>

#include "CrashReporter/Report/Private/ZZCrashTextFile.h"

namespace {

constexpr std::string_view sysctlRoot = "/proc/sys/";

}  // namespace

std::optional<std::string> zzcrash_sysctl_string(const std::string& name) {
    // A name is dot-separated; a slash would reach outside /proc/sys.
    if (name.empty() || name.find('/') != std::string::npos) {
        errno = ENOENT;
        return std::nullopt;
    }
    std::string path = std::string(sysctlRoot) + name;
    std::replace(path.begin() + static_cast<std::ptrdiff_t>(sysctlRoot.size()), path.end(), '.', '/');
    auto value = zzcrash::readTextFile(path);
    if (value && !value->empty() && value->back() == '\n') value->pop_back();
    return value;
}

bool zzcrash_sysctl_int(const std::string& name, int* out) {
    const auto value = zzcrash_sysctl_string(name);
    if (!value) return false;
    int number = 0;
    const char* end = value->data() + value->size();
    const auto [stop, error] = std::from_chars(value->data(), end, number);
    if (error != std::errc{} || stop != end) return false;
    *out = number;
    return true;
}
