#pragma once
#include <cstdint>

// Exception types, their mask bits and the behaviours of a registration, with
// the values exception messages carry.
inline constexpr std::uint32_t ZZCRASH_EXC_TYPES_COUNT = 14;
inline constexpr std::int32_t ZZCRASH_EXC_BAD_ACCESS = 1;
inline constexpr std::int32_t ZZCRASH_EXC_BAD_INSTRUCTION = 2;
inline constexpr std::int32_t ZZCRASH_EXC_ARITHMETIC = 3;
inline constexpr std::int32_t ZZCRASH_EXC_EMULATION = 4;
inline constexpr std::int32_t ZZCRASH_EXC_SOFTWARE = 5;
inline constexpr std::int32_t ZZCRASH_EXC_BREAKPOINT = 6;
inline constexpr std::int32_t ZZCRASH_EXC_GUARD = 12;
constexpr std::uint32_t zzcrash_exc_mask(std::int32_t type) { return 1u << type; }
// Every type a registration may name (1 to 13).
inline constexpr std::uint32_t ZZCRASH_EXC_MASK_ALL = ((1u << ZZCRASH_EXC_TYPES_COUNT) - 1) & ~1u;

inline constexpr std::int32_t ZZCRASH_EXCEPTION_DEFAULT = 1;
inline constexpr std::int32_t ZZCRASH_EXCEPTION_STATE = 2;
inline constexpr std::int32_t ZZCRASH_EXCEPTION_STATE_IDENTITY = 3;
// Set on a behaviour: the handler takes 64-bit codes.
inline constexpr std::int32_t ZZCRASH_MACH_EXCEPTION_CODES = static_cast<std::int32_t>(0x80000000u);
// The thread-state flavour exception handlers are registered with.
inline constexpr std::int32_t ZZCRASH_X86_THREAD_STATE = 7;

// Exception-port registrations in a flat form without pointers, which a
// crash handler reads as it is: entry i of each array is registration i.
struct zzcrash_mach_exception_port_set {
    std::uint32_t count;
    std::uint32_t masks[ZZCRASH_EXC_TYPES_COUNT];
    std::uint32_t ports[ZZCRASH_EXC_TYPES_COUNT];
    std::uint32_t behaviors[ZZCRASH_EXC_TYPES_COUNT];
    std::uint32_t flavors[ZZCRASH_EXC_TYPES_COUNT];
};
static_assert(sizeof(zzcrash_mach_exception_port_set) == 228);
