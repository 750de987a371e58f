#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The Mach-O fixtures under tests/fixtures/macho and what llvm-nm and
// llvm-objdump said about them (answers/, written by generate.sh). Expected
// values in the tests come from these answers, never from the reader.
namespace tessivar::testing::macho {

std::vector<std::uint8_t> readFixture(const std::string& name);

// One line of `llvm-nm -p`, in symbol-table order. Thumb comes from `-m`.
struct NmSymbol {
    std::uint64_t value;
    char type;  // t, T, s, S, ...: a letter for a section-defined symbol
    std::string name;
    bool thumb;
};
// The defined symbols of a fixture (undefined ones have no value and are left out).
std::vector<NmSymbol> nmSymbols(const std::string& fixture);
// The symbol named `name`; fails the calling test when there is none.
NmSymbol nmSymbol(const std::string& fixture, const std::string& name);

// One load command of `llvm-objdump --macho --private-headers`: its type, its
// size and its other fields by name; a segment's sections in order.
struct CommandAnswer {
    std::string type;
    std::uint32_t size = 0;
    std::map<std::string, std::string> fields;
    std::vector<std::map<std::string, std::string>> sections;
    std::uint64_t number(const std::string& field) const;
};
struct HeadersAnswer {
    std::string magic;
    std::string cputype;
    std::vector<CommandAnswer> commands;
    const CommandAnswer& segment(const std::string& name) const;
    const CommandAnswer& command(const std::string& type) const;
    std::size_t indexOf(const std::string& type) const;
};
HeadersAnswer headersAnswer(const std::string& fixture);

// The offset and size of the x86_64 slice of a universal file.
struct SliceAnswer {
    std::uint64_t offset;
    std::uint64_t size;
};
SliceAnswer x86Slice(const std::string& universalFixture);

// Every `imp` (or old-format `method_imp`) name in `llvm-objdump --macho --objc-meta-data`.
std::vector<std::string> objcImplementationNames(const std::string& fixture);

// A load command's number from its name (for the names the answers use).
std::uint32_t commandNumber(const std::string& type);

}  // namespace tessivar::testing::macho
