#include "tests/CrashReporter/Report/CrashLogArena.h"

#include <variant>

#include <gtest/gtest.h>

namespace tessivar::testing {

char* CrashLogArena::text(std::string_view text) { return texts_.emplace_back(text).data(); }

ProtobufCBinaryData CrashLogArena::bytes(std::vector<std::uint8_t> bytes) {
    auto& kept = bytes_.emplace_back(std::move(bytes));
    return {kept.size(), kept.data()};
}

Zzcrash__CrashReport__Thread__StackFrame& CrashLogArena::frame(std::uint64_t pc) {
    auto& frame = make(zzcrash__crash_report__thread__stack_frame__init);
    frame.pc = pc;
    return frame;
}

Zzcrash__CrashReport__Thread__StackFrame& CrashLogArena::frame(std::uint64_t pc, std::string_view symbol,
                                                               std::uint64_t start) {
    auto& frame = this->frame(pc);
    auto& found = make(zzcrash__crash_report__symbol__init);
    found.name = text(symbol);
    found.start_address = start;
    frame.symbol = &found;
    return frame;
}

Zzcrash__CrashReport__Thread__RegisterValue& CrashLogArena::registerValue(std::string_view name, std::uint64_t value) {
    auto& entry = make(zzcrash__crash_report__thread__register_value__init);
    entry.name = text(name);
    entry.value = value;
    return entry;
}

Zzcrash__CrashReport__Thread& CrashLogArena::thread(std::uint32_t number, bool crashed) {
    auto& thread = make(zzcrash__crash_report__thread__init);
    thread.thread_number = number;
    thread.crashed = crashed;
    return thread;
}

Zzcrash__CrashReport__Processor& CrashLogArena::processor(std::uint64_t type, std::uint64_t subtype) {
    auto& processor = make(zzcrash__crash_report__processor__init);
    processor.has_encoding = true;
    processor.encoding = ZZCRASH__CRASH_REPORT__PROCESSOR__TYPE_ENCODING__TYPE_ENCODING_MACH;
    processor.type = type;
    processor.subtype = subtype;
    return processor;
}

Zzcrash__CrashReport__BinaryImage& CrashLogArena::image(std::uint64_t base, std::uint64_t size, std::string_view name) {
    auto& image = make(zzcrash__crash_report__binary_image__init);
    image.base_address = base;
    image.size = size;
    image.name = text(name);
    image.code_type = &processor(0x1000007, 3);
    return image;
}

Zzcrash__CrashReport__SystemInfo& CrashLogArena::linuxSystem() {
    auto& system = make(zzcrash__crash_report__system_info__init);
    system.has_operating_system = true;
    system.operating_system = ZZCRASH__CRASH_REPORT__SYSTEM_INFO__OPERATING_SYSTEM__OS_UNKNOWN;
    system.os_version = text("6.1.0");
    system.os_build = text("#1 SMP PREEMPT_DYNAMIC Debian 6.1.106-3");
    system.architecture = ZZCRASH__ARCHITECTURE__X86_64;
    system.timestamp = 1717243200;
    return system;
}

Zzcrash__CrashReport__ProcessInfo& CrashLogArena::tessivarProcess() {
    auto& process = make(zzcrash__crash_report__process_info__init);
    process.process_name = text("tessivar");
    process.process_id = 4242;
    process.process_path = text("/usr/bin/tessivar");
    process.parent_process_name = text("systemd");
    process.parent_process_id = 1;
    process.native = true;
    process.has_start_time = true;
    process.start_time = 1717243100;
    return process;
}

Zzcrash__CrashReport__MachineInfo& CrashLogArena::pcMachine() {
    auto& machine = make(zzcrash__crash_report__machine_info__init);
    machine.model = text("Standard PC (Q35 + ICH9, 2009)");
    machine.processor = &processor(0x1000007, 3);
    machine.processor_count = 4;
    machine.logical_processor_count = 8;
    return machine;
}

Zzcrash__CrashReport& CrashLogArena::linuxReport() {
    auto& application = make(zzcrash__crash_report__application_info__init);
    application.identifier = text("com.brel.tessivar");
    application.version = text("1");
    application.marketing_version = text("1.0.0");

    auto& signal = make(zzcrash__crash_report__signal__init);
    signal.name = text("SIGSEGV");
    signal.code = text("SEGV_MAPERR");
    signal.address = 0x10;

    auto& reportInfo = make(zzcrash__crash_report__report_info__init);
    reportInfo.has_uuid = true;
    reportInfo.uuid =
        bytes({0x6e, 0x2f, 0x1b, 0x0c, 0x8d, 0x4a, 0x4f, 0x93, 0xa1, 0x5e, 0x77, 0x20, 0x3b, 0xc4, 0x09, 0xd8});

    auto& report = make(zzcrash__crash_report__init);
    report.system_info = &linuxSystem();
    report.application_info = &application;
    report.process_info = &tessivarProcess();
    report.machine_info = &pcMachine();
    report.signal = &signal;
    report.report_info = &reportInfo;
    setList(report.threads, report.n_threads, {&idleThread(), &crashedThread()});
    setList(report.binary_images, report.n_binary_images,
            {&image(0x560016775000, 0x110000, "/usr/bin/tessivar"),
             &image(0x7f3683310000, 0x176000, "/usr/lib/x86_64-linux-gnu/libc.so.6")});
    return report;
}

Zzcrash__CrashReport__Thread& CrashLogArena::idleThread() {
    auto& idle = thread(0, false);
    setList(idle.frames, idle.n_frames, {&frame(0x7f3683401a2a, "__GI___poll", 0x7f36834019f0)});
    return idle;
}

Zzcrash__CrashReport__Thread& CrashLogArena::crashedThread() {
    auto& crashed = thread(1, true);
    setList(
        crashed.frames, crashed.n_frames,
        {&frame(0x560016778262, "_ZN8tessivar10JumpEngine12jumpToScreenEi", 0x560016778200), &frame(0x560016777001)});
    setList(crashed.registers, crashed.n_registers,
            {&registerValue("rip", 0x560016778262), &registerValue("rbp", 0x7ffcd3e00000),
             &registerValue("rsp", 0x7ffcd3dfffc0)});
    return crashed;
}

ZZCrashReport CrashLogArena::decoded(const Zzcrash__CrashReport& report) {
    auto result = ZZCrashReport::fromData(file(report));
    if (auto* error = std::get_if<ZZCrashReporterError>(&result)) ADD_FAILURE() << error->description();
    return std::get<ZZCrashReport>(std::move(result));
}

std::vector<std::uint8_t> CrashLogArena::file(const Zzcrash__CrashReport& report) {
    std::vector<std::uint8_t> file{'z', 'z', 'c', 'r', 'a', 's', 'h', 1};
    const std::size_t header = file.size();
    file.resize(header + zzcrash__crash_report__get_packed_size(&report));
    zzcrash__crash_report__pack(&report, file.data() + header);
    return file;
}

}  // namespace tessivar::testing
