#include <signal.h>
#include <sys/prctl.h>
#include <sys/ptrace.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "CrashReporter/Private/ZZCrashHostInfo.h"
#include "CrashReporter/Private/ZZCrashProcessInfo.h"
#include "CrashReporter/Writer/Private/zzcrash_sysctl.h"

namespace {

// Standard error, read back: where the reporter's diagnostics go.
class CapturedStandardError {
public:
    CapturedStandardError() : file_(std::tmpfile()), saved_(dup(STDERR_FILENO)) {
        std::fflush(stderr);
        dup2(fileno(file_), STDERR_FILENO);
    }
    ~CapturedStandardError() {
        restore();
        std::fclose(file_);
    }
    std::string text() {
        restore();
        std::string text;
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;) text += static_cast<char>(c);
        return text;
    }

private:
    void restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        saved_ = -1;
    }
    std::FILE* file_;
    int saved_;
};

std::string versionText(const ZZCrashHostInfoVersion& version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." + std::to_string(version.revision);
}

TEST(HostInfo, ReadsMajorMinorAndRevisionAndLogsOtherForms) {
    struct Case {
        const char* release;
        const char* version;
        bool logged;
    };
    const Case cases[] = {
        {"20.6.0", "20.6.0", false}, {"6.1.0-18-amd64", "6.1.0", false}, {"21", "21.0.0", true}, {"5.x", "5.0.0", true},
        {"", "0.0.0", true},
    };
    for (const Case& c : cases) {
        CapturedStandardError error;
        const ZZCrashHostInfo info(c.release);
        EXPECT_EQ(versionText(info.darwinVersion()), c.version) << c.release;
        const std::string expected =
            c.logged ? "[ZZCrashReporter] Unexpected kern.osrelease string format: " + std::string(c.release) + "\n"
                     : "";
        EXPECT_EQ(error.text(), expected);
    }
}

// uname(2) is the oracle for the running kernel.
TEST(HostInfo, CurrentHostIsTheRunningKernel) {
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    const auto info = ZZCrashHostInfo::currentHostInfo();
    ASSERT_TRUE(info);
    unsigned long major = 0, minor = 0, revision = 0;
    ASSERT_EQ(std::sscanf(names.release, "%lu.%lu.%lu", &major, &minor, &revision), 3);
    EXPECT_EQ(info->darwinVersion().major, major);
    EXPECT_EQ(info->darwinVersion().minor, minor);
    EXPECT_EQ(info->darwinVersion().revision, revision);
}

TEST(Sysctl, ReadsKernelParametersByName) {
    utsname names{};
    ASSERT_EQ(uname(&names), 0);
    EXPECT_EQ(zzcrash_sysctl_string("kernel.osrelease"), std::string(names.release));
    int maxGroups = 0;
    EXPECT_TRUE(zzcrash_sysctl_int("kernel.ngroups_max", &maxGroups));
    EXPECT_EQ(maxGroups, sysconf(_SC_NGROUPS_MAX));
    int notANumber = 0;
    EXPECT_FALSE(zzcrash_sysctl_int("kernel.osrelease", &notANumber));
    errno = 0;
    EXPECT_FALSE(zzcrash_sysctl_string("kernel.no_such_parameter"));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(zzcrash_sysctl_string("../../etc/passwd"));
}

TEST(ProcessInfo, DescribesThisProcess) {
    const auto before = std::time(nullptr);
    const auto info = ZZCrashProcessInfo::currentProcessInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->processID(), getpid());
    EXPECT_EQ(info->parentProcessID(), getppid());
    char name[17] = {};
    prctl(PR_GET_NAME, name);
    EXPECT_EQ(info->processName(), std::string(name));
    EXPECT_LE(info->startTime().tv_sec, before);
    EXPECT_GT(info->startTime().tv_sec, before - 24 * 3600);
    EXPECT_FALSE(ZZCrashProcessInfo::withProcessID(0x7ffffff0));
}

// A child that names itself (with a name that is not all UTF-8) and asks to be
// traced by its parent: its facts come from /proc as the kernel keeps them.
TEST(ProcessInfo, DescribesAChildItsNameTracerAndStart) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const auto started = std::time(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        prctl(PR_SET_NAME, "zz (child)\xC3\xA9\xFF");
        const bool traced = ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0;
        const char answer = traced ? 't' : 'n';
        (void)!write(ready[1], &answer, 1);
        pause();
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(read(ready[0], &answer, 1), 1);
    const auto info = ZZCrashProcessInfo::withProcessID(child);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    ASSERT_TRUE(info);
    ASSERT_EQ(answer, 't') << "the child could not ask to be traced";
    EXPECT_EQ(info->processID(), child);
    EXPECT_EQ(info->parentProcessID(), getpid());
    EXPECT_EQ(info->processName(), std::string("zz (child)\xC3\xA9"));
    EXPECT_TRUE(info->isTraced());
    EXPECT_GE(info->startTime().tv_sec, started - 2);
    EXPECT_LE(info->startTime().tv_sec, std::time(nullptr) + 1);
    const auto self = ZZCrashProcessInfo::currentProcessInfo();
    ASSERT_TRUE(self);
    EXPECT_FALSE(self->isTraced());
}

}  // namespace
