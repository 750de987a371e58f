#pragma once
#include <cstdint>

#include "CrashReporter/Platform/zzcrash_mach_exception_port_set.h"
#include "CrashReporter/Platform/zzcrash_port.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"

// Where this process's exceptions go: one table for the process and one per
// thread, each with a slot per exception type holding the port, behaviour and
// thread-state flavour registered for it. A thread's own registration comes
// before the process's. A registration holds a send right on its port; every
// port in an answer comes with a send right for the caller.

inline constexpr std::uint32_t ZZCRASH_EXCEPTION_THREAD_TABLES = 64;

// One registration, as a fault looks it up.
struct zzcrash_exception_registration {
    zzcrash_port_t port;
    std::int32_t behavior;
    std::int32_t flavor;
};

// The registrations for the types in `mask`, those with the same port,
// behaviour and flavour merged into one entry with their masks joined.
zzcrash_kern_return_t zzcrash_task_get_exception_ports(std::uint32_t mask, zzcrash_mach_exception_port_set* answer);
// Registers the port for the types in `mask` and answers, when `previous` is
// given, what was registered for them before (as the get above).
// KERN_INVALID_ARGUMENT for a mask outside ZZCRASH_EXC_MASK_ALL, a behaviour
// other than 1 to 3 (with or without ZZCRASH_MACH_EXCEPTION_CODES) or a name
// that is not a port.
zzcrash_kern_return_t zzcrash_task_swap_exception_ports(std::uint32_t mask, zzcrash_port_t port, std::int32_t behavior,
                                                        std::int32_t flavor, zzcrash_mach_exception_port_set* previous);
// The same for one thread's table. KERN_RESOURCE_SHORTAGE when a new thread
// finds every table taken.
zzcrash_kern_return_t zzcrash_thread_get_exception_ports(zzcrash_thread_t thread, std::uint32_t mask,
                                                         zzcrash_mach_exception_port_set* answer);
zzcrash_kern_return_t zzcrash_thread_swap_exception_ports(zzcrash_thread_t thread, std::uint32_t mask,
                                                          zzcrash_port_t port, std::int32_t behavior,
                                                          std::int32_t flavor,
                                                          zzcrash_mach_exception_port_set* previous);

// The registration that receives exception `type` raised on `thread`; false
// when neither table has one. Async-signal-safe.
bool zzcrash_exception_port_for(zzcrash_thread_t thread, std::int32_t type, zzcrash_exception_registration* found);
