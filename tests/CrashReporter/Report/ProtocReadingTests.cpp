// protoc-c reads the same crash log bytes on its own (protobuf's C++ runtime,
// not protobuf-c): the report the decoder makes, written back in protobuf's
// text form, must be what protoc-c prints.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Report/ZZCrashReport.h"
#include "tests/CrashReporter/Report/CrashLogArena.h"
#include "tests/support/ShellCommand.h"

namespace {

using tessivar::testing::CrashLogArena;

// Protobuf's text form, as protoc prints it: fields in number order, nested
// messages indented by two spaces, bytes escaped the C way.
class TextForm {
public:
    void open(const char* name) {
        indented(std::string(name) + " {");
        depth_ += 2;
    }
    void close() {
        depth_ -= 2;
        indented("}");
    }
    void number(const char* name, std::uint64_t value) { indented(std::string(name) + ": " + std::to_string(value)); }
    void word(const char* name, const char* value) { indented(std::string(name) + ": " + value); }
    void flag(const char* name, bool value) { word(name, value ? "true" : "false"); }
    void string(const char* name, const std::string& value) {
        indented(std::string(name) + ": \"" + escaped(value) + "\"");
    }
    void optionalString(const char* name, const std::optional<std::string>& value) {
        if (value) string(name, *value);
    }
    const std::string& text() const { return text_; }

private:
    static std::string escaped(const std::string& bytes) {
        std::string text;
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '"' || c == '\\' || c == '\'') {
                text += '\\';
                text += c;
            } else if (c == '\n' || c == '\r' || c == '\t') {
                text += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
            } else if (byte >= 0x20 && byte < 0x7F) {
                text += c;
            } else {
                char octal[5];
                std::snprintf(octal, sizeof octal, "\\%03o", byte);
                text += octal;
            }
        }
        return text;
    }
    void indented(const std::string& line) {
        text_ += std::string(static_cast<std::size_t>(depth_), ' ') + line + "\n";
    }

    std::string text_;
    int depth_ = 0;
};

std::string hexBytes(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

void processor(TextForm& out, const char* name, const ZZCrashReportProcessorInfo& processor) {
    static const char* encodings[] = {"TYPE_ENCODING_UNKNOWN", "TYPE_ENCODING_MACH"};
    out.open(name);
    out.word("encoding", encodings[static_cast<int>(processor.typeEncoding())]);
    out.number("type", processor.type());
    out.number("subtype", processor.subtype());
    out.close();
}

void frames(TextForm& out, const std::vector<ZZCrashReportStackFrameInfo>& frames) {
    for (const auto& frame : frames) {
        out.open("frames");
        out.number("pc", frame.instructionPointer());
        if (const auto& symbol = frame.symbolInfo()) {
            out.open("symbol");
            out.string("name", symbol->symbolName());
            out.number("start_address", symbol->startAddress());
            if (symbol->endAddress() != 0) out.number("end_address", symbol->endAddress());
            out.close();
        }
        out.close();
    }
}

void systemAndApplication(TextForm& out, const ZZCrashReport& report) {
    static const char* systems[] = {"MAC_OS_X", "IPHONE_OS", "IPHONE_SIMULATOR", "OS_UNKNOWN", "APPLE_TVOS", "LINUX"};
    static const char* architectures[] = {"X86_32", "X86_64", "ARMV6", "PPC", "PPC64", "ARMV7", "ARCHITECTURE_UNKNOWN"};
    const auto& system = report.systemInfo();
    out.open("system_info");
    out.word("operating_system", systems[static_cast<int>(system.operatingSystem())]);
    out.string("os_version", system.operatingSystemVersion());
    out.word("architecture", architectures[static_cast<int>(system.architecture())]);
    out.number("timestamp", static_cast<std::uint64_t>(system.timestamp()->time_since_epoch().count()));
    out.optionalString("os_build", system.operatingSystemBuild());
    out.close();
    const auto& application = report.applicationInfo();
    out.open("application_info");
    out.string("identifier", application.applicationIdentifier());
    out.string("version", application.applicationVersion());
    out.optionalString("marketing_version", application.applicationMarketingVersion());
    out.close();
}

void threadsAndImages(TextForm& out, const ZZCrashReport& report) {
    for (const auto& thread : report.threads()) {
        out.open("threads");
        out.number("thread_number", static_cast<std::uint64_t>(thread.threadNumber()));
        frames(out, thread.stackFrames());
        out.flag("crashed", thread.crashed());
        for (const auto& entry : thread.registers()) {
            out.open("registers");
            out.string("name", entry.registerName());
            out.number("value", entry.registerValue());
            out.close();
        }
        out.close();
    }
    for (const auto& image : report.images()) {
        out.open("binary_images");
        out.number("base_address", image.imageBaseAddress());
        out.number("size", image.imageSize());
        out.string("name", image.imageName());
        if (image.imageUUID()) out.string("uuid", hexBytes(*image.imageUUID()));
        if (image.codeType()) processor(out, "code_type", *image.codeType());
        out.close();
    }
}

void exceptionAndSignal(TextForm& out, const ZZCrashReport& report) {
    if (const auto& exception = report.exceptionInfo()) {
        out.open("exception");
        out.string("name", exception->exceptionName());
        out.string("reason", exception->exceptionReason());
        if (exception->stackFrames()) frames(out, *exception->stackFrames());
        out.close();
    }
    const auto& signal = report.signalInfo();
    out.open("signal");
    out.string("name", signal.name());
    out.string("code", signal.code());
    out.number("address", signal.address());
    if (const auto& mach = report.machExceptionInfo()) {
        out.open("mach_exception");
        out.number("type", mach->type());
        for (const auto code : mach->codes()) out.number("codes", code);
        out.close();
    }
    out.optionalString("crash_info_message", signal.crashInfoMessage());
    out.close();
}

void processMachineAndReport(TextForm& out, const ZZCrashReport& report) {
    const auto& process = *report.processInfo();
    out.open("process_info");
    out.optionalString("process_name", process.processName());
    out.number("process_id", process.processID());
    out.optionalString("process_path", process.processPath());
    out.optionalString("parent_process_name", process.parentProcessName());
    out.number("parent_process_id", process.parentProcessID());
    out.flag("native", process.native());
    out.number("start_time", static_cast<std::uint64_t>(process.processStartTime()->time_since_epoch().count()));
    out.close();
    const auto& machine = *report.machineInfo();
    out.open("machine_info");
    out.optionalString("model", machine.modelName());
    processor(out, "processor", machine.processorInfo());
    out.number("processor_count", machine.processorCount());
    out.number("logical_processor_count", machine.logicalProcessorCount());
    out.close();
    out.open("report_info");
    out.flag("user_requested", false);
    out.string("uuid", std::string(report.uuid()->begin(), report.uuid()->end()));
    out.close();
    out.string("custom_data", std::string(report.customData()->begin(), report.customData()->end()));
}

std::string textForm(const ZZCrashReport& report) {
    TextForm out;
    systemAndApplication(out, report);
    threadsAndImages(out, report);
    exceptionAndSignal(out, report);
    processMachineAndReport(out, report);
    return out.text();
}

std::string protocReading(const std::vector<std::uint8_t>& file) {
    const auto body = std::filesystem::temp_directory_path() / ("crash-log-body-" + std::to_string(getpid()));
    std::ofstream(body, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data() + 8), static_cast<std::streamsize>(file.size() - 8));
    const std::filesystem::path schema = TESSIVAR_CRASH_LOG_SCHEMA;
    using tessivar::testing::shellQuoted;
    const auto result = tessivar::testing::runShellCommand(
        shellQuoted(TESSIVAR_PROTOC_C) + " --proto_path=" + shellQuoted(schema.parent_path()) +
            " --decode=zzcrash.CrashReport " + shellQuoted(schema.filename()) + " < " + shellQuoted(body),
        std::chrono::seconds(20));
    std::filesystem::remove(body);
    EXPECT_TRUE(result.succeeded()) << result.output;
    return result.output;
}

TEST(ProtocReading, TheDecodedReportHoldsWhatProtocReadsInTheSameBytes) {
    CrashLogArena arena;
    auto& message = arena.linuxReport();
    auto& exception = arena.make(zzcrash__crash_report__exception__init);
    exception.name = arena.text("std::out_of_range");
    exception.reason = arena.text("vector::_M_range_check: \"9\" >= 8\n");
    arena.setList(exception.frames, exception.n_frames,
                  {&arena.frame(0x560016778262), &arena.frame(0x56001677a000, "main", 0x560016779f90)});
    message.exception = &exception;
    auto& mach = arena.make(zzcrash__crash_report__signal__mach_exception__init);
    mach.type = 0xFFFFFFFFFFFFFFFF;
    std::uint64_t codes[] = {1, 0x10, 0xFFFFFFFF00000000};
    mach.codes = codes;
    mach.n_codes = 3;
    message.signal->mach_exception = &mach;
    message.signal->crash_info_message = arena.text("assertion failed: 'x' \\ y");
    message.threads[0]->frames[0]->symbol->has_end_address = true;
    message.threads[0]->frames[0]->symbol->end_address = 0x7f3683401b00;
    message.binary_images[0]->has_uuid = true;
    message.binary_images[0]->uuid =
        arena.bytes({0x1f, 0x0a, 0x3c, 0x44, 0x9d, 0x57, 0x4e, 0x10, 0x8a, 0x0b, 0xcd, 0xe2, 0xf1, 0x00, 0x93, 0x7e});
    message.has_custom_data = true;
    message.custom_data = arena.bytes({'{', '"', 'i', 'd', '"', ':', '1', '}', 0x00, 0x80, 0xFF});

    EXPECT_EQ(textForm(CrashLogArena::decoded(message)), protocReading(CrashLogArena::file(message)));
}

}  // namespace
