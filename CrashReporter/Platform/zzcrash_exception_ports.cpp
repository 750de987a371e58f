#include "CrashReporter/Platform/zzcrash_exception_ports.h"

#include <atomic>
#include <mutex>

#include "CrashReporter/Platform/zzcrash_spin_lock.h"

namespace {

struct Slot {
    std::atomic<zzcrash_port_t> port;
    std::atomic<std::int32_t> behavior;
    std::atomic<std::int32_t> flavor;
};

struct Table {
    std::atomic<zzcrash_thread_t> thread;  // 0: the process's table, or a free thread table
    Slot slots[ZZCRASH_EXC_TYPES_COUNT];
};

Table processTable;
Table threadTables[ZZCRASH_EXCEPTION_THREAD_TABLES];
const Table noRegistrations{};
// Registrations one at a time; a fault reads the slots without it.
zzcrash_spin_lock registering;

Table* threadTable(zzcrash_thread_t thread, bool make) {
    for (Table& table : threadTables)
        if (table.thread.load() == thread) return &table;
    if (!make) return nullptr;
    for (Table& table : threadTables) {
        zzcrash_thread_t expected = 0;
        if (table.thread.compare_exchange_strong(expected, thread)) return &table;
    }
    return nullptr;
}

bool validBehavior(std::int32_t behavior) {
    const std::int32_t base = behavior & ~ZZCRASH_MACH_EXCEPTION_CODES;
    return base >= ZZCRASH_EXCEPTION_DEFAULT && base <= ZZCRASH_EXCEPTION_STATE_IDENTITY;
}

// Adds type's registration to the answer, joining an entry it shares.
void addToAnswer(zzcrash_mach_exception_port_set* answer, std::int32_t type, const Slot& slot) {
    const zzcrash_port_t port = slot.port.load();
    const auto behavior = static_cast<std::uint32_t>(slot.behavior.load());
    const auto flavor = static_cast<std::uint32_t>(slot.flavor.load());
    for (std::uint32_t i = 0; i < answer->count; ++i) {
        if (answer->ports[i] == port && answer->behaviors[i] == behavior && answer->flavors[i] == flavor) {
            answer->masks[i] |= zzcrash_exc_mask(type);
            return;
        }
    }
    const std::uint32_t i = answer->count++;
    answer->masks[i] = zzcrash_exc_mask(type);
    answer->ports[i] = port;
    answer->behaviors[i] = behavior;
    answer->flavors[i] = flavor;
    if (port != ZZCRASH_PORT_NULL) zzcrash_port_mod_send_refs(port, 1);
}

void answerFrom(const Table& table, std::uint32_t mask, zzcrash_mach_exception_port_set* answer) {
    *answer = {};
    for (std::int32_t type = 1; type < static_cast<std::int32_t>(ZZCRASH_EXC_TYPES_COUNT); ++type) {
        if (mask & zzcrash_exc_mask(type)) addToAnswer(answer, type, table.slots[type]);
    }
}

void registerIn(Table& table, std::uint32_t mask, zzcrash_port_t port, std::int32_t behavior, std::int32_t flavor) {
    for (std::int32_t type = 1; type < static_cast<std::int32_t>(ZZCRASH_EXC_TYPES_COUNT); ++type) {
        if (!(mask & zzcrash_exc_mask(type))) continue;
        Slot& slot = table.slots[type];
        if (port != ZZCRASH_PORT_NULL) zzcrash_port_mod_send_refs(port, 1);
        const zzcrash_port_t replaced = slot.port.exchange(port);
        slot.behavior.store(behavior);
        slot.flavor.store(flavor);
        if (replaced != ZZCRASH_PORT_NULL) zzcrash_port_mod_send_refs(replaced, -1);
    }
}

zzcrash_kern_return_t swapIn(Table* table, std::uint32_t mask, zzcrash_port_t port, std::int32_t behavior,
                             std::int32_t flavor, zzcrash_mach_exception_port_set* previous) {
    if (!table) return ZZCRASH_KERN_RESOURCE_SHORTAGE;
    if (previous) answerFrom(*table, mask, previous);
    registerIn(*table, mask, port, behavior, flavor);
    return ZZCRASH_KERN_SUCCESS;
}

zzcrash_kern_return_t checkRegistration(std::uint32_t mask, zzcrash_port_t port, std::int32_t behavior) {
    if ((mask & ~ZZCRASH_EXC_MASK_ALL) != 0 || !validBehavior(behavior)) return ZZCRASH_KERN_INVALID_ARGUMENT;
    if (port != ZZCRASH_PORT_NULL && zzcrash_port_send_refs(port) < 0) return ZZCRASH_KERN_INVALID_ARGUMENT;
    return ZZCRASH_KERN_SUCCESS;
}

bool lookUp(const Table* table, std::int32_t type, zzcrash_exception_registration* found) {
    if (!table) return false;
    const Slot& slot = table->slots[type];
    const zzcrash_port_t port = slot.port.load();
    if (port == ZZCRASH_PORT_NULL) return false;
    *found = {port, slot.behavior.load(), slot.flavor.load()};
    return true;
}

}  // namespace

zzcrash_kern_return_t zzcrash_task_get_exception_ports(std::uint32_t mask, zzcrash_mach_exception_port_set* answer) {
    if ((mask & ~ZZCRASH_EXC_MASK_ALL) != 0) return ZZCRASH_KERN_INVALID_ARGUMENT;
    const std::lock_guard guard(registering);
    answerFrom(processTable, mask, answer);
    return ZZCRASH_KERN_SUCCESS;
}

zzcrash_kern_return_t zzcrash_task_swap_exception_ports(std::uint32_t mask, zzcrash_port_t port, std::int32_t behavior,
                                                        std::int32_t flavor,
                                                        zzcrash_mach_exception_port_set* previous) {
    const zzcrash_kern_return_t checked = checkRegistration(mask, port, behavior);
    if (checked != ZZCRASH_KERN_SUCCESS) return checked;
    const std::lock_guard guard(registering);
    return swapIn(&processTable, mask, port, behavior, flavor, previous);
}

zzcrash_kern_return_t zzcrash_thread_get_exception_ports(zzcrash_thread_t thread, std::uint32_t mask,
                                                         zzcrash_mach_exception_port_set* answer) {
    if ((mask & ~ZZCRASH_EXC_MASK_ALL) != 0 || thread <= 0) return ZZCRASH_KERN_INVALID_ARGUMENT;
    const std::lock_guard guard(registering);
    const Table* table = threadTable(thread, false);
    answerFrom(table ? *table : noRegistrations, mask, answer);
    return ZZCRASH_KERN_SUCCESS;
}

zzcrash_kern_return_t zzcrash_thread_swap_exception_ports(zzcrash_thread_t thread, std::uint32_t mask,
                                                          zzcrash_port_t port, std::int32_t behavior,
                                                          std::int32_t flavor,
                                                          zzcrash_mach_exception_port_set* previous) {
    if (thread <= 0) return ZZCRASH_KERN_INVALID_ARGUMENT;
    const zzcrash_kern_return_t checked = checkRegistration(mask, port, behavior);
    if (checked != ZZCRASH_KERN_SUCCESS) return checked;
    const std::lock_guard guard(registering);
    return swapIn(threadTable(thread, true), mask, port, behavior, flavor, previous);
}

bool zzcrash_exception_port_for(zzcrash_thread_t thread, std::int32_t type, zzcrash_exception_registration* found) {
    if (type <= 0 || type >= static_cast<std::int32_t>(ZZCRASH_EXC_TYPES_COUNT)) return false;
    return lookUp(threadTable(thread, false), type, found) || lookUp(&processTable, type, found);
}
