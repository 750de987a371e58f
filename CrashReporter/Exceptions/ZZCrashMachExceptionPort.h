#pragma once
#include <sys/types.h>

#include <cstdint>
#include <memory>

#include "CrashReporter/Platform/zzcrash_port.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"
#include "CrashReporter/ZZCrashReporterError.h"

class ZZCrashMachExceptionPortSet;

// One exception-port registration: the port exceptions go to, the types they
// are sent for, how (the behaviour) and with which thread state. It holds a
// send right on its port for as long as it lives.
class ZZCrashMachExceptionPort {
public:
    ZZCrashMachExceptionPort(zzcrash_port_t serverPort, std::uint32_t mask, std::int32_t behavior, std::int32_t flavor);
    ~ZZCrashMachExceptionPort();
    ZZCrashMachExceptionPort(const ZZCrashMachExceptionPort&) = delete;
    ZZCrashMachExceptionPort& operator=(const ZZCrashMachExceptionPort&) = delete;

    // What is registered for the types in `mask`, for the process (which must
    // be this one) or one of its threads; null, with "Failed to fetch mach
    // exception ports", when it cannot be read.
    static std::shared_ptr<ZZCrashMachExceptionPortSet> exceptionPortsForTask(pid_t task, std::uint32_t mask,
                                                                              ZZCrashReporterError* error = nullptr);
    static std::shared_ptr<ZZCrashMachExceptionPortSet> exceptionPortsForThread(zzcrash_thread_t thread,
                                                                                std::uint32_t mask,
                                                                                ZZCrashReporterError* error = nullptr);

    // Puts this registration in place of what the process or the thread had
    // for its types, which goes to `previous` when that is given. False, with
    // "Failed to swap mach exception ports", when it cannot be done.
    [[nodiscard]] bool registerForTask(pid_t task, std::shared_ptr<ZZCrashMachExceptionPortSet>* previous,
                                       ZZCrashReporterError* error = nullptr) const;
    [[nodiscard]] bool registerForThread(zzcrash_thread_t thread,
                                         std::shared_ptr<ZZCrashMachExceptionPortSet>* previous,
                                         ZZCrashReporterError* error = nullptr) const;

    // Gives back one send right on the port; a failure is only logged.
    static void releaseSendRight(zzcrash_port_t port);

    zzcrash_port_t server_port() const { return serverPort_; }
    std::uint32_t mask() const { return mask_; }
    std::int32_t behavior() const { return behavior_; }
    std::int32_t flavor() const { return flavor_; }

private:
    zzcrash_port_t serverPort_;
    std::uint32_t mask_;
    std::int32_t behavior_;
    std::int32_t flavor_;
};
