#include "CrashReporter/Report/Private/ZZCrashReportTextWriter.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <utility>

namespace {

using Encoding = ZZCrashReportProcessorInfo::TypeEncoding;

constexpr const char* unknownValue = "???";
constexpr std::uint64_t armCPUType = 12;
constexpr std::uint64_t cpuTypeMask = 0xFFFFFF;
constexpr std::size_t registersPerRow = 4;
constexpr std::size_t imageNameWidth = 35;

[[gnu::format(printf, 1, 2)]] std::string format(const char* pattern, ...) {
    std::va_list arguments;
    va_start(arguments, pattern);
    std::va_list counting;
    va_copy(counting, arguments);
    const int length = std::vsnprintf(nullptr, 0, pattern, counting);
    va_end(counting);
    std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), pattern, arguments);
    va_end(arguments);
    text.pop_back();
    return text;
}

unsigned long long wide(std::uint64_t value) { return static_cast<unsigned long long>(value); }

// A text of the log as the report shows it: every control character (C0, DEL
// and C1) escaped, so that a log cannot drive the terminal that shows the
// report, nor start lines of its own.
std::string shown(std::string_view text) {
    std::string visible;
    visible.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (byte < 0x20 || byte == 0x7F) {
            visible += format("\\x%02x", byte);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            visible += format("\\u%04x", next);
            ++i;
        } else {
            visible += text[i];
        }
    }
    return visible;
}

std::string valueOr(const std::optional<std::string>& value) { return value ? shown(*value) : unknownValue; }

std::string lastPathComponent(std::string_view path) {
    const auto end = path.find_last_not_of('/');
    if (end == std::string_view::npos) return shown(path.substr(0, 1));
    const auto trimmed = path.substr(0, end + 1);
    const auto slash = trimmed.rfind('/');
    return shown(slash == std::string_view::npos ? trimmed : trimmed.substr(slash + 1));
}

// `text` followed by spaces up to `width` characters (not bytes).
std::string paddedToCharacters(const std::string& text, std::size_t width) {
    const auto characters = static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; }));
    return text + std::string(width > characters ? width - characters : 0, ' ');
}

std::string dateText(const std::optional<std::chrono::sys_seconds>& date) {
    if (!date) return unknownValue;
    const std::time_t seconds = date->time_since_epoch().count();
    std::tm parts{};
    char text[64];
    if (!gmtime_r(&seconds, &parts) || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &parts) == 0) {
        return unknownValue;
    }
    return text;
}

std::string uuidText(const std::optional<ZZCrashReport::UUID>& uuid) {
    if (!uuid) return unknownValue;
    const auto& b = *uuid;
    return format("%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1], b[2], b[3], b[4],
                  b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
}

std::string versionText(const ZZCrashReportApplicationInfo& application) {
    const auto& marketing = application.applicationMarketingVersion();
    if (!marketing) return shown(application.applicationVersion());
    return shown(*marketing) + " (" + shown(application.applicationVersion()) + ")";
}

}  // namespace

ZZCrashReportTextWriter::ZZCrashReportTextWriter(const ZZCrashReport& report, ZZCrashReportNames::CodeType codeType)
    : report_(report), codeType_(std::move(codeType)) {}

std::string ZZCrashReportTextWriter::reportText() {
    text_.clear();
    crashedThread_ = nullptr;
    header();
    exception();
    threads();
    threadState();
    binaryImages();
    return std::move(text_);
}

std::string ZZCrashReportTextWriter::frameLine(const ZZCrashReportStackFrameInfo& frame, std::int64_t index) {
    const std::uint64_t pointer = frame.instructionPointer();
    const auto* image = report_.imageForAddress(pointer);
    const std::string imageName = image ? lastPathComponent(image->imageName()) : unknownValue;
    return format("%-4lld%s 0x%0*llx %s\n", static_cast<long long>(index),
                  paddedToCharacters(imageName, imageNameWidth).c_str(), codeType_.lp64 ? 16 : 8, wide(pointer),
                  location(frame, image).c_str());
}

void ZZCrashReportTextWriter::header() {
    const auto& machine = report_.machineInfo();
    add(format("Incident Identifier: %s\n", uuidText(report_.uuid()).c_str()));
    add(format("Hardware Model:      %s\n", machine ? valueOr(machine->modelName()).c_str() : unknownValue));
    process();
    add("\n");
    system();
    add("\n");
}

void ZZCrashReportTextWriter::process() {
    const auto& process = report_.processInfo();
    const auto& application = report_.applicationInfo();
    std::string name = unknownValue, id = unknownValue, path = unknownValue;
    std::string parentName = unknownValue, parentID = unknownValue;
    if (process) {
        name = valueOr(process->processName());
        id = std::to_string(process->processID());
        path = valueOr(process->processPath());
        parentName = valueOr(process->parentProcessName());
        parentID = std::to_string(process->parentProcessID());
    }
    add(format("Process:         %s [%s]\n", name.c_str(), id.c_str()));
    add(format("Path:            %s\n", path.c_str()));
    add(format("Identifier:      %s\n", shown(application.applicationIdentifier()).c_str()));
    add(format("Version:         %s\n", versionText(application).c_str()));
    add(format("Code Type:       %s\n", codeType_.name.c_str()));
    add(format("Parent Process:  %s [%s]\n", parentName.c_str(), parentID.c_str()));
}

void ZZCrashReportTextWriter::system() {
    const auto& system = report_.systemInfo();
    add(format("Date/Time:       %s\n", dateText(system.timestamp()).c_str()));
    add(format("OS Version:      %s %s (%s)\n",
               ZZCrashReportNames::operatingSystemName(system.operatingSystem()).c_str(),
               shown(system.operatingSystemVersion()).c_str(), valueOr(system.operatingSystemBuild()).c_str()));
    add("Report Version:  104\n");
}

void ZZCrashReportTextWriter::exception() {
    const auto& signal = report_.signalInfo();
    add(format("Exception Type:  %s\n", shown(signal.name()).c_str()));
    add(format("Exception Codes: %s at 0x%llx\n", shown(signal.code()).c_str(), wide(signal.address())));
    const auto& threads = report_.threads();
    const auto crashed =
        std::find_if(threads.begin(), threads.end(), [](const auto& thread) { return thread.crashed(); });
    if (crashed != threads.end())
        add(format("Crashed Thread:  %lld\n", static_cast<long long>(crashed->threadNumber())));
    add("\n");
    const auto& exception = report_.exceptionInfo();
    if (!exception) return;
    add("Application Specific Information:\n");
    add(format("*** Terminating app due to uncaught exception '%s', reason: '%s'\n",
               shown(exception->exceptionName()).c_str(), shown(exception->exceptionReason()).c_str()));
    add("\n");
    if (!exception->stackFrames()) return;
    add("Last Exception Backtrace:\n");
    frames(*exception->stackFrames());
    add("\n");
}

void ZZCrashReportTextWriter::frames(const std::vector<ZZCrashReportStackFrameInfo>& frames) {
    for (std::size_t i = 0; i < frames.size(); ++i) add(frameLine(frames[i], static_cast<std::int64_t>(i)));
}

void ZZCrashReportTextWriter::threads() {
    for (const auto& thread : report_.threads()) {
        const auto number = static_cast<long long>(thread.threadNumber());
        add(thread.crashed() ? format("Thread %lld Crashed:\n", number) : format("Thread %lld:\n", number));
        frames(thread.stackFrames());
        add("\n");
        if (thread.crashed()) crashedThread_ = &thread;
    }
}

void ZZCrashReportTextWriter::threadState() {
    if (!crashedThread_) return;
    add(format("Thread %lld crashed with %s Thread State:\n", static_cast<long long>(crashedThread_->threadNumber()),
               codeType_.name.c_str()));
    const auto& registers = crashedThread_->registers();
    for (std::size_t i = 0; i < registers.size(); ++i) {
        add(registerText(registers[i]));
        if ((i + 1) % registersPerRow == 0 || i + 1 == registers.size()) add("\n");
    }
    add("\n");
}

std::string ZZCrashReportTextWriter::registerText(const ZZCrashReportRegisterInfo& entry) const {
    // ARM's intra-procedure-call register goes by its role there.
    const bool ip = isARMMachine() && entry.registerName() == "r12";
    const std::string name = ip ? "ip" : shown(entry.registerName());
    const auto value = wide(entry.registerValue());
    return codeType_.lp64 ? format("%6s: 0x%016llx ", name.c_str(), value)
                          : format("%6s: 0x%08llx ", name.c_str(), value);
}

bool ZZCrashReportTextWriter::isARMMachine() const {
    const auto& machine = report_.machineInfo();
    if (!machine) return false;
    const auto& processor = machine->processorInfo();
    return processor.typeEncoding() == Encoding::mach && (processor.type() & cpuTypeMask) == armCPUType;
}

void ZZCrashReportTextWriter::binaryImages() {
    add("Binary Images:\n");
    std::vector<const ZZCrashReportBinaryImageInfo*> sorted;
    for (const auto& image : report_.images()) sorted.push_back(&image);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto* a, const auto* b) { return a->imageBaseAddress() < b->imageBaseAddress(); });
    const ZZCrashReportBinaryImageInfo* previous = nullptr;
    for (const auto* image : sorted) {
        if (previous && previous->imageBaseAddress() == image->imageBaseAddress()) continue;
        add(imageLine(*image));
        previous = image;
    }
}

std::string ZZCrashReportTextWriter::imageLine(const ZZCrashReportBinaryImageInfo& image) const {
    const auto base = wide(image.imageBaseAddress());
    const auto end = image.imageSize() == 0 ? base : base + wide(image.imageSize()) - 1;
    const auto& process = report_.processInfo();
    const bool executable = process && process->processPath() == image.imageName();
    const char* pattern =
        codeType_.lp64 ? "%#18llx - %#18llx %s%s %s  <%s> %s\n" : "%#10llx - %#10llx %s%s %s  <%s> %s\n";
    return format(pattern, base, end, executable ? "+" : " ", lastPathComponent(image.imageName()).c_str(),
                  ZZCrashReportNames::architectureName(image.codeType()), valueOr(image.imageUUID()).c_str(),
                  shown(image.imageName()).c_str());
}

// Where in its code a frame was: symbol and offset, else image base and offset.
std::string ZZCrashReportTextWriter::location(const ZZCrashReportStackFrameInfo& frame,
                                              const ZZCrashReportBinaryImageInfo* image) {
    const std::uint64_t pointer = frame.instructionPointer();
    if (const auto& symbol = frame.symbolInfo()) {
        return format("%s + %lld", symbolName(symbol->symbolName()).c_str(),
                      static_cast<long long>(pointer - symbol->startAddress()));
    }
    if (!image && pointer != 0) std::fprintf(stderr, "[ZZCrashReporter] Cannot find image for 0x%llx\n", wide(pointer));
    const std::uint64_t base = image ? image->imageBaseAddress() : 0;
    return format("0x%llx + %lld", wide(base), static_cast<long long>(image ? pointer - base : 0));
}

std::string ZZCrashReportTextWriter::symbolName(const std::string& name) {
    if (name.size() < 2 || name.front() != '_') return shown(name);
    if (const auto prefix = ZZCrashReportNames::symbolPrefix(report_.systemInfo().operatingSystem()))
        return shown(name.substr(prefix->size()));
    if (!prefixRulesLogged_) {
        // The reporter's diagnostics go to standard error: this layer has no log of its own.
        std::fprintf(stderr, "[ZZCrashReporter] Symbol \"%s\" prefix rules are unknown for this OS!\n",
                     shown(name).c_str());
        prefixRulesLogged_ = true;
    }
    return shown(name);
}
