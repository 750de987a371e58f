#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CrashReporter/Report/ZZCrashReport.h"
#include "CrashReporter/ZZCrashReport.pb-c.h"

namespace tessivar::testing {

// Messages of the crash log schema made field by field, kept alive as long as
// the arena, and packed into a crash log file by protobuf-c's own packer.
class CrashLogArena {
public:
    // A new message set to its defaults by its `init` function.
    template <typename Message>
    Message& make(void (*init)(Message*)) {
        auto message = std::make_shared<Message>();
        init(message.get());
        kept_.push_back(message);
        return *message;
    }

    // A C string that lives as long as the arena.
    char* text(std::string_view text);
    // Bytes that live as long as the arena.
    ProtobufCBinaryData bytes(std::vector<std::uint8_t> bytes);

    // `messages` as the pointer array of a repeated field, set with its count.
    template <typename Message>
    void setList(Message**& field, std::size_t& count, std::vector<Message*> messages) {
        auto kept = std::make_shared<std::vector<Message*>>(std::move(messages));
        kept_.push_back(kept);
        field = kept->data();
        count = kept->size();
    }

    // A complete report of this platform's shape: the operating system
    // unknown, x86-64, machine, process and report information, two threads
    // (the second crashed, with three registers) and two images.
    Zzcrash__CrashReport& linuxReport();

    Zzcrash__CrashReport__Thread__StackFrame& frame(std::uint64_t pc);
    Zzcrash__CrashReport__Thread__StackFrame& frame(std::uint64_t pc, std::string_view symbol, std::uint64_t start);
    Zzcrash__CrashReport__Thread__RegisterValue& registerValue(std::string_view name, std::uint64_t value);
    Zzcrash__CrashReport__Thread& thread(std::uint32_t number, bool crashed);
    Zzcrash__CrashReport__BinaryImage& image(std::uint64_t base, std::uint64_t size, std::string_view name);
    Zzcrash__CrashReport__Processor& processor(std::uint64_t type, std::uint64_t subtype);

    // The crash log file of `report`: "zzcrash", version 1, the packed message.
    static std::vector<std::uint8_t> file(const Zzcrash__CrashReport& report);
    // The report read back from that file; a test failure when it does not read.
    static ZZCrashReport decoded(const Zzcrash__CrashReport& report);

private:
    Zzcrash__CrashReport__SystemInfo& linuxSystem();
    Zzcrash__CrashReport__ProcessInfo& tessivarProcess();
    Zzcrash__CrashReport__MachineInfo& pcMachine();
    Zzcrash__CrashReport__Thread& idleThread();
    Zzcrash__CrashReport__Thread& crashedThread();

    std::deque<std::shared_ptr<void>> kept_;
    std::deque<std::string> texts_;
    std::deque<std::vector<std::uint8_t>> bytes_;
};

}  // namespace tessivar::testing
