#include "tests/CrashReporter/Unwind/CfiOracle.h"

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <functional>
#include <memory>

namespace tessivar::testing::unwind {

namespace {

bool installed(const char* tool) { return tool[0] != '\0' && access(tool, X_OK) == 0; }

// Feeds each line of a command's output, or of a gzip file, to `take`.
bool eachCommandLine(const std::string& command, const std::function<void(const std::string&)>& take) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return false;
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe.get())) take(buffer);
    return true;
}

bool eachGzipLine(const std::string& path, const std::function<void(const std::string&)>& take) {
    std::unique_ptr<gzFile_s, int (*)(gzFile)> file(gzopen(path.c_str(), "rb"), gzclose);
    if (!file) return false;
    char buffer[4096];
    while (gzgets(file.get(), buffer, sizeof buffer)) take(buffer);
    return true;
}

std::string trimmed(const std::string& text) {
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    return end == std::string::npos ? "" : text.substr(0, end + 1);
}

// "00000018 00000024 0000001c FDE cie=00000000 pc=00026000...00026360" and
// "  0x26000: CFA=RSP+16: RIP=[CFA-8]".
void takeDwarfdumpLine(CfiOracle* oracle, const std::string& line) {
    unsigned long long offset = 0, start = 0, end = 0;
    int rowText = 0;
    if (line.find(" FDE ") != std::string::npos &&
        std::sscanf(line.c_str(), "%llx %*x %*x FDE cie=%*x pc=%llx...%llx", &offset, &start, &end) == 3) {
        oracle->fdes.push_back({offset, start, end, {}});
    } else if (!oracle->fdes.empty() && line.rfind("  0x", 0) == 0 &&
               std::sscanf(line.c_str(), "  0x%llx: %n", &start, &rowText) == 1 && rowText > 0) {
        oracle->fdes.back().rows.emplace_back(start, trimmed(line.substr(static_cast<std::size_t>(rowText))));
    }
}

// "00000000 0000000000000014 00000000 CIE ...",
// "00000018 0000000000000024 0000001c FDE cie=00000000 pc=..." and
// "0000000000026000 rsp+16   c-8   ".
void takeReadelfLine(CfiOracle* oracle, std::uint64_t* current, const std::string& line) {
    unsigned long long value = 0;
    unsigned long long cie = 0;
    char cfa[64] = {};
    if (line.find(" CIE") != std::string::npos && std::sscanf(line.c_str(), "%llx", &value) == 1) {
        *current = value;
        oracle->readelfCfa[value];
    } else if (line.find(" FDE ") != std::string::npos &&
               std::sscanf(line.c_str(), "%llx %*x %*x FDE cie=%llx", &value, &cie) == 2) {
        *current = value;
        oracle->readelfCieOf[value] = cie;
    } else if (line.size() > 17 && line[16] == ' ' && std::sscanf(line.c_str(), "%16llx %63s", &value, cfa) == 2) {
        oracle->readelfCfa[*current].emplace_back(value, cfa);
    }
}

std::string fixture(const std::string& name) { return std::string(TESSIVAR_UNWIND_FIXTURES) + "/" + name; }

// The committed files' first line: "# build-id <hex> <library>".
bool committedFor(const std::string& library, const std::string& buildIdHex) {
    std::string header;
    eachGzipLine(fixture(library + ".eh-frame.gz"), [&header](const std::string& line) {
        if (header.empty()) header = line;
    });
    return !buildIdHex.empty() && header.rfind("# build-id " + buildIdHex, 0) == 0;
}

}  // namespace

std::string CfiOracle::readelfCfaAt(std::uint64_t offset, std::uint64_t pc) const {
    auto found = readelfCfa.find(offset);
    if (found == readelfCfa.end() || found->second.empty()) {
        const auto cie = readelfCieOf.find(offset);
        if (cie == readelfCieOf.end()) return "";
        found = readelfCfa.find(cie->second);
        if (found == readelfCfa.end() || found->second.empty()) return "";
        return found->second.front().second;
    }
    std::string cfa;
    for (const auto& [location, text] : found->second) {
        if (location <= pc) cfa = text;
    }
    return cfa;
}

std::optional<CfiOracle> runCfiTools(const std::string& path) {
    if (!installed(TESSIVAR_LLVM_DWARFDUMP) || !installed(TESSIVAR_READELF)) return std::nullopt;
    CfiOracle oracle;
    oracle.source = "the tools";
    std::uint64_t current = 0;
    // readelf answers 1 for the C library although it prints every table.
    if (!eachCommandLine(std::string(TESSIVAR_LLVM_DWARFDUMP) + " --eh-frame '" + path + "'",
                         [&oracle](const std::string& line) { takeDwarfdumpLine(&oracle, line); }) ||
        !eachCommandLine(std::string(TESSIVAR_READELF) + " --debug-dump=frames-interp '" + path + "' 2>/dev/null",
                         [&](const std::string& line) { takeReadelfLine(&oracle, &current, line); }))
        return std::nullopt;
    return oracle;
}

std::optional<CfiOracle> committedCfiAnswers(const std::string& library, const std::string& buildIdHex) {
    if (!committedFor(library, buildIdHex)) return std::nullopt;
    CfiOracle oracle;
    oracle.source = "the committed answers";
    std::uint64_t current = 0;
    eachGzipLine(fixture(library + ".eh-frame.gz"),
                 [&oracle](const std::string& line) { takeDwarfdumpLine(&oracle, line); });
    eachGzipLine(fixture(library + ".frames-interp.gz"),
                 [&](const std::string& line) { takeReadelfLine(&oracle, &current, line); });
    return oracle;
}

}  // namespace tessivar::testing::unwind
