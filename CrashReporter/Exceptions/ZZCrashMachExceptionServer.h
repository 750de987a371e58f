#pragma once
#include <sys/types.h>

#include <cstdint>
#include <memory>

#include "CrashReporter/Exceptions/ZZCrashMachExceptionPort.h"
#include "CrashReporter/Platform/zzcrash_kern_return.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"
#include "CrashReporter/ZZCrashReporterError.h"

struct zzcrash_exception_server_context;

// What the server calls for each exception, on its own thread, while the
// faulting thread waits for the answer, which is sent back to it.
using zzcrash_mach_exception_server_callback = zzcrash_kern_return_t (*)(pid_t task, zzcrash_thread_t thread,
                                                                         std::int32_t exception,
                                                                         const std::int64_t* codes,
                                                                         std::uint32_t code_count, void* context);

// A port that receives exception messages and a thread that answers them
// through a callback. Releasing the server stops its thread (a stop message
// on its notify port, then a wait for the thread to say it stopped) and
// releases its ports.
class ZZCrashMachExceptionServer {
public:
    // Null, with the step that failed, when the server cannot be built;
    // whatever was built by then is released.
    static std::unique_ptr<ZZCrashMachExceptionServer> create(zzcrash_mach_exception_server_callback callback,
                                                              void* context, ZZCrashReporterError* error = nullptr);
    ~ZZCrashMachExceptionServer();
    ZZCrashMachExceptionServer(const ZZCrashMachExceptionServer&) = delete;
    ZZCrashMachExceptionServer& operator=(const ZZCrashMachExceptionServer&) = delete;

    // A registration of the server's port for the types in `mask`, with 64-bit
    // codes and the x86 thread state; null when no send right could be made.
    std::shared_ptr<ZZCrashMachExceptionPort> exceptionPortWithMask(std::uint32_t mask,
                                                                    ZZCrashReporterError* error = nullptr);
    // A new send right on the server's port; ZZCRASH_PORT_NULL, with "Failed to
    // insert Mach send right", when none could be made.
    zzcrash_port_t copySendRightForServer(ZZCrashReporterError* error = nullptr);
    // The thread that receives and answers.
    zzcrash_thread_t serverThread() const;

private:
    explicit ZZCrashMachExceptionServer(zzcrash_exception_server_context* context) : context_(context) {}

    zzcrash_exception_server_context* context_;
};
