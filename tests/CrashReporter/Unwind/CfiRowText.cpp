#include "tests/CrashReporter/Unwind/CfiRowText.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_encoding.h"

namespace tessivar::testing::unwind {

namespace {

using namespace zzcrash::ZZ::async;

std::string registerName(std::uint64_t number) {
    static const char* const names[] = {"RAX", "RDX", "RCX", "RBX", "RSI", "RDI", "RBP", "RSP", "R8",
                                        "R9",  "R10", "R11", "R12", "R13", "R14", "R15", "RIP"};
    if (number < std::size(names)) return names[number];
    return "reg" + std::to_string(number);
}

std::string signedOffset(std::int64_t offset, bool showZero) {
    if (offset == 0 && !showZero) return "";
    return (offset < 0 ? "-" : "+") + std::to_string(offset < 0 ? -offset : offset);
}

// The operations the system libraries' tables use; any other is written so
// that it cannot match.
std::string disassemble(const zzcrash_async_mobject* section, std::uint64_t address, std::uint64_t length) {
    std::vector<std::string> operations;
    const std::uint64_t end = address + length;
    while (address < end) {
        std::uint8_t opcode = 0;
        if (zzcrash_async_mobject_read_uint8(section, address++, 0, &opcode) != ZZCRASH_ESUCCESS) return "<unreadable>";
        if (opcode >= 0x70 && opcode <= 0x8f) {
            std::int64_t offset = 0;
            std::uint64_t size = 0;
            zzcrash_async_dwarf_read_sleb128(section, address, 0, &offset, &size);
            address += size;
            operations.push_back("DW_OP_breg" + std::to_string(opcode - 0x70) + " " + registerName(opcode - 0x70) +
                                 signedOffset(offset, true));
        } else if (opcode >= 0x30 && opcode <= 0x4f) {
            operations.push_back("DW_OP_lit" + std::to_string(opcode - 0x30));
        } else {
            static const std::pair<std::uint8_t, const char*> plain[] = {{0x06, "DW_OP_deref"},
                                                                         {0x1a, "DW_OP_and"},
                                                                         {0x22, "DW_OP_plus"},
                                                                         {0x24, "DW_OP_shl"},
                                                                         {0x2a, "DW_OP_ge"}};
            const auto* found = std::find_if(std::begin(plain), std::end(plain),
                                             [opcode](const auto& entry) { return entry.first == opcode; });
            operations.push_back(found != std::end(plain) ? found->second : "<opcode " + std::to_string(opcode) + ">");
        }
    }
    std::string text;
    for (const std::string& operation : operations) text += (text.empty() ? "" : ", ") + operation;
    return text;
}

std::string blockText(const zzcrash_async_mobject* section, std::uint64_t block) {
    std::uint64_t length = 0;
    std::uint64_t size = 0;
    zzcrash_async_dwarf_read_uleb128(section, block, 0, &length, &size);
    return disassemble(section, block + size, length);
}

std::string ruleText(zzcrash_dwarf_cfa_reg_rule_t rule, std::uint64_t value, const zzcrash_async_mobject* section) {
    const auto offset = static_cast<std::int64_t>(value);
    switch (rule) {
    case ZZCRASH_DWARF_CFA_REG_RULE_OFFSET: return "[CFA" + signedOffset(offset, false) + "]";
    case ZZCRASH_DWARF_CFA_REG_RULE_VAL_OFFSET: return "CFA" + signedOffset(offset, false);
    case ZZCRASH_DWARF_CFA_REG_RULE_REGISTER: return registerName(value);
    case ZZCRASH_DWARF_CFA_REG_RULE_EXPRESSION: return "[" + blockText(section, value) + "]";
    case ZZCRASH_DWARF_CFA_REG_RULE_VAL_EXPRESSION: return blockText(section, value);
    case ZZCRASH_DWARF_CFA_REG_RULE_SAME_VALUE: return "same";
    case ZZCRASH_DWARF_CFA_REG_RULE_UNDEFINED: return "undefined";
    }
    return "<rule " + std::to_string(rule) + ">";
}

}  // namespace

std::string dwarfdumpRow(const Rules& rules, const zzcrash_async_mobject* section) {
    const auto cfa = rules.get_cfa_rule();
    std::string text = "CFA=";
    if (cfa.type == DWARF_CFA_RULE_TYPE_EXPRESSION)
        text += disassemble(section, cfa.reg_or_address, cfa.offset_or_length);
    else
        text += registerName(cfa.register_number()) + signedOffset(cfa.signed_offset(), false);
    struct Entry {
        std::uint32_t reg;
        zzcrash_dwarf_cfa_reg_rule_t rule;
        std::uint64_t value;
    };
    std::vector<Entry> entries;
    dwarf_cfa_state_iterator<std::uint64_t, std::int64_t> iterator(&rules);
    for (Entry entry{}; iterator.next(&entry.reg, &entry.rule, &entry.value);) entries.push_back(entry);
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.reg < b.reg; });
    for (std::size_t i = 0; i < entries.size(); ++i) {
        text += (i == 0 ? ": " : ", ") + registerName(entries[i].reg) + "=" +
                ruleText(entries[i].rule, entries[i].value, section);
    }
    return text;
}

std::string readelfCfa(const Rules& rules) {
    const auto cfa = rules.get_cfa_rule();
    if (cfa.type == DWARF_CFA_RULE_TYPE_EXPRESSION) return "exp";
    std::string name = registerName(cfa.register_number());
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name + signedOffset(cfa.signed_offset(), true);
}

}  // namespace tessivar::testing::unwind
