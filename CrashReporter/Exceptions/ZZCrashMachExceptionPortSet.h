#pragma once
#include <memory>
#include <vector>

#include "CrashReporter/Exceptions/ZZCrashMachExceptionPort.h"
#include "CrashReporter/Platform/zzcrash_mach_exception_port_set.h"

// Exception-port registrations together, with their flat form, which a
// crash handler can read as it is.
class ZZCrashMachExceptionPortSet {
public:
    using Ports = std::vector<std::shared_ptr<ZZCrashMachExceptionPort>>;

    // At most 14 registrations (one per exception type); more stop the
    // process (an assertion).
    explicit ZZCrashMachExceptionPortSet(Ports set);
    // From a flat answer of the port layer, taking over the send rights that
    // came with it. A count above 14 stops the process.
    explicit ZZCrashMachExceptionPortSet(const zzcrash_mach_exception_port_set& representation);

    const Ports& set() const { return set_; }
    const zzcrash_mach_exception_port_set& asyncSafeRepresentation() const { return representation_; }
    Ports::const_iterator begin() const { return set_.begin(); }
    Ports::const_iterator end() const { return set_.end(); }

private:
    Ports set_;
    zzcrash_mach_exception_port_set representation_{};
};
