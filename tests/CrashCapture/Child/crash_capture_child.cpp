// A small program with the analytics client and its automatic crash capture on,
// sending to the test's loopback server. Run by the crash capture test as
//   crash_capture_child <prime|crash|report> <server url> <storage folder>
// prime:  stores the server's answer that allows crash capture, and exits 0;
// crash:  installs the capture and dies writing through a null pointer;
// mend:   has a fault handler of its own, installed before the capture, that
//         mends a write to a page it guards, writes there, and exits 0;
// mend-then-crash: as mend, then dies writing through a null pointer (the
//         handler leaves any other fault to the default action);
// overflow: installs the capture, then overflows the stack of a serial queue's
//         thread, started after the capture was;
// report: sends what the last crash left, and exits 0 once it is uploaded.
// Any other ending exits with a code that names what went wrong.
#include <signal.h>
#include <sys/mman.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "Platform/Foundation/SerialQueue.h"
#include "Platform/Testing/FakeReachabilityBackend.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Core/Flags/ZeraZovRemoteConfig.h"

namespace {

enum Failure { usage = 2, noAnswer = 3, notInstalled = 4, notUploaded = 5, survived = 6, noGuard = 7 };

constexpr auto answerWait = std::chrono::seconds(10);
constexpr auto uploadWait = std::chrono::seconds(10);

std::shared_ptr<zerazov::ZeraZovSDK> setUp(platform::MainQueue& mainQueue, const std::string& host,
                                           const std::string& folder) {
    auto config = std::make_shared<zerazov::ZeraZovConfig>("zzk_crash_capture", host);
    config->debug = true;
    config->errorTrackingConfig.autoCapture = true;
    config->captureApplicationLifecycleEvents = false;
    config->captureScreenViews = false;
    config->disableQueueTimerForTesting = true;
    config->disableReachabilityForTesting = true;
    config->disableFlushOnBackgroundForTesting = true;
    zerazov::ZeraZovSDK::Environment environment;
    environment.mainQueue = &mainQueue;
    environment.makeReachabilityBackend = [] {
        return platform::ReachabilityBackend::Created{std::make_unique<platform::FakeReachabilityBackend>(0x2), 0};
    };
    environment.storageBaseFolder = folder;
    return zerazov::ZeraZovSDK::with(config, environment);
}

// The first launch learns from the server that crashes are to be captured; the
// integrations of the launches after it install.
int prime(zerazov::ZeraZovSDK& client) {
    const auto deadline = std::chrono::steady_clock::now() + answerWait;
    while (!client.remoteConfig()->autoCaptureExceptions()) {
        if (std::chrono::steady_clock::now() > deadline) return noAnswer;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

constexpr std::size_t pageBytes = 4096;
char* guardedPage = nullptr;

// A runtime's way with memory it maps on demand: a write to the guarded page
// makes it writable and goes on; any other fault ends the process as it would
// have without this handler, at the same instruction.
void mendGuardedPage(int, siginfo_t* info, void*) {
    auto* address = static_cast<char*>(info->si_addr);
    if (address >= guardedPage && address < guardedPage + pageBytes &&
        mprotect(guardedPage, pageBytes, PROT_READ | PROT_WRITE) == 0)
        return;
    signal(SIGSEGV, SIG_DFL);
}

bool guardAPage() {
    void* page = mmap(nullptr, pageBytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) return false;
    guardedPage = static_cast<char*>(page);
    struct sigaction action {};
    action.sa_sigaction = mendGuardedPage;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGSEGV, &action, nullptr) == 0;
}

int report(zerazov::ZeraZovSDK& client) {
    client.flush();
    return client.waitForUploads(uploadWait) ? 0 : notUploaded;
}

}  // namespace

// Exported under this name, so that the crashed thread's frames name it.
extern "C" __attribute__((noinline)) void crash_capture_child_write_through_null() {
    volatile int* volatile target = nullptr;
    *target = 42;
}

extern "C" __attribute__((noinline)) int crash_capture_child_recurse(int depth) {
    if (depth < 0) return 0;  // never: the stack ends first
    volatile char frame[512];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    return crash_capture_child_recurse(depth + 1) + frame[(depth * 7) % sizeof frame];
}

int main(int argc, char** argv) {
    if (argc != 4) return usage;
    const std::string mode = argv[1];
    const bool mending = mode == "mend" || mode == "mend-then-crash";
    if (mending && !guardAPage()) return noGuard;
    platform::ManualMainQueue mainQueue;
    const auto client = setUp(mainQueue, argv[2], argv[3]);
    if (mode == "prime") return prime(*client);
    if (client->installedIntegrations().size() != 1) return notInstalled;
    if (mode == "report") return report(*client);
    if (mode == "overflow") {
        platform::SerialQueue queue("crash_capture_child.overflow");
        queue.sync([] { crash_capture_child_recurse(0); });
        return survived;
    }
    if (mending) {
        static_cast<volatile char*>(guardedPage)[64] = 1;
        if (mode == "mend") return 0;
    } else if (mode != "crash") {
        return usage;
    }
    crash_capture_child_write_through_null();
    return survived;
}
