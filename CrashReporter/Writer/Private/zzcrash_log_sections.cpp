#include "CrashReporter/Writer/Private/zzcrash_log_sections.h"

#include "CrashReporter/Async/zzcrash_async_signal_names.h"

namespace {

// Values of the schema's enumerations.
constexpr std::uint64_t operatingSystemLinux = 5;
constexpr std::uint64_t architectureX86_64 = 1;
constexpr std::uint64_t typeEncodingMach = 1;

// "#" and a decimal int: 12 characters at most, and the NUL.
constexpr std::size_t numberNameBytes = 16;

std::size_t knownText(zzcrash_log_encoder& out, std::uint32_t number, const zzcrash_log_text& text) {
    return text.bytes ? out.bytesField(number, text.bytes, text.length) : 0;
}

std::size_t text(zzcrash_log_encoder& out, std::uint32_t number, const zzcrash_log_text& text) {
    return out.bytesField(number, text.bytes ? text.bytes : "", text.length);
}

const char* numberName(int value, char buffer[numberNameBytes]) {
    char digits[numberNameBytes];
    std::size_t count = 0;
    // Negative codes are common (SI_TKILL is -6); work in the negative range,
    // which holds every int.
    int rest = value < 0 ? value : -value;
    do {
        digits[count++] = static_cast<char>('0' - rest % 10);
        rest /= 10;
    } while (rest != 0);
    std::size_t length = 0;
    buffer[length++] = '#';
    if (value < 0) buffer[length++] = '-';
    while (count > 0) buffer[length++] = digits[--count];
    buffer[length] = '\0';
    return buffer;
}

std::size_t signalBody(zzcrash_log_encoder& out, const zzcrash_log_bsd_signal_info& bsd,
                       const zzcrash_log_mach_signal_info* mach, const char* crashInfoMessage) {
    char signalNumber[numberNameBytes];
    char codeNumber[numberNameBytes];
    const char* name = zzcrash_async_signal_name(bsd.signo);
    const char* code = zzcrash_async_signal_code_name(bsd.signo, bsd.code);
    std::size_t size = out.stringField(1, name ? name : numberName(bsd.signo, signalNumber));
    size += out.stringField(2, code ? code : numberName(bsd.code, codeNumber));
    size += out.uint64Field(3, bsd.address);
    if (mach) {
        size += out.messageField(4, [mach](zzcrash_log_encoder& exception) {
            std::size_t bytes = exception.uint64Field(1, static_cast<std::uint64_t>(std::int64_t{mach->type}));
            for (std::uint32_t i = 0; i < mach->code_count; ++i)
                bytes += exception.uint64Field(2, static_cast<std::uint64_t>(mach->codes[i]));
            return bytes;
        });
    }
    if (crashInfoMessage && crashInfoMessage[0] != '\0') size += out.stringField(5, crashInfoMessage);
    return size;
}

}  // namespace

std::size_t zzcrash_log_write_report_info(zzcrash_log_encoder& out, const zzcrash_log_writer* writer) {
    return out.boolField(1, writer->user_requested) +
           out.bytesField(2, writer->report_uuid, sizeof writer->report_uuid);
}

std::size_t zzcrash_log_write_system_info(zzcrash_log_encoder& out, const zzcrash_log_writer* writer,
                                          std::int64_t timestamp) {
    return out.uint64Field(1, operatingSystemLinux) + text(out, 2, writer->os_version) +
           knownText(out, 5, writer->os_build) + out.uint64Field(3, architectureX86_64) + out.int64Field(4, timestamp);
}

std::size_t zzcrash_log_write_processor(zzcrash_log_encoder& out, std::uint64_t type, std::uint64_t subtype) {
    return out.uint64Field(1, typeEncodingMach) + out.uint64Field(2, type) + out.uint64Field(3, subtype);
}

std::size_t zzcrash_log_write_machine_info(zzcrash_log_encoder& out, const zzcrash_log_writer* writer) {
    std::size_t size = knownText(out, 1, writer->machine_model);
    size += out.messageField(2, [writer](zzcrash_log_encoder& processor) {
        return zzcrash_log_write_processor(processor, static_cast<std::uint64_t>(writer->cpu_type),
                                           static_cast<std::uint64_t>(writer->cpu_subtype));
    });
    return size + out.uint64Field(3, writer->processor_count) + out.uint64Field(4, writer->logical_processor_count);
}

std::size_t zzcrash_log_write_application_info(zzcrash_log_encoder& out, const zzcrash_log_writer* writer) {
    return text(out, 1, writer->application_identifier) + text(out, 2, writer->application_version) +
           knownText(out, 3, writer->application_marketing_version);
}

std::size_t zzcrash_log_write_process_info(zzcrash_log_encoder& out, const zzcrash_log_writer* writer) {
    return knownText(out, 1, writer->process_name) + out.uint64Field(2, writer->process_id) +
           knownText(out, 3, writer->process_path) + knownText(out, 4, writer->parent_process_name) +
           out.uint64Field(5, writer->parent_process_id) + out.boolField(6, writer->native) +
           out.uint64Field(7, writer->process_start_time);
}

std::size_t zzcrash_log_write_exception(zzcrash_log_encoder& out, const zzcrash_log_sources& sources) {
    const auto& exception = sources.writer->uncaught_exception;
    std::size_t size = out.stringField(1, exception.name) + out.stringField(2, exception.reason);
    const std::size_t count =
        exception.call_stack_count < ZZCRASH_LOG_MAX_FRAMES ? exception.call_stack_count : ZZCRASH_LOG_MAX_FRAMES;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t pc = exception.call_stack[i];
        size += out.messageField(
            3, [&](zzcrash_log_encoder& frame) { return zzcrash_log_write_frame(frame, sources, pc, true); });
    }
    return size;
}

std::size_t zzcrash_log_write_signal(zzcrash_log_encoder& out, const zzcrash_log_signal_info* signal,
                                     const char* crash_info_message) {
    const zzcrash_log_bsd_signal_info none{0, 0, 0};
    return signalBody(out, signal->bsd_info ? *signal->bsd_info : none, signal->mach_info, crash_info_message);
}
