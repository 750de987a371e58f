#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <utility>
#include <variant>
#include <vector>

#include "CrashReporter/Report/ZZCrashReportImageIndex.h"
#include "CrashReporter/Report/ZZCrashReportInfo.h"
#include "CrashReporter/ZZCrashReporterError.h"

// A crash log read back: one object per section, built once and never
// changed. Every string in it is valid UTF-8, whatever the log held.
class ZZCrashReport {
public:
    using UUID = std::array<std::uint8_t, 16>;

    struct Sections {
        ZZCrashReportSystemInfo systemInfo;
        std::optional<ZZCrashReportMachineInfo> machineInfo;
        ZZCrashReportApplicationInfo applicationInfo;
        std::optional<ZZCrashReportProcessInfo> processInfo;
        ZZCrashReportSignalInfo signalInfo;
        std::optional<ZZCrashReportMachExceptionInfo> machExceptionInfo;
        std::vector<ZZCrashReportThreadInfo> threads;
        std::vector<ZZCrashReportBinaryImageInfo> images;
        std::optional<ZZCrashReportExceptionInfo> exceptionInfo;
        std::optional<std::vector<std::uint8_t>> customData;
        std::optional<UUID> uuid;
    };

    // The report in the bytes of a crash log file, or why they hold none
    // (code `invalidCrashReport`).
    static std::variant<ZZCrashReport, ZZCrashReporterError> fromData(std::span<const std::uint8_t> data);

    explicit ZZCrashReport(Sections sections) : sections_(std::move(sections)), imageIndex_(sections_.images) {}

    const ZZCrashReportSystemInfo& systemInfo() const { return sections_.systemInfo; }
    const std::optional<ZZCrashReportMachineInfo>& machineInfo() const { return sections_.machineInfo; }
    const ZZCrashReportApplicationInfo& applicationInfo() const { return sections_.applicationInfo; }
    const std::optional<ZZCrashReportProcessInfo>& processInfo() const { return sections_.processInfo; }
    const ZZCrashReportSignalInfo& signalInfo() const { return sections_.signalInfo; }
    const std::optional<ZZCrashReportMachExceptionInfo>& machExceptionInfo() const {
        return sections_.machExceptionInfo;
    }
    // In the log's order: the task's thread order.
    const std::vector<ZZCrashReportThreadInfo>& threads() const { return sections_.threads; }
    // In the log's order: the image list's order.
    const std::vector<ZZCrashReportBinaryImageInfo>& images() const { return sections_.images; }
    const std::optional<ZZCrashReportExceptionInfo>& exceptionInfo() const { return sections_.exceptionInfo; }
    // The application's opaque bytes, when it had set any.
    const std::optional<std::vector<std::uint8_t>>& customData() const { return sections_.customData; }
    // The report's own identity, when the log has one.
    const std::optional<UUID>& uuid() const { return sections_.uuid; }

    bool hasMachineInfo() const { return sections_.machineInfo.has_value(); }
    bool hasProcessInfo() const { return sections_.processInfo.has_value(); }
    bool hasExceptionInfo() const { return sections_.exceptionInfo.has_value(); }

    // The first image, in `images()` order, that holds `address`; null when none does.
    const ZZCrashReportBinaryImageInfo* imageForAddress(std::uint64_t address) const;

private:
    Sections sections_;
    ZZCrashReportImageIndex imageIndex_;
};
