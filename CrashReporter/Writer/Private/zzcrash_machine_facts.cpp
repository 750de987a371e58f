#include "CrashReporter/Writer/Private/zzcrash_machine_facts.h"

#include <unistd.h>

#include <set>
#include <string_view>
#include <utility>

#include "CrashReporter/Private/ZZCrashHostInfo.h"
#include "CrashReporter/Report/Private/ZZCrashTextFile.h"
#include "CrashReporter/Writer/Private/zzcrash_sysctl.h"

namespace {

constexpr const char* productNamePath = "/sys/class/dmi/id/product_name";

// The value after "key" and its colon on a line of /proc/cpuinfo; empty when
// the line has another key.
std::string_view cpuinfoValue(std::string_view line, std::string_view key) {
    if (!line.starts_with(key)) return {};
    const auto colon = line.find(':', key.size());
    if (colon == std::string_view::npos || line.find_first_not_of(" \t", key.size()) != colon) return {};
    line.remove_prefix(colon + 1);
    line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
    return line;
}

}  // namespace

zzcrash_machine_facts zzcrash_machine_facts::current() {
    zzcrash_machine_facts facts;
    facts.model = modelIn(zzcrash::readTextFile(productNamePath));
    facts.osBuild = zzcrash_sysctl_string("kernel.version");
    const auto host = ZZCrashHostInfo::currentHostInfo();
    const ZZCrashHostInfoVersion version = host ? host->darwinVersion() : ZZCrashHostInfoVersion{};
    facts.osVersion = versionText(version.major, version.minor, version.revision);
    if (const auto cpuinfo = zzcrash::readTextFile("/proc/cpuinfo")) facts.processorCount = physicalCoresIn(*cpuinfo);
    const long logical = sysconf(_SC_NPROCESSORS_CONF);
    facts.logicalProcessorCount = logical > 0 ? static_cast<std::uint32_t>(logical) : 0;
    return facts;
}

// Firmware pads its names with blanks, or leaves them blank where the maker
// filled in nothing; a blank name is no name.
std::optional<std::string> zzcrash_machine_facts::modelIn(const std::optional<std::string>& productName) {
    if (!productName) return std::nullopt;
    const std::string_view line = std::string_view(*productName).substr(0, productName->find('\n'));
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos) return std::nullopt;
    return std::string(line.substr(start, line.find_last_not_of(" \t") + 1 - start));
}

std::uint32_t zzcrash_machine_facts::physicalCoresIn(const std::string& cpuinfo) {
    std::set<std::pair<std::string, std::string>> cores;
    std::string_view text = cpuinfo;
    std::string package;
    while (!text.empty()) {
        const auto end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (const auto id = cpuinfoValue(line, "physical id"); !id.empty()) package = id;
        if (const auto core = cpuinfoValue(line, "core id"); !core.empty()) cores.emplace(package, core);
    }
    return static_cast<std::uint32_t>(cores.size());
}

std::string zzcrash_machine_facts::versionText(std::uint64_t major, std::uint64_t minor, std::uint64_t revision) {
    std::string text = std::to_string(major) + "." + std::to_string(minor);
    if (revision > 0) text += "." + std::to_string(revision);
    return text;
}
