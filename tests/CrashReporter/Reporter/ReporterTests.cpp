// The crash reporter's object interface outside a crash: its configuration,
// its folders, the pending report, live reports, and the rules of enabling
// (in forked children, since enabling is for the life of a process).
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "CrashReporter/Exceptions/ZZCrashLanguageException.h"
#include "CrashReporter/Private/ZZCrashReporterException.h"
#include "CrashReporter/ZZCrashReporter.h"
#include "CrashReporter/ZZCrashReporterBundle.h"
#include "tests/CrashReporter/Support/ForkedChild.h"
#include "tests/CrashReporter/Support/ParkedThreads.h"
#include "tests/CrashReporter/Writer/LogReading.h"

namespace {

namespace fs = std::filesystem;
using tessivar::testing::decodedLog;
using tessivar::testing::runForked;

// A folder of its own for one test, removed after it.
class ScratchFolder {
public:
    ScratchFolder()
        : path_(fs::temp_directory_path() /
                ("crash-reporter-" + std::to_string(getpid()) + "-" + std::to_string(counter_++))) {}
    ~ScratchFolder() { fs::remove_all(path_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    static inline int counter_ = 0;
    fs::path path_;
};

TEST(CrashReporterConfig, ShorterFormsPassTheDefaultsOn) {
    struct Case {
        const char* what;
        ZZCrashReporterConfig config;
        unsigned type, strategy;
        bool uncaught;
        std::optional<std::string> basePath;
        std::uint64_t maxReportBytes;
    };
    const std::uint64_t oneMiB = 1'048'576;
    const Case cases[] = {
        {"default", ZZCrashReporterConfig::defaultConfiguration(), 0, 0, true, std::nullopt, oneMiB},
        {"base path", ZZCrashReporterConfig(std::string("/b")), 0, 0, true, "/b", oneMiB},
        {"type and strategy", ZZCrashReporterConfig(1, 3), 1, 3, true, std::nullopt, oneMiB},
        {"type, strategy, path", ZZCrashReporterConfig(1, 1, "/b"), 1, 1, true, "/b", oneMiB},
        {"type, strategy, uncaught", ZZCrashReporterConfig(1, 0, false), 1, 0, false, std::nullopt, oneMiB},
        {"everything", ZZCrashReporterConfig(2, 2, false, "/b", 4096), 2, 2, false, "/b", 4096},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.config.signalHandlerType(), c.type) << c.what;
        EXPECT_EQ(c.config.symbolicationStrategy(), c.strategy) << c.what;
        EXPECT_EQ(c.config.shouldRegisterUncaughtExceptionHandler(), c.uncaught) << c.what;
        EXPECT_EQ(c.config.basePath(), c.basePath) << c.what;
        EXPECT_EQ(c.config.maxReportBytes(), c.maxReportBytes) << c.what;
    }
    EXPECT_EQ(ZZCrashReporter::mapToAsyncSymbolicationStrategy(0xFF), 3u);
}

TEST(CrashReporter, KeepsItsReportsInAFolderNamedAfterTheApplication) {
    const ZZCrashReporter reporter("com.brel/tessivar/test", "1", std::nullopt, ZZCrashReporterConfig(0, 0, "/base"));
    EXPECT_EQ(reporter.crashReportDirectory(), "/base/com.zerazov.crashreporter.data/com.brel_tessivar_test");
    EXPECT_EQ(reporter.crashReportPath(),
              "/base/com.zerazov.crashreporter.data/com.brel_tessivar_test/live_report.zzcrash");
    EXPECT_EQ(reporter.queuedCrashReportDirectory(),
              "/base/com.zerazov.crashreporter.data/com.brel_tessivar_test/queued_reports");

    const char* saved = std::getenv("XDG_CACHE_HOME");
    const std::string kept = saved ? saved : "";
    setenv("XDG_CACHE_HOME", "/cache", 1);
    EXPECT_EQ(ZZCrashReporter("a", "1", std::nullopt, {}).crashReportDirectory(),
              "/cache/com.zerazov.crashreporter.data/a");
    setenv("XDG_CACHE_HOME", "relative", 1);
    EXPECT_EQ(ZZCrashReporter("a", "1", std::nullopt, {}).crashReportDirectory(),
              std::string(std::getenv("HOME")) + "/.cache/com.zerazov.crashreporter.data/a");
    if (saved)
        setenv("XDG_CACHE_HOME", kept.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
}

TEST(CrashReporter, ABundleWithoutAnIdentifierGoesByTheProcessName) {
    const auto named = ZZCrashReporter::withBundle({"com.brel.tessivar", "7", "1.2"}, ZZCrashReporterConfig("/b"));
    ASSERT_TRUE(named);
    EXPECT_EQ(named->crashReportDirectory(), "/b/com.zerazov.crashreporter.data/com.brel.tessivar");
    const auto unnamed = ZZCrashReporter::withConfiguration(ZZCrashReporterConfig("/b"));
    ASSERT_TRUE(unnamed);
    EXPECT_EQ(unnamed->crashReportDirectory(),
              std::string("/b/com.zerazov.crashreporter.data/") + program_invocation_short_name);
    EXPECT_EQ(ZZCrashReporter::sharedReporter(), ZZCrashReporter::sharedReporter());
}

TEST(CrashReporter, ThePendingReportIsFoundLoadedAndPurged) {
    const ScratchFolder base;
    const ZZCrashReporter reporter("app", "1", std::nullopt, ZZCrashReporterConfig(0, 0, base.path().string()));
    ZZCrashReporterError error(ZZCrashReporterError::Code::liveReportFailed, "");
    EXPECT_FALSE(reporter.hasPendingCrashReport());
    EXPECT_FALSE(reporter.loadPendingCrashReportData(&error));
    EXPECT_EQ(error.code(), ZZCrashReporterError::Code::operatingSystemFailure);
    EXPECT_EQ(error.underlyingPOSIXError(), ENOENT);
    EXPECT_FALSE(reporter.purgePendingCrashReport(&error));

    ASSERT_TRUE(reporter.populateCrashReportDirectory(&error)) << error.description();
    EXPECT_TRUE(fs::is_directory(reporter.queuedCrashReportDirectory()));
    // The reports hold the user's identity: their folders are the user's alone.
    for (const auto& path : {reporter.crashReportDirectory(), reporter.queuedCrashReportDirectory()}) {
        struct stat folder {};
        ASSERT_EQ(stat(path.c_str(), &folder), 0);
        EXPECT_EQ(folder.st_mode & 0777, 0700u) << path;
    }
    std::ofstream(reporter.crashReportPath(), std::ios::binary) << std::string("zzcrash\1\0x", 10);
    EXPECT_TRUE(reporter.hasPendingCrashReport());
    EXPECT_EQ(reporter.loadPendingCrashReportData(),
              (std::vector<std::uint8_t>{'z', 'z', 'c', 'r', 'a', 's', 'h', 1, 0, 'x'}));
    EXPECT_TRUE(reporter.purgePendingCrashReport());
    EXPECT_FALSE(reporter.hasPendingCrashReport());
}

ZZCrashReporter liveReporter() {
    return ZZCrashReporter("com.brel.tessivar", "1", "1.0.0", ZZCrashReporterConfig(0, 1));
}

// A live report of the calling thread: it is the crashed one, the signal is
// SIGTRAP at the caller's address, and the report is a requested one.
TEST(CrashReporterLiveReport, DescribesTheCallingThreadAtTheCaller) {
    const tessivar::testing::ParkedThreads parked(2);
    auto reporter = liveReporter();
    reporter.setCustomData(std::vector<std::uint8_t>{'{', '}'});
    ZZCrashReporterError error(ZZCrashReporterError::Code::liveReportFailed, "");
    const auto bytes = reporter.generateLiveReport(&error);
    ASSERT_TRUE(bytes) << error.description();
    const auto report = decodedLog(*bytes);
    ASSERT_TRUE(report);
    EXPECT_TRUE(tessivar::testing::unpackedLog(*bytes)->report_info->user_requested);
    EXPECT_EQ(report->signalInfo().name(), "SIGTRAP");
    EXPECT_EQ(report->signalInfo().code(), "TRAP_TRACE");
    const auto* image = report->imageForAddress(report->signalInfo().address());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->imageName(), fs::read_symlink("/proc/self/exe").string());
    EXPECT_EQ(report->threads().size(), 3u);
    int crashed = 0;
    for (const auto& thread : report->threads()) crashed += thread.crashed() ? 1 : 0;
    EXPECT_EQ(crashed, 1);
    EXPECT_EQ(report->customData(), (std::vector<std::uint8_t>{'{', '}'}));
    EXPECT_FALSE(report->hasExceptionInfo());
}

// Of another thread, stopped for the report: the calling thread has no entry.
TEST(CrashReporterLiveReport, OfAnotherThreadLeavesTheCallingThreadOut) {
    const tessivar::testing::ParkedThreads parked(2);
    auto reporter = liveReporter();
    const auto bytes = reporter.generateLiveReportWithThread(parked.ids()[0]);
    ASSERT_TRUE(bytes);
    const auto report = decodedLog(*bytes);
    ASSERT_TRUE(report);
    ASSERT_EQ(report->threads().size(), 2u);
    EXPECT_NE(report->threads()[0].crashed(), report->threads()[1].crashed());
}

TEST(CrashReporterLiveReport, CarriesAGivenException) {
    auto reporter = liveReporter();
    const ZZCrashLanguageException exception{"std::out_of_range", "vector", {0x1000, 0x2000, 0x3000}};
    const auto bytes = reporter.generateLiveReportWithException(exception);
    ASSERT_TRUE(bytes);
    const auto report = decodedLog(*bytes);
    ASSERT_TRUE(report && report->exceptionInfo());
    EXPECT_EQ(report->exceptionInfo()->exceptionName(), "std::out_of_range");
    EXPECT_EQ(report->exceptionInfo()->exceptionReason(), "vector");
    ASSERT_TRUE(report->exceptionInfo()->stackFrames());
    EXPECT_EQ(report->exceptionInfo()->stackFrames()->size(), 3u);
}

// A live report of the calling thread among four threads deep in calls,
// written within `limit` bytes; each thread's packed size comes with it.
struct LimitedReport {
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> frames;      // per thread, in order
    std::vector<std::size_t> frameBytes;  // per thread: what its frames take
    std::size_t crashed = 0;              // the index of the crashed thread
};

LimitedReport liveReportWithin(std::uint64_t limit) {
    ZZCrashReporter reporter("app", "1", std::nullopt, ZZCrashReporterConfig(0, 1, true, std::nullopt, limit));
    LimitedReport limited;
    auto bytes = reporter.generateLiveReport();
    if (!bytes) return limited;
    limited.bytes = std::move(*bytes);
    const auto log = tessivar::testing::unpackedLog(limited.bytes);
    for (std::size_t i = 0; i < log->n_threads; ++i) {
        const auto* thread = log->threads[i];
        if (thread->crashed) limited.crashed = i;
        std::size_t frameBytes = 0;
        for (std::size_t f = 0; f < thread->n_frames; ++f) {
            const std::size_t packed = protobuf_c_message_get_packed_size(&thread->frames[f]->base);
            frameBytes += 1 + (packed < 0x80 ? 1 : 2) + packed;  // key, length, frame
        }
        limited.frames.push_back(thread->n_frames);
        limited.frameBytes.push_back(frameBytes);
    }
    return limited;
}

// Kept within its byte limit, a report loses the outermost frames of the
// threads that did not crash, and of the crashed one only once theirs are gone.
TEST(CrashReporterLiveReport, KeepsWithinItsLimitByCuttingTheOtherThreadsFramesFirst) {
    const tessivar::testing::ParkedThreads parked(4, 200);
    const auto whole = liveReportWithin(ZZCRASH_LOG_MAX_BYTES);
    ASSERT_EQ(whole.frames.size(), 5u);
    std::size_t others = 0;
    for (std::size_t i = 0; i < whole.frames.size(); ++i) others += i == whole.crashed ? 0 : whole.frameBytes[i];
    const std::size_t crashedBytes = whole.frameBytes[whole.crashed];
    struct Case {
        const char* what;
        std::uint64_t limit;
        bool crashedWhole;
    };
    const Case cases[] = {
        {"half of the other threads' frames too much", whole.bytes.size() - others / 2, true},
        {"all of theirs and half of the crashed one's too much", whole.bytes.size() - others - crashedBytes / 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto cut = liveReportWithin(c.limit);
        ASSERT_EQ(cut.frames.size(), whole.frames.size());
        EXPECT_LE(cut.bytes.size(), c.limit);
        ASSERT_TRUE(tessivar::testing::decodedLog(cut.bytes));
        EXPECT_EQ(cut.crashed, whole.crashed);
        EXPECT_EQ(cut.frames[cut.crashed] == whole.frames[whole.crashed], c.crashedWhole);
        EXPECT_GT(cut.frames[cut.crashed], 0u);
        for (std::size_t i = 0; i < cut.frames.size(); ++i) {
            if (i == cut.crashed) continue;
            EXPECT_LT(cut.frames[i], whole.frames[i]) << "thread " << i;
        }
    }
}

// A report the byte limit would cut is no report.
TEST(CrashLiveReport, ThatTheByteLimitWouldCutFails) {
    ZZCrashReporter reporter("app", "1", std::nullopt, ZZCrashReporterConfig(0, 1, true, std::nullopt, 512));
    ZZCrashReporterError error(ZZCrashReporterError::Code::invalidCrashReport, "");
    EXPECT_FALSE(reporter.generateLiveReport(&error));
    EXPECT_EQ(error.code(), ZZCrashReporterError::Code::liveReportFailed);
    EXPECT_EQ(error.description(), "Failed to write the crash report to disk");
}

// One reporter per process is ever enabled: a second fails, and so does
// every enable after one that failed.
TEST(CrashReporterEnabling, OnlyTheFirstEnableInAProcessCounts) {
    const ScratchFolder base;
    const auto result = runForked(
        [&](int) {
            ZZCrashReporter blocked("app", "1", std::nullopt, ZZCrashReporterConfig(0, 0, "/proc/no-such-folder"));
            ZZCrashReporterError error(ZZCrashReporterError::Code::liveReportFailed, "");
            if (blocked.enableCrashReporter(&error)) return 1;
            if (error.code() != ZZCrashReporterError::Code::operatingSystemFailure) return 2;
            ZZCrashReporter second("app", "1", std::nullopt, ZZCrashReporterConfig(0, 0, base.path().string()));
            if (second.enableCrashReporter(&error)) return 3;
            if (error.code() != ZZCrashReporterError::Code::reporterAlreadyEnabled) return 4;
            return error.description() == "A ZZCrashReporter instance has already been enabled" ? 0 : 5;
        },
        std::chrono::seconds(20));
    EXPECT_TRUE(result.exitedWith(0)) << result.status;
}

void noCallback(siginfo_t*, ucontext_t*, void*) {}

TEST(CrashReporterEnabling, CallbacksAreSetBeforeEnablingAndOfVersion0) {
    const ScratchFolder base;
    const auto enabled = runForked(
        [&](int) {
            ZZCrashReporter reporter("app", "1", std::nullopt, ZZCrashReporterConfig(0, 0, base.path().string()));
            const ZZCrashReporterCallbacks callbacks{0, nullptr, noCallback};
            reporter.setCrashCallbacks(&callbacks);
            if (!reporter.enableCrashReporter()) return 1;
            try {
                reporter.setCrashCallbacks(&callbacks);
            } catch (const ZZCrashReporterException& exception) {
                return std::string(exception.what()) == "The crash reporter has already been enabled" ? 0 : 2;
            }
            return 3;
        },
        std::chrono::seconds(20));
    EXPECT_TRUE(enabled.exitedWith(0)) << enabled.status;

    const auto wrongVersion = runForked(
        [&](int) {
            ZZCrashReporter reporter("app", "1", std::nullopt, ZZCrashReporterConfig(0, 0, base.path().string()));
            const ZZCrashReporterCallbacks callbacks{1, nullptr, noCallback};
            reporter.setCrashCallbacks(&callbacks);
            return 0;
        },
        std::chrono::seconds(20));
    EXPECT_TRUE(wrongVersion.killedBy(SIGABRT)) << wrongVersion.status;
}

}  // namespace
