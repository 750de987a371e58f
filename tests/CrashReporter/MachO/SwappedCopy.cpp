#include "tests/CrashReporter/MachO/SwappedCopy.h"

#include <algorithm>

namespace tessivar::testing::macho {

namespace {

void reverse(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t width) {
    std::reverse(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                 bytes.begin() + static_cast<std::ptrdiff_t>(at + width));
}

void reverseWords(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t count, std::size_t width) {
    for (std::size_t i = 0; i < count; ++i) reverse(bytes, at + i * width, width);
}

// vmaddr, vmsize, fileoff, filesize; then maxprot, initprot, nsects, flags.
void swapSegment(std::vector<std::uint8_t>& bytes, std::size_t at, const CommandAnswer& command) {
    reverseWords(bytes, at + 24, 4, 8);
    reverseWords(bytes, at + 56, 4, 4);
    for (std::size_t i = 0; i < command.sections.size(); ++i) {
        const std::size_t section = at + 72 + i * 80;
        reverseWords(bytes, section + 32, 2, 8);  // addr, size
        reverseWords(bytes, section + 48, 8, 4);  // offset ... reserved3
    }
}

void swapSymbols(std::vector<std::uint8_t>& bytes, const CommandAnswer& symtab) {
    for (std::uint64_t i = 0; i < symtab.number("nsyms"); ++i) {
        const std::size_t entry = symtab.number("symoff") + i * 16;
        reverse(bytes, entry, 4);
        reverse(bytes, entry + 6, 2);
        reverse(bytes, entry + 8, 8);
    }
}

}  // namespace

std::vector<std::uint8_t> byteSwappedCopy(std::vector<std::uint8_t> bytes, const HeadersAnswer& layout) {
    reverseWords(bytes, 0, 7, 4);
    std::size_t at = 32;
    for (const CommandAnswer& command : layout.commands) {
        if (command.type == "LC_SEGMENT_64") swapSegment(bytes, at, command);
        if (command.type == "LC_SYMTAB") {
            reverseWords(bytes, at + 8, 4, 4);
            swapSymbols(bytes, command);
        }
        if (command.type == "LC_DYSYMTAB") reverseWords(bytes, at + 8, 18, 4);
        reverseWords(bytes, at, 2, 4);
        at += command.size;
    }
    return bytes;
}

}  // namespace tessivar::testing::macho
