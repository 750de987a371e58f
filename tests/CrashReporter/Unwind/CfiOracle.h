#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessivar::testing::unwind {

// One FDE as llvm-dwarfdump --eh-frame shows it: its offset in the section,
// its code range and its rows (location, then the text after "0x...: ").
struct OracleFde {
    std::uint64_t offset = 0;
    std::uint64_t pcStart = 0;
    std::uint64_t pcEnd = 0;
    std::vector<std::pair<std::uint64_t, std::string>> rows;
};

// What the two tools say about one library's call-frame information.
struct CfiOracle {
    std::string source;  // where the answers came from, for the test's report
    std::vector<OracleFde> fdes;
    // readelf --debug-dump=frames-interp: the rows of each CIE and FDE by
    // section offset, as (location, CFA column), and the CIE of each FDE.
    // readelf leaves out the rows of an FDE without instructions: its CIE's
    // row holds.
    std::map<std::uint64_t, std::vector<std::pair<std::uint64_t, std::string>>> readelfCfa;
    std::map<std::uint64_t, std::uint64_t> readelfCieOf;

    // readelf's CFA at `pc` in the FDE at `offset`; empty when it has none.
    std::string readelfCfaAt(std::uint64_t offset, std::uint64_t pc) const;
};

// The tools' answers for the library at `path`: nothing when they are not installed.
std::optional<CfiOracle> runCfiTools(const std::string& path);
// The answers committed under tests/fixtures/unwind for `library`: nothing
// unless their build id starts with `buildIdHex` (they describe another build).
std::optional<CfiOracle> committedCfiAnswers(const std::string& library, const std::string& buildIdHex);

}  // namespace tessivar::testing::unwind
