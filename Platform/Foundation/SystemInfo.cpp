#include "Platform/Foundation/SystemInfo.h"

#include <sys/stat.h>
#include <sys/utsname.h>

#include <cstdlib>
#include <fstream>

namespace platform {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> nonEmpty(std::string text) {
    if (text.empty()) return std::nullopt;
    return text;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::optional<utsname> kernelNames() {
    utsname names{};
    if (uname(&names) != 0) return std::nullopt;
    return names;
}

std::optional<std::string> realVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
}

// "/usr/share/zoneinfo/Europe/Berlin" -> "Europe/Berlin"; nothing without a zoneinfo folder.
std::optional<std::string> zoneAfterZoneinfo(const std::string& path) {
    static constexpr std::string_view kMarker = "zoneinfo/";
    const auto at = path.rfind(kMarker);
    if (at == std::string::npos) return std::nullopt;
    return nonEmpty(path.substr(at + kMarker.size()));
}

// TZ is ":Europe/Berlin", "Europe/Berlin", a zoneinfo file path or a POSIX rule
// such as "CET-1CEST"; only the first three name a zone.
std::optional<std::string> zoneFromVariable(std::string value) {
    if (!value.empty() && value.front() == ':') value.erase(0, 1);
    if (value.empty()) return std::nullopt;
    if (value.front() == '/') return zoneAfterZoneinfo(value);
    if (value.find('/') != std::string::npos || value == "UTC" || value == "GMT") return value;
    return std::nullopt;
}

bool sameTime(const timespec& left, const timespec& right) {
    return left.tv_sec == right.tv_sec && left.tv_nsec == right.tv_nsec;
}

std::optional<SystemInfo::FileIdentity> identity(const fs::path& path, bool ofTheLinkItself) {
    struct stat status {};
    const int result = ofTheLinkItself ? ::lstat(path.c_str(), &status) : ::stat(path.c_str(), &status);
    if (result != 0) return std::nullopt;
    return SystemInfo::FileIdentity{status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

}  // namespace

bool operator==(const SystemInfo::FileIdentity& left, const SystemInfo::FileIdentity& right) {
    return left.device == right.device && left.inode == right.inode && left.size == right.size &&
           sameTime(left.modified, right.modified) && sameTime(left.changed, right.changed);
}

SystemInfo::SystemInfo() : SystemInfo("/", realVariable) {}

SystemInfo::SystemInfo(fs::path root, Environment environment)
    : root_(std::move(root)), environment_(std::move(environment)) {}

const SystemInfo& SystemInfo::current() {
    static const SystemInfo info;
    return info;
}

std::optional<std::string> SystemInfo::kernelName() const {
    const auto names = kernelNames();
    return names ? nonEmpty(names->sysname) : std::nullopt;
}

std::optional<std::string> SystemInfo::kernelRelease() const {
    const auto names = kernelNames();
    return names ? nonEmpty(names->release) : std::nullopt;
}

std::optional<std::string> SystemInfo::machine() const {
    const auto names = kernelNames();
    return names ? nonEmpty(names->machine) : std::nullopt;
}

SystemInfo::OperatingSystemVersion SystemInfo::operatingSystemVersion() const {
    return parseKernelRelease(kernelRelease().value_or(""));
}

SystemInfo::OperatingSystemVersion SystemInfo::parseKernelRelease(std::string_view release) {
    int parts[3] = {0, 0, 0};
    std::size_t at = 0;
    for (int& part : parts) {
        const std::size_t start = at;
        // Kernel version numbers stay far below overflow; the cap only keeps a
        // corrupt text from overflowing.
        while (at < release.size() && release[at] >= '0' && release[at] <= '9' && at - start < 9) {
            part = part * 10 + (release[at] - '0');
            ++at;
        }
        if (at == start || at >= release.size() || release[at] != '.') break;
        ++at;
    }
    return {parts[0], parts[1], parts[2]};
}

std::optional<std::string> SystemInfo::systemVendor() const { return readFirstLine("/sys/class/dmi/id/sys_vendor"); }

std::optional<std::string> SystemInfo::boardVendor() const { return readFirstLine("/sys/class/dmi/id/board_vendor"); }

std::optional<std::string> SystemInfo::productName() const { return readFirstLine("/sys/class/dmi/id/product_name"); }

std::optional<std::string> SystemInfo::hostName() const {
    for (const char* path : {"/proc/sys/kernel/hostname", "/etc/hostname"}) {
        auto name = readFirstLine(path);
        if (name && *name != "(none)") return name;
    }
    return std::nullopt;
}

std::optional<std::string> SystemInfo::localeIdentifier() const {
    auto value = firstSetVariable({"LC_ALL", "LC_MESSAGES", "LANG"});
    if (!value) return std::nullopt;
    return nonEmpty(value->substr(0, value->find_first_of(".@")));
}

std::optional<std::string> SystemInfo::languageCode() const {
    const auto locale = localeIdentifier();
    if (!locale || *locale == "C" || *locale == "POSIX") return std::nullopt;
    return nonEmpty(locale->substr(0, locale->find_first_of("_-")));
}

std::optional<std::string> SystemInfo::timeZoneIdentifier() const {
    if (const auto variable = timeZoneVariable()) return zoneFromVariable(*variable);
    if (auto fromFile = readFirstLine("/etc/timezone")) return fromFile;
    std::error_code error;
    const fs::path target = fs::read_symlink(root_ / "etc/localtime", error);
    if (error) return std::nullopt;
    return zoneAfterZoneinfo(target.string());
}

// /etc/timezone is read through whatever link it may be, so its own identity is
// the one that counts; /etc/localtime answers by its link's target, so the link's.
SystemInfo::TimeZoneSource SystemInfo::timeZoneSource() const {
    if (auto variable = timeZoneVariable()) return {std::move(variable), std::nullopt, std::nullopt};
    return {std::nullopt, identity(root_ / "etc/timezone", false), identity(root_ / "etc/localtime", true)};
}

std::optional<std::string> SystemInfo::timeZoneVariable() const { return environment_("TZ"); }

std::optional<std::string> SystemInfo::readFirstLine(const fs::path& absolute) const {
    std::ifstream file(root_ / absolute.relative_path());
    std::string line;
    if (!file || !std::getline(file, line)) return std::nullopt;
    return nonEmpty(trimmed(line));
}

std::optional<std::string> SystemInfo::firstSetVariable(std::initializer_list<const char*> names) const {
    for (const char* name : names) {
        auto value = environment_(name);
        if (value && !value->empty()) return value;
    }
    return std::nullopt;
}

}  // namespace platform
