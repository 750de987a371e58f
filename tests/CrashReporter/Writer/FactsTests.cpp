// What the writer gathers before any crash: the machine's facts from the
// kernel's texts, and what a delivered signal tells.
#include <signal.h>
#include <unistd.h>

#include <cstring>

#include <gtest/gtest.h>

#include "CrashReporter/Writer/Private/zzcrash_machine_facts.h"
#include "CrashReporter/Writer/zzcrash_log_signal_info.h"

namespace {

TEST(MachineFacts, CountsPhysicalCoresByPackageAndCore) {
    struct Case {
        const char* what;
        std::string cpuinfo;
        std::uint32_t cores;
    };
    const Case cases[] = {
        {"nothing", "", 0},
        {"no topology lines", "processor\t: 0\nmodel name\t: x\n\nprocessor\t: 1\n", 0},
        {"two threads of one core", "physical id\t: 0\ncore id\t\t: 0\n\nphysical id\t: 0\ncore id\t\t: 0\n", 1},
        {"two cores", "physical id\t: 0\ncore id\t\t: 0\n\nphysical id\t: 0\ncore id\t\t: 1\n", 2},
        {"one core id in two packages", "physical id\t: 0\ncore id\t\t: 0\n\nphysical id\t: 1\ncore id\t\t: 0\n", 2},
        {"a key that only begins alike", "core id_extra\t: 5\ncore id\t: 0\n", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(zzcrash_machine_facts::physicalCoresIn(c.cpuinfo), c.cores) << c.what;
}

// What the text report prints as the hardware model, from the firmware's product name.
TEST(MachineFacts, NamesTheModelFromTheProductNameWhereThereIsOne) {
    const struct {
        std::optional<std::string> productName;
        std::optional<std::string> model;
    } cases[] = {
        {"20XW0026GE\n", "20XW0026GE"},
        {"Standard PC (Q35 + ICH9, 2009)\n", "Standard PC (Q35 + ICH9, 2009)"},
        {"  OptiPlex 7090 \t\n", "OptiPlex 7090"},
        {"  \n", std::nullopt},
        {"", std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zzcrash_machine_facts::modelIn(c.productName), c.model) << c.productName.value_or("none");
}

TEST(MachineFacts, WritesTheVersionWithARevisionOnlyAboveZero) {
    EXPECT_EQ(zzcrash_machine_facts::versionText(6, 1, 0), "6.1");
    EXPECT_EQ(zzcrash_machine_facts::versionText(6, 1, 106), "6.1.106");
    EXPECT_EQ(zzcrash_machine_facts::versionText(0, 0, 0), "0.0");
}

TEST(MachineFacts, ReadsThisMachine) {
    const auto facts = zzcrash_machine_facts::current();
    EXPECT_EQ(facts.logicalProcessorCount, static_cast<std::uint32_t>(sysconf(_SC_NPROCESSORS_CONF)));
    EXPECT_LE(facts.processorCount, facts.logicalProcessorCount);
    EXPECT_NE(facts.osVersion, "0.0");
    EXPECT_TRUE(facts.osBuild);
}

siginfo_t signalInfo(int signal, int code, std::uintptr_t address) {
    siginfo_t info;
    std::memset(&info, 0, sizeof info);
    info.si_signo = signal;
    info.si_code = code;
    info.si_addr = reinterpret_cast<void*>(address);
    return info;
}

// Only a fault the kernel raised has an address; a signal sent by kill or
// tkill (abort's SIGABRT) holds the sender's pid and uid in those bytes.
TEST(SignalInfo, KeepsTheAddressOfFaultsOnly) {
    struct Case {
        const char* what;
        siginfo_t info;
        std::uintptr_t address;
    };
    const std::uintptr_t pidAndUid = std::uintptr_t{1000} << 32 | 4242;
    const Case cases[] = {
        {"a bad access", signalInfo(SIGSEGV, SEGV_MAPERR, 0x10), 0x10},
        {"a bus error", signalInfo(SIGBUS, BUS_ADRERR, 0x7f0000001000), 0x7f0000001000},
        {"an illegal instruction", signalInfo(SIGILL, ILL_ILLOPN, 0x401000), 0x401000},
        {"abort's SIGABRT", signalInfo(SIGABRT, SI_TKILL, pidAndUid), 0},
        {"SIGSEGV sent by kill", signalInfo(SIGSEGV, SI_USER, pidAndUid), 0},
        {"SIGBUS queued", signalInfo(SIGBUS, SI_QUEUE, pidAndUid), 0},
    };
    for (const Case& c : cases) {
        const zzcrash_log_bsd_signal_info bsd = zzcrash_log_bsd_signal_info_from(&c.info);
        EXPECT_EQ(bsd.signo, c.info.si_signo) << c.what;
        EXPECT_EQ(bsd.code, c.info.si_code) << c.what;
        EXPECT_EQ(bsd.address, c.address) << c.what;
    }
}

}  // namespace
