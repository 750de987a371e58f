#include "CrashReporter/Exceptions/ZZCrashMachExceptionPortSet.h"

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void countExceeded(const char* what, std::size_t count) {
    std::fprintf(stderr, "Assertion failed: %s of %lu exceeds EXC_TYPES_COUNT (%lu)\n", what,
                 static_cast<unsigned long>(count), static_cast<unsigned long>(ZZCRASH_EXC_TYPES_COUNT));
    std::abort();
}

}  // namespace

ZZCrashMachExceptionPortSet::ZZCrashMachExceptionPortSet(Ports set) : set_(std::move(set)) {
    if (set_.size() > ZZCRASH_EXC_TYPES_COUNT) countExceeded("Set size", set_.size());
    for (const auto& port : set_) {
        const std::uint32_t i = representation_.count++;
        representation_.masks[i] = port->mask();
        representation_.ports[i] = port->server_port();
        representation_.behaviors[i] = static_cast<std::uint32_t>(port->behavior());
        representation_.flavors[i] = static_cast<std::uint32_t>(port->flavor());
    }
}

ZZCrashMachExceptionPortSet::ZZCrashMachExceptionPortSet(const zzcrash_mach_exception_port_set& representation)
    : representation_(representation) {
    if (representation.count > ZZCRASH_EXC_TYPES_COUNT) countExceeded("Count", representation.count);
    for (std::uint32_t i = 0; i < representation.count; ++i) {
        const zzcrash_port_t port = representation.ports[i];
        set_.push_back(std::make_shared<ZZCrashMachExceptionPort>(
            port, representation.masks[i], static_cast<std::int32_t>(representation.behaviors[i]),
            static_cast<std::int32_t>(representation.flavors[i])));
        // The registration now holds a right of its own; the one that came
        // with the answer is given back.
        ZZCrashMachExceptionPort::releaseSendRight(port);
    }
}
