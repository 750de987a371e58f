#include "CrashReporter/Report/Private/ZZCrashReportNames.h"

namespace {

using Encoding = ZZCrashReportProcessorInfo::TypeEncoding;
using OperatingSystem = ZZCrashReportSystemInfo::OperatingSystem;
using CodeType = ZZCrashReportNames::CodeType;

constexpr const char* unknownName = "???";
// The subtype's capability bits (such as pointer authentication) are no part
// of the architecture.
constexpr std::uint64_t subtypeMask = 0xFFFFFF;

std::optional<CodeType> knownCodeType(const ZZCrashReportProcessorInfo& processor) {
    if (processor.typeEncoding() != Encoding::mach) return std::nullopt;
    switch (processor.type()) {
    case 7: return CodeType{"X86", false};
    case 12: return CodeType{"ARM", false};
    case 18: return CodeType{"PPC", false};
    case 0x1000007: return CodeType{"X86-64", true};
    case 0x100000c: return CodeType{"ARM-64", true};
    default: return std::nullopt;
    }
}

const char* armArchitectureName(std::uint64_t subtype) {
    switch (subtype & subtypeMask) {
    case 6: return "armv6";
    case 9: return "armv7";
    case 11: return "armv7s";
    default: return "arm-unknown";
    }
}

const char* arm64ArchitectureName(std::uint64_t subtype) {
    switch (subtype & subtypeMask) {
    case 0: return "arm64";
    case 1: return "armv8";
    case 2: return "arm64e";
    default: return "arm64-unknown";
    }
}

}  // namespace

CodeType ZZCrashReportNames::codeType(const ZZCrashReport& report) {
    for (const auto& image : report.images()) {
        if (!image.codeType()) continue;
        if (auto known = knownCodeType(*image.codeType())) return *known;
    }
    const auto& processor = report.systemInfo().processorInfo();
    if (auto known = knownCodeType(processor)) return *known;
    if (processor.typeEncoding() != Encoding::mach) return {"Unknown", true};
    return {"Unknown (" + std::to_string(processor.type()) + ")", true};
}

const char* ZZCrashReportNames::architectureName(const std::optional<ZZCrashReportProcessorInfo>& codeType) {
    if (!codeType || codeType->typeEncoding() != Encoding::mach) return unknownName;
    switch (codeType->type()) {
    case 7: return "i386";
    case 12: return armArchitectureName(codeType->subtype());
    case 0x100000c: return arm64ArchitectureName(codeType->subtype());
    case 18: return "powerpc";
    case 0x1000007: return "x86_64";
    default: return unknownName;
    }
}

std::string ZZCrashReportNames::operatingSystemName(OperatingSystem system) {
    switch (system) {
    case OperatingSystem::macOSX:
    case OperatingSystem::iPhoneSimulator: return "Mac OS X";
    case OperatingSystem::iPhoneOS: return "iPhone OS";
    case OperatingSystem::appleTVOS: return "Apple tvOS";
    case OperatingSystem::gnuLinux: return "Linux";
    default: return "Unknown (" + std::to_string(static_cast<int>(system)) + ")";
    }
}

std::optional<std::string_view> ZZCrashReportNames::symbolPrefix(OperatingSystem system) {
    switch (system) {
    case OperatingSystem::macOSX:
    case OperatingSystem::iPhoneOS:
    case OperatingSystem::iPhoneSimulator:
    case OperatingSystem::appleTVOS: return "_";
    case OperatingSystem::gnuLinux: return "";
    default: return std::nullopt;
    }
}
