#include <cctype>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/MachO/zzcrash_async_macho_symtab_reader.h"
#include "tests/CrashReporter/MachO/LoadedFixture.h"
#include "tests/CrashReporter/MachO/SwappedCopy.h"
#include "tests/CrashReporter/Support/FoundSymbol.h"

namespace {

using namespace tessivar::testing::macho;

using Found = tessivar::testing::FoundSymbol;
constexpr auto collect = tessivar::testing::collectFoundSymbol;

// The symbol a lookup at `pc` must find, from llvm-nm's table: the largest
// value at or below the pc; of equal values the externally defined run (upper
// case) is searched first, and within a run the first in table order wins.
std::optional<NmSymbol> expectedAt(const std::vector<NmSymbol>& symbols, std::uint64_t pc) {
    std::optional<NmSymbol> best;
    auto better = [&](const NmSymbol& s) {
        if (s.value > pc) return false;
        if (!best || s.value > best->value) return true;
        return s.value == best->value && std::isupper(s.type) && !std::isupper(best->type);
    };
    for (const NmSymbol& symbol : symbols) {
        if (better(symbol)) best = symbol;
    }
    return best;
}

struct SymbolCase {
    const char* fixture;
    bool atOwnAddress;
};

TEST(MachOSymbols, EveryAddressNamesTheSymbolLlvmNmPlacesThere) {
    const SymbolCase cases[] = {{"fixture", true},
                                {"libfixture.dylib", false},
                                {"fixture-stripped", false},
                                {"fixture-arm64", false},
                                {"fixture-armv7", false}};
    for (const SymbolCase& c : cases) {
        SCOPED_TRACE(c.fixture);
        FixtureImage fixture(c.fixture, c.atOwnAddress);
        ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
        const std::vector<NmSymbol> symbols = nmSymbols(c.fixture);
        for (const NmSymbol& symbol : symbols) {
            for (const std::uint64_t pc : {symbol.value, symbol.value + 1}) {
                const std::optional<NmSymbol> expected = expectedAt(symbols, pc);
                Found found;
                ASSERT_EQ(zzcrash_async_macho_symbol_at_pc(fixture.image(), pc + fixture.slide(), collect, &found),
                          ZZCRASH_ESUCCESS)
                    << symbol.name;
                EXPECT_EQ(found.name, expected->name);
                EXPECT_EQ(found.start, expected->value + (expected->thumb ? 1 : 0) + fixture.slide());
            }
        }
    }
}

TEST(MachOSymbols, NamesLookUpTheFirstSymbolOfThatName) {
    for (const char* name : {"libfixture.dylib", "fixture-armv7"}) {
        FixtureImage fixture(name, false);
        ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
        for (const NmSymbol& symbol : nmSymbols(name)) {
            std::uint64_t address = 0;
            ASSERT_EQ(zzcrash_async_macho_symbol_by_name(fixture.image(), symbol.name.c_str(), &address),
                      ZZCRASH_ESUCCESS);
            EXPECT_EQ(address, nmSymbol(name, symbol.name).value + (symbol.thumb ? 1 : 0) + fixture.slide());
        }
        std::uint64_t address = 0;
        EXPECT_EQ(zzcrash_async_macho_symbol_by_name(fixture.image(), "_no_such_symbol", &address), ZZCRASH_ENOTFOUND);
    }
}

TEST(MachOSymbols, EqualValuesKeepTheFirstAndAPcBelowEverySymbolHasNone) {
    FixtureImage fixture("libfixture.dylib", false);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    const NmSymbol first = nmSymbol("libfixture.dylib", "_fixture_twin_first");
    ASSERT_EQ(first.value, nmSymbol("libfixture.dylib", "_fixture_twin_second").value);
    Found found;
    ASSERT_EQ(zzcrash_async_macho_symbol_at_pc(fixture.image(), first.value + 4 + fixture.slide(), collect, &found),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(found.name, "_fixture_twin_first");

    std::uint64_t lowest = ~std::uint64_t{0};
    for (const NmSymbol& symbol : nmSymbols("libfixture.dylib")) lowest = std::min(lowest, symbol.value);
    EXPECT_EQ(zzcrash_async_macho_symbol_at_pc(fixture.image(), lowest - 1 + fixture.slide(), collect, &found),
              ZZCRASH_ENOTFOUND);
}

TEST(MachOSymbols, AByteSwappedImageReadsAsTheOriginal) {
    FixtureImage swapped(byteSwappedCopy(readFixture("fixture"), headersAnswer("fixture")), "fixture", false);
    ASSERT_EQ(swapped.error(), ZZCRASH_ESUCCESS);
    EXPECT_EQ(swapped.image()->byteorder, &zzcrash_async_byteorder_swapped);
    for (const NmSymbol& symbol : nmSymbols("fixture")) {
        Found found;
        ASSERT_EQ(zzcrash_async_macho_symbol_at_pc(swapped.image(), symbol.value + swapped.slide(), collect, &found),
                  ZZCRASH_ESUCCESS);
        EXPECT_EQ(found.start, symbol.value + swapped.slide()) << symbol.name;
    }
}

// The run of externally defined symbols is checked against the table in 64
// bits: a start near 2^32 plus a count must not wrap around to a small index.
TEST(MachOSymbols, RunsOutsideTheTableAreRefused) {
    const HeadersAnswer answer = headersAnswer("fixture");
    std::size_t dysymtab = 32;
    for (std::size_t i = 0; i < answer.indexOf("LC_DYSYMTAB"); ++i) dysymtab += answer.commands[i].size;
    const struct {
        std::uint32_t start, count;
    } runs[] = {{0xffffffffu, 2}, {0, static_cast<std::uint32_t>(answer.command("LC_SYMTAB").number("nsyms") + 1)}};
    for (const auto& run : runs) {
        std::vector<std::uint8_t> bytes = readFixture("fixture");
        std::memcpy(&bytes[dysymtab + 16], &run.start, 4);
        std::memcpy(&bytes[dysymtab + 20], &run.count, 4);
        FixtureImage fixture(bytes, "fixture", false);
        ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
        Found found;
        EXPECT_EQ(zzcrash_async_macho_symbol_at_pc(fixture.image(), fixture.loaded().header() + 0x800, collect, &found),
                  ZZCRASH_EINVAL);
    }
}

}  // namespace
