// The crash log writer on this process: its threads (some parked, the calling
// one described by its own registers), its ELF images and its facts, read
// back by the decoder, by protobuf-c directly and by protoc-c.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "CrashReporter/Platform/zzcrash_thread_stopper.h"
#include "tests/CrashReporter/Support/ParkedThreads.h"
#include "tests/CrashReporter/Writer/LogReading.h"
#include "tests/CrashReporter/Writer/WriterHarness.h"

namespace {

using tessivar::testing::decodedLog;
using tessivar::testing::ParkedThreads;
using tessivar::testing::protocRawReading;
using tessivar::testing::SignalOnly;
using tessivar::testing::symbolNames;
using tessivar::testing::unpackedLog;
using tessivar::testing::WriterHarness;

const SignalOnly segv{{SIGSEGV, SEGV_MAPERR, 0x10}};

std::string executablePath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    return std::string(path, static_cast<std::size_t>(std::max<ssize_t>(length, 0)));
}

std::size_t threadsOfThisProcess() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A function on the crashed thread's stack: exported under this name.
extern "C" __attribute__((noinline, visibility("default"))) WriterHarness::Written tessivar_writer_test_write_here(
    WriterHarness& harness) {
    WriterHarness::Written written = harness.write(segv.info());
    asm volatile("");
    return written;
}

TEST(CrashLogWriter, WritesEveryThreadWithItsFramesAndTheCrashedOneWithItsRegisters) {
    const ParkedThreads parked(2);
    WriterHarness harness;
    const auto written = tessivar_writer_test_write_here(harness);
    ASSERT_EQ(written.result, ZZCRASH_ESUCCESS);
    const auto report = decodedLog(written.bytes);
    ASSERT_TRUE(report);
    ASSERT_EQ(report->threads().size(), threadsOfThisProcess());
    int crashed = 0;
    for (std::size_t i = 0; i < report->threads().size(); ++i) {
        const auto& thread = report->threads()[i];
        EXPECT_EQ(thread.threadNumber(), static_cast<std::int64_t>(i));
        EXPECT_GE(thread.stackFrames().size(), 3u) << "thread " << i;
        if (!thread.crashed()) {
            EXPECT_TRUE(thread.registers().empty());
            continue;
        }
        ++crashed;
        ASSERT_EQ(thread.registers().size(), 21u);
        EXPECT_EQ(thread.registers()[0].registerName(), "rip");
        EXPECT_EQ(thread.registers()[0].registerValue(), thread.stackFrames()[0].instructionPointer());
        // The state is the caller's of the capture: the harness's write.
        const auto names = symbolNames(thread);
        EXPECT_TRUE(names[0].starts_with("_ZN8tessivar7testing13WriterHarness5write")) << names[0];
        const auto here = std::find(names.begin(), names.end(), "tessivar_writer_test_write_here");
        EXPECT_NE(here, names.end()) << ::testing::PrintToString(names);
        EXPECT_NE(std::find(here, names.end(), "main"), names.end()) << ::testing::PrintToString(names);
    }
    EXPECT_EQ(crashed, 1);
}

TEST(CrashLogWriter, RecordsTheProcessItsImagesAndTheMachine) {
    WriterHarness harness(ZZCRASH_SYMBOL_STRATEGY_SYMBOL_TABLE, true);
    const auto written = harness.write(segv.info());
    const auto report = decodedLog(written.bytes);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->applicationInfo().applicationIdentifier(), "com.brel.tessivar");
    EXPECT_EQ(report->applicationInfo().applicationVersion(), "1");
    EXPECT_EQ(report->applicationInfo().applicationMarketingVersion(), "1.0.0");
    ASSERT_TRUE(report->processInfo());
    EXPECT_EQ(report->processInfo()->processID(), static_cast<std::uint64_t>(getpid()));
    EXPECT_EQ(report->processInfo()->parentProcessID(), static_cast<std::uint64_t>(getppid()));
    EXPECT_EQ(report->processInfo()->processPath(), executablePath());
    EXPECT_TRUE(report->processInfo()->native());
    EXPECT_EQ(report->systemInfo().operatingSystem(), ZZCrashReportSystemInfo::OperatingSystem::gnuLinux);
    EXPECT_EQ(report->systemInfo().architecture(), ZZCrashReportSystemInfo::Architecture::x86_64);
    EXPECT_FALSE(report->systemInfo().operatingSystemVersion().empty());
    ASSERT_TRUE(report->machineInfo());
    EXPECT_EQ(report->machineInfo()->processorInfo().type(), 0x1000007u);
    EXPECT_EQ(report->machineInfo()->logicalProcessorCount(),
              static_cast<std::uint32_t>(sysconf(_SC_NPROCESSORS_CONF)));
    EXPECT_TRUE(report->uuid());
    EXPECT_EQ(report->signalInfo().name(), "SIGSEGV");
    EXPECT_EQ(report->signalInfo().code(), "SEGV_MAPERR");
    EXPECT_EQ(report->signalInfo().address(), 0x10u);

    bool executable = false;
    bool libc = false;
    for (const auto& image : report->images()) {
        executable = executable || (image.imageName() == executablePath() && image.hasImageUUID());
        libc = libc || image.imageName().ends_with("/libc.so.6");
        ASSERT_TRUE(image.codeType());
        EXPECT_EQ(image.codeType()->type(), 0x1000007u);
    }
    EXPECT_TRUE(executable);
    EXPECT_TRUE(libc);
    EXPECT_TRUE(unpackedLog(written.bytes)->report_info->user_requested);
}

// Without the calling thread's registers the calling thread is left out, and
// the others are numbered from 0 without a gap; the crashed one is a stopped
// thread, read from where it stopped.
TEST(CrashLogWriter, LeavesTheCallingThreadOutWithoutItsStateAndNumbersTheRestWithoutAGap) {
    const ParkedThreads parked(2);
    WriterHarness harness;
    const auto written = harness.write(segv.info(), false, parked.ids()[1]);
    ASSERT_EQ(written.result, ZZCRASH_ESUCCESS);
    const auto report = decodedLog(written.bytes);
    ASSERT_TRUE(report);
    ASSERT_EQ(report->threads().size(), threadsOfThisProcess() - 1);
    int crashed = 0;
    for (std::size_t i = 0; i < report->threads().size(); ++i) {
        const auto& thread = report->threads()[i];
        EXPECT_EQ(thread.threadNumber(), static_cast<std::int64_t>(i));
        EXPECT_FALSE(contains(symbolNames(thread), "main"));
        if (!thread.crashed()) continue;
        ++crashed;
        EXPECT_EQ(thread.registers().size(), 21u);
        EXPECT_GE(thread.stackFrames().size(), 3u);
    }
    EXPECT_EQ(crashed, 1);
}

// The allocation trap counts every call of the allocator on any thread while
// the writer runs: stopping the threads, walking them, the images, the file.
TEST(CrashLogWriter, AllocatesNothing) {
    const ParkedThreads parked(3);
    WriterHarness harness;
    zzcrash_log_writer_set_custom_data(harness.writer(), "{}", 2);
    const std::uint64_t stack[] = {0x1000, 0x2000};
    const zzcrash_log_exception exception{"std::runtime_error", "no", stack, 2};
    zzcrash_log_writer_set_exception(harness.writer(), &exception);
    for (const bool withState : {true, false}) {
        const auto written = harness.write(segv.info(), withState, parked.ids()[0]);
        EXPECT_EQ(written.result, ZZCRASH_ESUCCESS);
        EXPECT_EQ(written.allocations, 0u) << "with the calling thread's state: " << withState;
        EXPECT_TRUE(decodedLog(written.bytes));
    }
}

// The sections that depend on what was set on the writer and on the signal.
TEST(CrashLogWriter, WritesTheExceptionCustomDataAndSignalItWasGiven) {
    std::vector<std::uint64_t> sixHundred(600);
    for (std::size_t i = 0; i < sixHundred.size(); ++i) sixHundred[i] = 0x1000 + i;
    const std::int64_t machCodes[] = {1, -2};
    const zzcrash_log_bsd_signal_info unnamed{40, 7, 0};
    const zzcrash_log_mach_signal_info mach{-5, machCodes, 2};
    struct Case {
        const char* what;
        const char* customData;
        const zzcrash_log_exception* exception;
        zzcrash_log_signal_info signal;
        std::size_t frames;
        std::string signalName, signalCode;
    };
    const zzcrash_log_exception withStack{"std::logic_error", nullptr, sixHundred.data(), sixHundred.size()};
    const zzcrash_log_exception withoutStack{"Oops", "broken", nullptr, 0};
    const Case cases[] = {
        {"nothing set", nullptr, nullptr, segv.info(), 0, "SIGSEGV", "SEGV_MAPERR"},
        {"custom data", "{\"distinct_id\":\"x\"}", nullptr, segv.info(), 0, "SIGSEGV", "SEGV_MAPERR"},
        {"600 return addresses", nullptr, &withStack, segv.info(), 512, "SIGSEGV", "SEGV_MAPERR"},
        {"an exception without a stack", nullptr, &withoutStack, segv.info(), 0, "SIGSEGV", "SEGV_MAPERR"},
        {"unnamed numbers and a Mach part", nullptr, nullptr, {&unnamed, &mach}, 0, "#40", "#7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriterHarness harness;
        if (c.customData) zzcrash_log_writer_set_custom_data(harness.writer(), c.customData, std::strlen(c.customData));
        if (c.exception) zzcrash_log_writer_set_exception(harness.writer(), c.exception);
        const auto written = harness.write(c.signal);
        const auto report = decodedLog(written.bytes);
        ASSERT_TRUE(report);
        EXPECT_EQ(report->signalInfo().name(), c.signalName);
        EXPECT_EQ(report->signalInfo().code(), c.signalCode);
        EXPECT_EQ(report->customData().has_value(), c.customData != nullptr);
        if (c.customData) {
            EXPECT_EQ(std::string(report->customData()->begin(), report->customData()->end()), c.customData);
        }
        EXPECT_EQ(report->hasExceptionInfo(), c.exception != nullptr);
        if (c.exception) {
            EXPECT_EQ(report->exceptionInfo()->exceptionName(), c.exception->name);
            EXPECT_EQ(report->exceptionInfo()->exceptionReason(), c.exception->reason ? c.exception->reason : "");
            EXPECT_EQ(report->exceptionInfo()->stackFrames() ? report->exceptionInfo()->stackFrames()->size() : 0,
                      c.frames);
        }
        EXPECT_EQ(report->machExceptionInfo().has_value(), c.signal.mach_info != nullptr);
        if (c.signal.mach_info) {
            EXPECT_EQ(report->machExceptionInfo()->type(), static_cast<std::uint64_t>(-5));
            EXPECT_EQ(report->machExceptionInfo()->codes(),
                      (std::vector<std::uint64_t>{1, static_cast<std::uint64_t>(-2)}));
        }
        EXPECT_FALSE(unpackedLog(written.bytes)->report_info->user_requested);
    }
}

// Replacing the custom data publishes a new block; clearing it leaves none.
TEST(CrashLogWriter, CustomDataIsReplacedAndCleared) {
    WriterHarness harness;
    zzcrash_log_writer_set_custom_data(harness.writer(), "first", 5);
    zzcrash_log_writer_set_custom_data(harness.writer(), "second", 6);
    auto report = decodedLog(harness.write(segv.info()).bytes);
    ASSERT_TRUE(report && report->customData());
    EXPECT_EQ(std::string(report->customData()->begin(), report->customData()->end()), "second");
    zzcrash_log_writer_set_custom_data(harness.writer(), nullptr, 0);
    report = decodedLog(harness.write(segv.info()).bytes);
    ASSERT_TRUE(report);
    EXPECT_FALSE(report->customData());
}

// Custom data replaced while logs are written, by a thread the writer cannot
// stop (it blocks the stop signal, as some libraries' threads block every
// signal): each log holds one whole block, never one released and reused
// under it. Three blocks take turns while the allocator hands the two
// released places out in turn, so a place is refilled with another letter.
TEST(CrashLogWriter, CustomDataReplacedDuringAWriteIsWhole) {
    WriterHarness harness;
    const std::string blocks[] = {std::string(1 << 20, 'a'), std::string(1 << 20, 'b'), std::string(1 << 20, 'c')};
    std::atomic<bool> writing{true};
    std::atomic<std::size_t> replaced{0};
    std::thread replacing([&] {
        sigset_t stop;
        sigemptyset(&stop);
        sigaddset(&stop, zzcrash_thread_stop_signal());
        pthread_sigmask(SIG_BLOCK, &stop, nullptr);
        for (std::size_t i = 0; writing.load(); ++i) {
            zzcrash_log_writer_set_custom_data(harness.writer(), blocks[i % 3].data(), blocks[i % 3].size());
            replaced.fetch_add(1);
        }
    });
    while (replaced.load() == 0) std::this_thread::yield();
    // Each write waits out the stop deadline for the thread that never stops.
    for (int i = 0; i < 3; ++i) {
        const std::size_t before = replaced.load();
        const auto written = harness.write(segv.info());
        EXPECT_EQ(written.result, ZZCRASH_ESUCCESS) << "write " << i;
        EXPECT_GT(replaced.load(), before) << "the thread was stopped after all";
        const auto report = decodedLog(written.bytes);
        ASSERT_TRUE(report);
        ASSERT_TRUE(report->customData());
        const std::string data(report->customData()->begin(), report->customData()->end());
        EXPECT_TRUE(std::find(std::begin(blocks), std::end(blocks), data) != std::end(blocks))
            << "write " << i << ": " << std::count(data.begin(), data.end(), data[0]) << " of " << data.size()
            << " bytes are the first one's";
    }
    writing.store(false);
    replacing.join();
}

// The top-level fields in the order the log has always had them.
TEST(CrashLogWriter, WritesTheSectionsInTheirOrder) {
    WriterHarness harness;
    zzcrash_log_writer_set_custom_data(harness.writer(), "{}", 2);
    const zzcrash_log_exception exception{"E", "r", nullptr, 0};
    zzcrash_log_writer_set_exception(harness.writer(), &exception);
    std::istringstream lines(protocRawReading(harness.write(segv.info()).bytes));
    std::string order;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == ' ' || line[0] == '}') continue;
        const std::string number = line.substr(0, line.find_first_of(" :"));
        if (order.empty() || order.substr(order.rfind(' ') + 1) != number) order += " " + number;
    }
    EXPECT_EQ(order, " 9 1 8 2 7 3 4 5 6 10");
}

// A report that the byte limit cut is a failed report, and its file ends
// where it was cut.
TEST(CrashLogWriter, AReportCutByTheByteLimitFails) {
    WriterHarness harness;
    const auto whole = harness.write(segv.info(), true, zzcrash_thread_self());
    ASSERT_EQ(whole.result, ZZCRASH_ESUCCESS);
    const auto cut = harness.write(segv.info(), true, zzcrash_thread_self(), whole.bytes.size() / 2);
    EXPECT_EQ(cut.result, ZZCRASH_OUTPUT_ERR);
    EXPECT_LE(cut.bytes.size(), whole.bytes.size() / 2);
    EXPECT_GT(cut.bytes.size(), whole.bytes.size() / 2 - 256);
}

// A return address is named by the call before it: one at the first byte of
// a function follows a call at the end of the function before (a call to
// abort, which does not return).
TEST(CrashLogWriter, NamesAReturnAddressByTheCallBeforeIt) {
    const auto start = reinterpret_cast<std::uint64_t>(&tessivar_writer_test_write_here);
    const std::uint64_t stack[] = {start + 1, start};
    const zzcrash_log_exception exception{"E", "r", stack, 2};
    WriterHarness harness;
    zzcrash_log_writer_set_exception(harness.writer(), &exception);
    const auto report = decodedLog(harness.write(segv.info()).bytes);
    ASSERT_TRUE(report && report->exceptionInfo() && report->exceptionInfo()->stackFrames());
    const auto& frames = *report->exceptionInfo()->stackFrames();
    ASSERT_EQ(frames.size(), 2u);
    ASSERT_TRUE(frames[0].symbolInfo());
    EXPECT_EQ(frames[0].symbolInfo()->symbolName(), "tessivar_writer_test_write_here");
    EXPECT_EQ(frames[1].instructionPointer(), start);
    EXPECT_TRUE(!frames[1].symbolInfo() || frames[1].symbolInfo()->symbolName() != "tessivar_writer_test_write_here");
}

TEST(CrashLogWriter, WithoutAStrategyNamesNoFrames) {
    WriterHarness harness(0);
    const auto report = decodedLog(harness.write(segv.info()).bytes);
    ASSERT_TRUE(report);
    for (const auto& thread : report->threads()) {
        for (const auto& frame : thread.stackFrames()) EXPECT_FALSE(frame.symbolInfo());
    }
}

}  // namespace
