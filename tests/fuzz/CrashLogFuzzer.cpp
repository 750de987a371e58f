// A crash log file as the next launch finds it: bytes a crash, a full disk or
// anything else may have left. A log that reads must give strings any JSON
// writer takes and a text report that is valid UTF-8, its images must hold
// the addresses they are found for, and reading any log, accepted or not,
// must hold no more memory than a small multiple of its size, nor ask the
// allocator for more in all (work that grows faster than the log shows there).
#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

#include "CrashReporter/Report/ZZCrashReport.h"
#include "CrashReporter/Report/ZZCrashReportTextFormatter.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

// Bytes the allocator handed out while armed, less those given back: the
// sanitizer's hooks see every allocation of the decoder and of protobuf-c.
struct HeldMemory {
    bool armed = false;
    long long held = 0;
    long long peak = 0;
    long long asked = 0;  // every allocation's size, nothing given back
};
HeldMemory memory;

void onAllocate(const volatile void*, std::size_t size) {
    if (!memory.armed) return;
    memory.held += static_cast<long long>(size);
    memory.asked += static_cast<long long>(size);
    memory.peak = std::max(memory.peak, memory.held);
}

void onFree(const volatile void* pointer) {
    if (!memory.armed || !pointer) return;
    memory.held -= static_cast<long long>(__sanitizer_get_allocated_size(const_cast<const void*>(pointer)));
}

// Decoded `bytes`, and what that held and asked for.
std::variant<ZZCrashReport, ZZCrashReporterError> decodeMeasured(std::span<const std::uint8_t> bytes,
                                                                 HeldMemory& measured) {
    memory = {true, 0, 0, 0};
    auto decoded = ZZCrashReport::fromData(bytes);
    memory.armed = false;
    measured = memory;
    return decoded;
}

bool takenByJSON(const std::string& text) {
    try {
        static_cast<void>(nlohmann::json(text).dump());
        return true;
    } catch (const nlohmann::json::exception&) {
        return false;
    }
}

void checkFrames(const ZZCrashReport& report, const std::vector<ZZCrashReportStackFrameInfo>& frames) {
    for (const auto& frame : frames) {
        const auto* image = report.imageForAddress(frame.instructionPointer());
        fuzzing::check(!image || image->contains(frame.instructionPointer()), "a frame's image holds its address");
        if (frame.symbolInfo()) fuzzing::check(takenByJSON(frame.symbolInfo()->symbolName()), "symbol names are UTF-8");
    }
}

void checkReport(const ZZCrashReport& report) {
    fuzzing::check(takenByJSON(report.signalInfo().name()) &&
                       takenByJSON(report.applicationInfo().applicationIdentifier()) &&
                       takenByJSON(report.systemInfo().operatingSystemVersion()),
                   "section strings are UTF-8");
    for (const auto& image : report.images()) fuzzing::check(takenByJSON(image.imageName()), "image names are UTF-8");
    for (const auto& thread : report.threads()) checkFrames(report, thread.stackFrames());
    if (report.exceptionInfo() && report.exceptionInfo()->stackFrames()) {
        checkFrames(report, *report.exceptionInfo()->stackFrames());
    }
    const auto text =
        ZZCrashReportTextFormatter::stringValueForCrashReport(report, ZZCrashReportTextFormatter::TextFormat::classic);
    fuzzing::check(text.rfind("Incident Identifier: ", 0) == 0, "the report starts with its identifier");
    fuzzing::check(takenByJSON(text), "the text report is UTF-8");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    __sanitizer_install_malloc_and_free_hooks(onAllocate, onFree);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    HeldMemory measured;
    const auto decoded = decodeMeasured({data, size}, measured);
    // The unpacked message, its scan and the report objects: linear in the
    // input, plus the fixed parts of an empty report. A section given again and
    // again, merged by copying all before it, would ask for the square.
    const auto logSize = static_cast<long long>(size);
    fuzzing::check(measured.peak <= 64 * logSize + 64 * 1024, "memory held is a small multiple of the log");
    fuzzing::check(measured.asked <= 128 * logSize + 256 * 1024, "memory asked for is a small multiple of the log");
    const bool headerValid = size > 8 && std::equal(data, data + 8, "zzcrash\x01");
    if (const auto* error = std::get_if<ZZCrashReporterError>(&decoded)) {
        fuzzing::check(error->code() == ZZCrashReporterError::Code::invalidCrashReport && !error->description().empty(),
                       "a refused log says why");
        return 0;
    }
    fuzzing::check(headerValid, "only a log with the header reads");
    checkReport(std::get<ZZCrashReport>(decoded));
    return 0;
}
