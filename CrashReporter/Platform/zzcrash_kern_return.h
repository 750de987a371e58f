#pragma once
#include <cstdint>

// Result codes of the port layer, with the values the exception messages
// carry: a handler's answer travels in a reply as one of these.
using zzcrash_kern_return_t = std::int32_t;

inline constexpr zzcrash_kern_return_t ZZCRASH_KERN_SUCCESS = 0;
inline constexpr zzcrash_kern_return_t ZZCRASH_KERN_INVALID_ARGUMENT = 4;
inline constexpr zzcrash_kern_return_t ZZCRASH_KERN_FAILURE = 5;
inline constexpr zzcrash_kern_return_t ZZCRASH_KERN_RESOURCE_SHORTAGE = 6;
inline constexpr zzcrash_kern_return_t ZZCRASH_KERN_INVALID_NAME = 15;
inline constexpr zzcrash_kern_return_t ZZCRASH_KERN_INVALID_RIGHT = 17;
inline constexpr zzcrash_kern_return_t ZZCRASH_MACH_SEND_INVALID_DEST = 0x10000003;
inline constexpr zzcrash_kern_return_t ZZCRASH_MACH_SEND_MSG_TOO_SMALL = 0x10000008;
inline constexpr zzcrash_kern_return_t ZZCRASH_MACH_SEND_TOO_LARGE = 0x1000000a;
inline constexpr zzcrash_kern_return_t ZZCRASH_MACH_RCV_INVALID_NAME = 0x10004002;
inline constexpr zzcrash_kern_return_t ZZCRASH_MACH_RCV_TIMED_OUT = 0x10004003;
inline constexpr zzcrash_kern_return_t ZZCRASH_MACH_RCV_TOO_LARGE = 0x10004004;
