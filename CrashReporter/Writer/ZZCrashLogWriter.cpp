#include "CrashReporter/Writer/ZZCrashLogWriter.h"

#include <sys/random.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "CrashReporter/Private/ZZCrashProcessInfo.h"
#include "CrashReporter/Writer/Private/zzcrash_machine_facts.h"

namespace {

zzcrash_log_text copyText(const char* text, std::size_t length) {
    auto* bytes = static_cast<char*>(std::malloc(length + 1));
    if (!bytes) return {0, nullptr};
    std::memcpy(bytes, text, length);
    bytes[length] = '\0';
    return {length, bytes};
}

zzcrash_log_text copyText(const std::string& text) { return copyText(text.data(), text.size()); }

zzcrash_log_text copyText(const std::optional<std::string>& text) {
    return text ? copyText(*text) : zzcrash_log_text{};
}

void freeText(zzcrash_log_text& text) {
    std::free(text.bytes);
    text = {0, nullptr};
}

char* copyString(const char* text) { return copyText(text, std::strlen(text)).bytes; }

// A random (version 4) UUID.
void makeUUID(std::uint8_t uuid[16]) {
    if (getrandom(uuid, 16, 0) != 16) std::memset(uuid, 0, 16);
    uuid[6] = static_cast<std::uint8_t>((uuid[6] & 0x0F) | 0x40);
    uuid[8] = static_cast<std::uint8_t>((uuid[8] & 0x3F) | 0x80);
}

std::optional<std::string> executablePath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<std::size_t>(length) == sizeof path) return std::nullopt;
    return std::string(path, static_cast<std::size_t>(length));
}

void clearRecord(zzcrash_log_writer* writer) {
    zzcrash_log_writer_free(writer);
    writer->symbolication_strategy = 0;
    writer->user_requested = false;
    writer->holds_stopped_threads = false;
    std::memset(writer->report_uuid, 0, sizeof writer->report_uuid);
    writer->cpu_type = writer->cpu_subtype = 0;
    writer->processor_count = writer->logical_processor_count = 0;
    writer->process_id = writer->parent_process_id = 0;
    writer->process_start_time = 0;
    writer->native = true;
}

void recordMachine(zzcrash_log_writer* writer) {
    const zzcrash_machine_facts facts = zzcrash_machine_facts::current();
    writer->machine_model = copyText(facts.model);
    writer->os_build = copyText(facts.osBuild);
    writer->os_version = copyText(facts.osVersion);
    writer->cpu_type = ZZCRASH_CPU_TYPE_X86_64;
    writer->cpu_subtype = ZZCRASH_CPU_SUBTYPE_X86_64_ALL;
    writer->processor_count = facts.processorCount;
    writer->logical_processor_count = facts.logicalProcessorCount;
}

bool recordProcess(zzcrash_log_writer* writer) {
    const auto process = ZZCrashProcessInfo::currentProcessInfo();
    if (!process) return false;
    writer->process_id = static_cast<std::uint32_t>(process->processID());
    writer->process_name = copyText(process->processName());
    writer->process_start_time = static_cast<std::uint64_t>(process->startTime().tv_sec);
    writer->process_path = copyText(executablePath());
    writer->parent_process_id = static_cast<std::uint32_t>(process->parentProcessID());
    if (const auto parent = ZZCrashProcessInfo::withProcessID(process->parentProcessID()))
        writer->parent_process_name = copyText(parent->processName());
    return true;
}

// Each page of the scratch (over half a MiB: the unwinder's page cache, the
// symbol names, the stacks, the output) is written before any crash, with
// the byte it holds, so that the pages are mapped now: first written inside
// a crash, each page a write used took a fault on the crash path.
void touchScratch(zzcrash_log_writer* writer) {
    auto* bytes = reinterpret_cast<volatile unsigned char*>(&writer->scratch);
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    for (std::size_t at = 0; at < sizeof writer->scratch; at += page) bytes[at] = bytes[at];
    bytes[sizeof writer->scratch - 1] =
        bytes[sizeof writer->scratch - 1];  // the last page, when the record starts mid-page
}

}  // namespace

zzcrash_error_t zzcrash_log_writer_init(zzcrash_log_writer* writer, const char* application_identifier,
                                        const char* application_version, const char* application_marketing_version,
                                        std::uint32_t symbolication_strategy, bool user_requested) {
    clearRecord(writer);
    writer->symbolication_strategy = symbolication_strategy;
    writer->user_requested = user_requested;
    makeUUID(writer->report_uuid);
    writer->application_identifier = copyText(application_identifier, std::strlen(application_identifier));
    writer->application_version = copyText(application_version, std::strlen(application_version));
    if (application_marketing_version)
        writer->application_marketing_version =
            copyText(application_marketing_version, std::strlen(application_marketing_version));
    const bool process = recordProcess(writer);
    recordMachine(writer);
    touchScratch(writer);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    return process ? ZZCRASH_ESUCCESS : ZZCRASH_EINVAL;
}

void zzcrash_log_writer_set_exception(zzcrash_log_writer* writer, const zzcrash_log_exception* exception) {
    auto& recorded = writer->uncaught_exception;
    if (recorded.has_exception.load()) {
        std::fputs("Assertion failed: writer->uncaught_exception.has_exception == false\n", stderr);
        std::abort();
    }
    recorded.name = copyString(exception->name);
    recorded.reason = copyString(exception->reason ? exception->reason : "");
    recorded.call_stack_count = 0;
    recorded.call_stack = nullptr;
    if (exception->call_stack_count > 0) {
        const std::size_t bytes = exception->call_stack_count * sizeof(std::uint64_t);
        recorded.call_stack = static_cast<std::uint64_t*>(std::malloc(bytes));
        if (recorded.call_stack) {
            std::memcpy(recorded.call_stack, exception->call_stack, bytes);
            recorded.call_stack_count = exception->call_stack_count;
        }
    }
    recorded.has_exception.store(true, std::memory_order_seq_cst);
}

void zzcrash_log_writer_set_custom_data(zzcrash_log_writer* writer, const void* bytes, std::size_t length) {
    zzcrash_log_custom_data* block = nullptr;
    if (bytes) {
        // One allocation: the header, then the bytes.
        void* memory = std::malloc(sizeof(zzcrash_log_custom_data) + length);
        if (memory) {
            auto* copy = static_cast<std::uint8_t*>(memory) + sizeof(zzcrash_log_custom_data);
            std::memcpy(copy, bytes, length);
            block = new (memory) zzcrash_log_custom_data{length, copy};
        }
    }
    zzcrash_log_custom_data* previous = writer->custom_data.exchange(block, std::memory_order_seq_cst);
    // A write that counted itself before the exchange may still read the
    // previous block; one that counts itself after it sees the new one. The
    // block a write may hold is left to it: the process is ending.
    if (writer->custom_data_readers.load(std::memory_order_seq_cst) == 0) std::free(previous);
}

void zzcrash_log_writer_free(zzcrash_log_writer* writer) {
    for (zzcrash_log_text* text :
         {&writer->os_version, &writer->os_build, &writer->machine_model, &writer->application_identifier,
          &writer->application_version, &writer->application_marketing_version, &writer->process_name,
          &writer->process_path, &writer->parent_process_name})
        freeText(*text);
    auto& exception = writer->uncaught_exception;
    if (exception.has_exception.exchange(false)) {
        std::free(exception.name);
        std::free(exception.reason);
        std::free(exception.call_stack);
    }
    exception.name = exception.reason = nullptr;
    exception.call_stack = nullptr;
    exception.call_stack_count = 0;
    zzcrash_log_writer_set_custom_data(writer, nullptr, 0);
}

zzcrash_error_t zzcrash_log_writer_close(zzcrash_log_writer*) { return ZZCRASH_ESUCCESS; }
