#include "CrashReporter/Report/Private/ZZCrashReportDecoder.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "CrashReporter/Report/Private/ZZCrashReportSectionMerger.h"
#include "CrashReporter/Report/Private/zzcrash_utf8_repair.h"
#include "CrashReporter/ZZCrashReport.pb-c.h"

namespace {

using Message = Zzcrash__CrashReport;
using Frame = Zzcrash__CrashReport__Thread__StackFrame;
using Processor = Zzcrash__CrashReport__Processor;
using Date = std::optional<std::chrono::sys_seconds>;
using Frames = std::vector<ZZCrashReportStackFrameInfo>;

struct MessageFree {
    void operator()(Message* message) const { zzcrash__crash_report__free_unpacked(message, nullptr); }
};
using UnpackedMessage = std::unique_ptr<Message, MessageFree>;

constexpr std::string_view fileMagic = "zzcrash";
constexpr std::uint8_t fileVersion = 1;
constexpr std::size_t headerLength = 8;
constexpr std::size_t reportUUIDLength = 16;
constexpr std::size_t maximumMachCodes = 255;
// ARM64 CPU type and the arm64e subtype: their pointers carry an
// authentication code above the address proper.
constexpr std::uint64_t arm64CPUType = 0x100000c;
constexpr std::uint64_t arm64eSubtype = 2;
constexpr std::uint64_t authenticatedAddressMask = (std::uint64_t{1} << 36) - 1;

ZZCrashReporterError invalidReport(std::string description) {
    return zzcrash_make_error(ZZCrashReporterError::Code::invalidCrashReport, std::move(description));
}

std::variant<UnpackedMessage, ZZCrashReporterError> unpack(std::span<const std::uint8_t> data) {
    if (data.size() <= headerLength) return invalidReport("Could not decode truncated crash log");
    if (!std::equal(fileMagic.begin(), fileMagic.end(), data.begin())) {
        return invalidReport("Could not decode invalid crash log header");
    }
    if (data[fileMagic.size()] != fileVersion) {
        return invalidReport("Could not decode unsupported crash report version: " +
                             std::to_string(data[fileMagic.size()]));
    }
    const auto body = data.subspan(headerLength);
    const auto undecodable = [&body] {
        return invalidReport("Could not decode crash report with size of " + std::to_string(body.size()) + " bytes.");
    };
    std::optional<std::vector<std::uint8_t>> merged;
    if (ZZCrashReportSectionMerger::repeatsSections(zzcrash__crash_report__descriptor, body)) {
        merged = ZZCrashReportSectionMerger::merged(zzcrash__crash_report__descriptor, body);
        if (!merged) return undecodable();
    }
    const auto unpacked = merged ? std::span<const std::uint8_t>(*merged) : body;
    UnpackedMessage message(zzcrash__crash_report__unpack(nullptr, unpacked.size(), unpacked.data()));
    if (!message) return undecodable();
    return message;
}

// The processor an architecture stands for, when the log names no machine.
std::optional<ZZCrashReportProcessorInfo> synthesizedProcessor(Zzcrash__Architecture architecture) {
    const auto mach = [](std::uint64_t type, std::uint64_t subtype) {
        return ZZCrashReportProcessorInfo(ZZCrashReportProcessorInfo::TypeEncoding::mach, type, subtype);
    };
    switch (architecture) {
    case ZZCRASH__ARCHITECTURE__X86_32: return mach(7, 3);
    case ZZCRASH__ARCHITECTURE__X86_64: return mach(0x1000007, 3);
    case ZZCRASH__ARCHITECTURE__ARMV6: return mach(12, 6);
    case ZZCRASH__ARCHITECTURE__PPC: return mach(18, 0);
    case ZZCRASH__ARCHITECTURE__PPC64: return mach(0x1000012, 0);
    case ZZCRASH__ARCHITECTURE__ARMV7: return mach(12, 9);
    default: return std::nullopt;
    }
}

// The first rule of a readable report that the message breaks; null when it
// keeps them all. protobuf-c has already refused a message without any of its
// required fields, so every required section and string is there.
const char* brokenRule(const Message& message) {
    const auto* reportInfo = message.report_info;
    if (reportInfo && reportInfo->has_uuid && reportInfo->uuid.len != reportUUIDLength) {
        return "Report UUID value is not a standard 16 bytes";
    }
    if (!message.machine_info && !synthesizedProcessor(message.system_info->architecture)) {
        return "Crash report has an unknown architecture";
    }
    const auto* machException = message.signal->mach_exception;
    if (machException && machException->n_codes > maximumMachCodes) {
        return "Crash report includes too many Mach Exception codes";
    }
    return nullptr;
}

std::string text(const char* string) { return zzcrash_utf8_repaired(string); }

std::optional<std::string> optionalText(const char* string) {
    if (!string) return std::nullopt;
    return text(string);
}

// A date from whole seconds since 1970; nothing for the writer's "no clock" (0).
Date timestampDate(std::int64_t seconds) {
    if (seconds == 0) return std::nullopt;
    return std::chrono::sys_seconds(std::chrono::seconds(seconds));
}

// Seconds beyond the range of a date cannot come from a real clock.
Date startDate(bool present, std::uint64_t seconds) {
    if (!present || seconds > std::uint64_t{std::numeric_limits<std::int64_t>::max()}) return std::nullopt;
    return std::chrono::sys_seconds(std::chrono::seconds(static_cast<std::int64_t>(seconds)));
}

ZZCrashReportProcessorInfo processorInfo(const Processor& processor) {
    return {ZZCrashReportProcessorInfo::TypeEncoding(processor.encoding), processor.type, processor.subtype};
}

ZZCrashReportMachineInfo machineInfo(const Zzcrash__CrashReport__MachineInfo& machine) {
    return {optionalText(machine.model), processorInfo(*machine.processor), machine.processor_count,
            machine.logical_processor_count};
}

ZZCrashReportSystemInfo systemInfo(const Zzcrash__CrashReport__SystemInfo& system,
                                   ZZCrashReportProcessorInfo processor) {
    return {ZZCrashReportSystemInfo::OperatingSystem(system.operating_system),
            text(system.os_version),
            optionalText(system.os_build),
            ZZCrashReportSystemInfo::Architecture(system.architecture),
            processor,
            timestampDate(system.timestamp)};
}

ZZCrashReportApplicationInfo applicationInfo(const Zzcrash__CrashReport__ApplicationInfo& application) {
    return {text(application.identifier), text(application.version), optionalText(application.marketing_version)};
}

ZZCrashReportProcessInfo processInfo(const Zzcrash__CrashReport__ProcessInfo& process) {
    return {optionalText(process.process_name),
            process.process_id,
            optionalText(process.process_path),
            startDate(process.has_start_time, process.start_time),
            optionalText(process.parent_process_name),
            process.parent_process_id,
            process.native != 0};
}

ZZCrashReportSignalInfo signalInfo(const Zzcrash__CrashReport__Signal& signal) {
    return {text(signal.name), text(signal.code), signal.address, optionalText(signal.crash_info_message)};
}

ZZCrashReportMachExceptionInfo machExceptionInfo(const Zzcrash__CrashReport__Signal__MachException& exception) {
    return {exception.type, std::vector<std::uint64_t>(exception.codes, exception.codes + exception.n_codes)};
}

// Frames keep their addresses as written, except that authenticated pointers
// lose their authentication code.
class FrameReader {
public:
    explicit FrameReader(const std::optional<ZZCrashReportMachineInfo>& machine) {
        if (!machine) return;
        const auto& processor = machine->processorInfo();
        if (processor.type() == arm64CPUType && processor.subtype() == arm64eSubtype) mask_ = authenticatedAddressMask;
    }

    Frames frames(const Frame* const* frames, std::size_t count) const {
        Frames read;
        read.reserve(count);
        for (std::size_t i = 0; i < count; ++i) read.push_back(frame(*frames[i]));
        return read;
    }

private:
    ZZCrashReportStackFrameInfo frame(const Frame& frame) const {
        std::optional<ZZCrashReportSymbolInfo> symbol;
        if (const auto* found = frame.symbol) {
            symbol.emplace(text(found->name), found->start_address, found->has_end_address ? found->end_address : 0);
        }
        return {frame.pc & mask_, std::move(symbol)};
    }

    std::uint64_t mask_ = std::numeric_limits<std::uint64_t>::max();
};

std::vector<ZZCrashReportThreadInfo> threads(const Message& message, const FrameReader& reader) {
    std::vector<ZZCrashReportThreadInfo> read;
    read.reserve(message.n_threads);
    for (std::size_t i = 0; i < message.n_threads; ++i) {
        const auto& thread = *message.threads[i];
        std::vector<ZZCrashReportRegisterInfo> registers;
        registers.reserve(thread.n_registers);
        for (std::size_t r = 0; r < thread.n_registers; ++r) {
            registers.emplace_back(text(thread.registers[r]->name), thread.registers[r]->value);
        }
        read.emplace_back(thread.thread_number, reader.frames(thread.frames, thread.n_frames), thread.crashed != 0,
                          std::move(registers));
    }
    return read;
}

ZZCrashReportBinaryImageInfo imageInfo(const Zzcrash__CrashReport__BinaryImage& image) {
    std::optional<ZZCrashReportProcessorInfo> codeType;
    if (image.code_type) codeType = processorInfo(*image.code_type);
    std::optional<std::span<const std::uint8_t>> uuid;
    if (image.has_uuid && image.uuid.len > 0) uuid = std::span<const std::uint8_t>(image.uuid.data, image.uuid.len);
    return {codeType, image.base_address, image.size, text(image.name), uuid};
}

std::vector<ZZCrashReportBinaryImageInfo> images(const Message& message) {
    std::vector<ZZCrashReportBinaryImageInfo> read;
    read.reserve(message.n_binary_images);
    for (std::size_t i = 0; i < message.n_binary_images; ++i) read.push_back(imageInfo(*message.binary_images[i]));
    return read;
}

ZZCrashReportExceptionInfo exceptionInfo(const Zzcrash__CrashReport__Exception& exception, const FrameReader& reader) {
    std::optional<Frames> frames;
    if (exception.n_frames > 0) frames = reader.frames(exception.frames, exception.n_frames);
    return {text(exception.name), text(exception.reason), std::move(frames)};
}

std::optional<ZZCrashReport::UUID> reportUUID(const Zzcrash__CrashReport__ReportInfo* reportInfo) {
    if (!reportInfo || !reportInfo->has_uuid) return std::nullopt;
    ZZCrashReport::UUID uuid;
    std::copy_n(reportInfo->uuid.data, uuid.size(), uuid.begin());
    return uuid;
}

// `read` of a section that the log may leave out.
template <typename Section, typename Read>
auto optionalSection(const Section* section, Read read) -> std::optional<decltype(read(*section))> {
    if (!section) return std::nullopt;
    return read(*section);
}

std::optional<std::vector<std::uint8_t>> customData(const Message& message) {
    if (!message.has_custom_data) return std::nullopt;
    const auto& data = message.custom_data;
    return std::vector<std::uint8_t>(data.data, data.data + data.len);
}

// Every section of a message that keeps the rules.
ZZCrashReport report(const Message& message) {
    auto machine = optionalSection(message.machine_info, machineInfo);
    const auto processor =
        machine ? machine->processorInfo() : *synthesizedProcessor(message.system_info->architecture);
    const FrameReader reader(machine);
    const auto& signal = *message.signal;
    return ZZCrashReport({
        .systemInfo = systemInfo(*message.system_info, processor),
        .machineInfo = std::move(machine),
        .applicationInfo = applicationInfo(*message.application_info),
        .processInfo = optionalSection(message.process_info, processInfo),
        .signalInfo = signalInfo(signal),
        .machExceptionInfo = optionalSection(signal.mach_exception, machExceptionInfo),
        .threads = threads(message, reader),
        .images = images(message),
        .exceptionInfo = optionalSection(message.exception,
                                         [&reader](const auto& exception) { return exceptionInfo(exception, reader); }),
        .customData = customData(message),
        .uuid = reportUUID(message.report_info),
    });
}

}  // namespace

std::variant<ZZCrashReport, ZZCrashReporterError> ZZCrashReportDecoder::decode(std::span<const std::uint8_t> data) {
    auto unpacked = unpack(data);
    if (auto* error = std::get_if<ZZCrashReporterError>(&unpacked)) return std::move(*error);
    const Message& message = *std::get<UnpackedMessage>(unpacked);
    if (const char* rule = brokenRule(message)) return invalidReport(rule);
    return report(message);
}
