#include "CrashReporter/Exceptions/ZZCrashMachExceptionPort.h"

#include <unistd.h>

#include <cstdio>

#include "CrashReporter/Exceptions/ZZCrashMachExceptionPortSet.h"
#include "CrashReporter/Platform/zzcrash_exception_ports.h"

namespace {

bool holdsARight(zzcrash_port_t port) { return port != ZZCRASH_PORT_NULL && port != ZZCRASH_PORT_DEAD; }

// A failure here is the layer's answer for another process: there is only this one.
zzcrash_kern_return_t onlyThisProcess(pid_t task) {
    return task == getpid() ? ZZCRASH_KERN_SUCCESS : ZZCRASH_KERN_INVALID_ARGUMENT;
}

std::shared_ptr<ZZCrashMachExceptionPortSet> answered(zzcrash_kern_return_t result,
                                                      const zzcrash_mach_exception_port_set& answer,
                                                      ZZCrashReporterError* error) {
    if (result == ZZCRASH_KERN_SUCCESS) return std::make_shared<ZZCrashMachExceptionPortSet>(answer);
    if (error) *error = zzcrash_make_mach_error("Failed to fetch mach exception ports", result);
    return nullptr;
}

bool swapped(zzcrash_kern_return_t result, const zzcrash_mach_exception_port_set& answer,
             std::shared_ptr<ZZCrashMachExceptionPortSet>* previous, ZZCrashReporterError* error) {
    if (result != ZZCRASH_KERN_SUCCESS) {
        if (error) *error = zzcrash_make_mach_error("Failed to swap mach exception ports", result);
        return false;
    }
    if (previous) *previous = std::make_shared<ZZCrashMachExceptionPortSet>(answer);
    return true;
}

}  // namespace

ZZCrashMachExceptionPort::ZZCrashMachExceptionPort(zzcrash_port_t serverPort, std::uint32_t mask, std::int32_t behavior,
                                                   std::int32_t flavor)
    : serverPort_(serverPort), mask_(mask), behavior_(behavior), flavor_(flavor) {
    if (!holdsARight(serverPort_)) return;
    const zzcrash_kern_return_t result = zzcrash_port_mod_send_refs(serverPort_, 1);
    if (result != ZZCRASH_KERN_SUCCESS)
        std::fprintf(stderr, "[ZZCrashReporter] Unexpected error incrementing mach port reference: %d\n", result);
}

ZZCrashMachExceptionPort::~ZZCrashMachExceptionPort() { releaseSendRight(serverPort_); }

void ZZCrashMachExceptionPort::releaseSendRight(zzcrash_port_t port) {
    if (!holdsARight(port)) return;
    const zzcrash_kern_return_t result = zzcrash_port_mod_send_refs(port, -1);
    if (result != ZZCRASH_KERN_SUCCESS)
        std::fprintf(stderr, "[ZZCrashReporter] Unexpected error decrementing mach port reference: %d\n", result);
}

std::shared_ptr<ZZCrashMachExceptionPortSet> ZZCrashMachExceptionPort::exceptionPortsForTask(
    pid_t task, std::uint32_t mask, ZZCrashReporterError* error) {
    zzcrash_mach_exception_port_set answer{};
    zzcrash_kern_return_t result = onlyThisProcess(task);
    if (result == ZZCRASH_KERN_SUCCESS) result = zzcrash_task_get_exception_ports(mask, &answer);
    return answered(result, answer, error);
}

std::shared_ptr<ZZCrashMachExceptionPortSet> ZZCrashMachExceptionPort::exceptionPortsForThread(
    zzcrash_thread_t thread, std::uint32_t mask, ZZCrashReporterError* error) {
    zzcrash_mach_exception_port_set answer{};
    return answered(zzcrash_thread_get_exception_ports(thread, mask, &answer), answer, error);
}

bool ZZCrashMachExceptionPort::registerForTask(pid_t task, std::shared_ptr<ZZCrashMachExceptionPortSet>* previous,
                                               ZZCrashReporterError* error) const {
    zzcrash_mach_exception_port_set answer{};
    zzcrash_kern_return_t result = onlyThisProcess(task);
    if (result == ZZCRASH_KERN_SUCCESS)
        result =
            zzcrash_task_swap_exception_ports(mask_, serverPort_, behavior_, flavor_, previous ? &answer : nullptr);
    return swapped(result, answer, previous, error);
}

bool ZZCrashMachExceptionPort::registerForThread(zzcrash_thread_t thread,
                                                 std::shared_ptr<ZZCrashMachExceptionPortSet>* previous,
                                                 ZZCrashReporterError* error) const {
    zzcrash_mach_exception_port_set answer{};
    const zzcrash_kern_return_t result = zzcrash_thread_swap_exception_ports(thread, mask_, serverPort_, behavior_,
                                                                             flavor_, previous ? &answer : nullptr);
    return swapped(result, answer, previous, error);
}
