#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "CrashReporter/Report/ZZCrashReportInfo.h"

namespace zerazov {

// "EXC_BAD_ACCESS" for 1 and the other names of exception types 1 to 13;
// "EXC_UNKNOWN_" and the number for any other.
std::string machExceptionName(std::uint64_t type);

// The name, then ", Code " and the first code (with its name and number in
// parentheses when its type names it), then ", Subcode " and the second code as
// an address when there is one: "EXC_BAD_ACCESS, Code KERN_INVALID_ADDRESS (1),
// Subcode 0x0000000000000010". The name alone without codes.
std::string machExceptionValue(const ZZCrashReportMachExceptionInfo& machInfo);

// The name a code has for an exception type; nothing when its type names none.
std::optional<std::string> machExceptionCodeName(std::uint64_t type, std::int64_t code);

}  // namespace zerazov
