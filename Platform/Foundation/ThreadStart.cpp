#include "Platform/Foundation/ThreadStart.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<ThreadStartHook> installedHook{nullptr};

}  // namespace

ThreadStartHook setThreadStartHook(ThreadStartHook hook) { return installedHook.exchange(hook); }

void runThreadStartHook() {
    if (const ThreadStartHook hook = installedHook.load()) hook();
}

}  // namespace platform
