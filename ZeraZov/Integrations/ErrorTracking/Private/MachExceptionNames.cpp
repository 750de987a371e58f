#include "ZeraZov/Integrations/ErrorTracking/Private/MachExceptionNames.h"

#include <map>

#include "ZeraZov/Integrations/ErrorTracking/Private/HexAddress.h"

namespace zerazov {
namespace {

using CodeNames = std::map<std::int64_t, std::string>;

const std::map<std::uint64_t, std::string>& typeNames() {
    static const std::map<std::uint64_t, std::string> names{
        {1, "EXC_BAD_ACCESS"},    {2, "EXC_BAD_INSTRUCTION"}, {3, "EXC_ARITHMETIC"}, {4, "EXC_EMULATION"},
        {5, "EXC_SOFTWARE"},      {6, "EXC_BREAKPOINT"},      {7, "EXC_SYSCALL"},    {8, "EXC_MACH_SYSCALL"},
        {9, "EXC_RPC_ALERT"},     {10, "EXC_CRASH"},          {11, "EXC_RESOURCE"},  {12, "EXC_GUARD"},
        {13, "EXC_CORPSE_NOTIFY"}};
    return names;
}

// A bad access carries the kernel's return code, or a data-abort code.
CodeNames badAccessCodes() {
    static constexpr const char* kernelReturns[] = {"KERN_SUCCESS",
                                                    "KERN_INVALID_ADDRESS",
                                                    "KERN_PROTECTION_FAILURE",
                                                    "KERN_NO_SPACE",
                                                    "KERN_INVALID_ARGUMENT",
                                                    "KERN_FAILURE",
                                                    "KERN_RESOURCE_SHORTAGE",
                                                    "KERN_NOT_RECEIVER",
                                                    "KERN_NO_ACCESS",
                                                    "KERN_MEMORY_FAILURE",
                                                    "KERN_MEMORY_ERROR",
                                                    "KERN_ALREADY_IN_SET",
                                                    "KERN_NOT_IN_SET",
                                                    "KERN_NAME_EXISTS",
                                                    "KERN_ABORTED",
                                                    "KERN_INVALID_NAME",
                                                    "KERN_INVALID_TASK",
                                                    "KERN_INVALID_RIGHT",
                                                    "KERN_INVALID_VALUE",
                                                    "KERN_UREFS_OVERFLOW",
                                                    "KERN_INVALID_CAPABILITY",
                                                    "KERN_RIGHT_EXISTS",
                                                    "KERN_INVALID_HOST",
                                                    "KERN_MEMORY_PRESENT",
                                                    "KERN_MEMORY_DATA_MOVED",
                                                    "KERN_MEMORY_RESTART_COPY",
                                                    "KERN_INVALID_PROCESSOR_SET",
                                                    "KERN_POLICY_LIMIT",
                                                    "KERN_INVALID_POLICY",
                                                    "KERN_INVALID_OBJECT",
                                                    "KERN_ALREADY_WAITING",
                                                    "KERN_DEFAULT_SET",
                                                    "KERN_EXCEPTION_PROTECTED",
                                                    "KERN_INVALID_LEDGER",
                                                    "KERN_INVALID_MEMORY_CONTROL",
                                                    "KERN_INVALID_SECURITY",
                                                    "KERN_NOT_DEPRESSED",
                                                    "KERN_TERMINATED",
                                                    "KERN_LOCK_SET_DESTROYED",
                                                    "KERN_LOCK_UNSTABLE",
                                                    "KERN_LOCK_OWNED",
                                                    "KERN_LOCK_OWNED_SELF",
                                                    "KERN_SEMAPHORE_DESTROYED",
                                                    "KERN_RPC_SERVER_TERMINATED",
                                                    "KERN_RPC_TERMINATE_ORPHAN",
                                                    "KERN_RPC_CONTINUE_ORPHAN",
                                                    "KERN_NOT_SUPPORTED",
                                                    "KERN_NODE_DOWN",
                                                    "KERN_NOT_WAITING",
                                                    "KERN_OPERATION_TIMED_OUT",
                                                    "KERN_CODESIGN_ERROR"};
    CodeNames names;
    std::int64_t code = 0;
    for (const auto* name : kernelReturns) names.emplace(code++, name);
    names.insert({{257, "EXC_ARM_DA_ALIGN"},
                  {258, "EXC_ARM_DA_DEBUG"},
                  {259, "EXC_ARM_SP_ALIGN"},
                  {260, "EXC_ARM_SWP"},
                  {261, "EXC_ARM_PAC_FAIL"}});
    return names;
}

const std::map<std::uint64_t, CodeNames>& codeNames() {
    static const std::map<std::uint64_t, CodeNames> names{
        {1, badAccessCodes()},
        {2, {{1, "EXC_ARM_UNDEFINED"}, {2, "EXC_ARM_SME_DISALLOWED"}}},
        {3,
         {{0, "EXC_ARM_FP_UNDEFINED"},
          {1, "EXC_ARM_FP_IO"},
          {2, "EXC_ARM_FP_DZ"},
          {3, "EXC_ARM_FP_OF"},
          {4, "EXC_ARM_FP_UF"},
          {5, "EXC_ARM_FP_IX"},
          {6, "EXC_ARM_FP_ID"}}},
        {6, {{1, "EXC_ARM_BREAKPOINT"}}}};
    return names;
}

std::string codeText(std::uint64_t type, std::int64_t code) {
    const auto name = machExceptionCodeName(type, code);
    return name ? *name + " (" + std::to_string(code) + ")" : std::to_string(code);
}

}  // namespace

std::string machExceptionName(std::uint64_t type) {
    const auto found = typeNames().find(type);
    return found != typeNames().end() ? found->second : "EXC_UNKNOWN_" + std::to_string(type);
}

std::optional<std::string> machExceptionCodeName(std::uint64_t type, std::int64_t code) {
    const auto table = codeNames().find(type);
    if (table == codeNames().end()) return std::nullopt;
    const auto found = table->second.find(code);
    return found != table->second.end() ? std::optional(found->second) : std::nullopt;
}

std::string machExceptionValue(const ZZCrashReportMachExceptionInfo& machInfo) {
    const auto name = machExceptionName(machInfo.type());
    const auto& codes = machInfo.codes();
    if (codes.empty()) return name;
    const auto code = static_cast<std::int64_t>(codes[0]);
    auto value = name + ", Code " + codeText(machInfo.type(), code);
    if (codes.size() > 1) value += ", Subcode " + hexAddressText(codes[1]);
    return value;
}

}  // namespace zerazov
