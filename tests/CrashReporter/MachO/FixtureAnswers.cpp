#include "tests/CrashReporter/MachO/FixtureAnswers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace tessivar::testing::macho {

namespace {

std::string fixturePath(const std::string& name) { return std::string(TESSIVAR_MACHO_FIXTURES) + "/" + name; }

std::vector<std::string> answerLines(const std::string& file) {
    std::ifstream in(fixturePath("answers/" + file));
    if (!in) throw std::runtime_error("no answer " + file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

// Names whose symbols llvm-nm -m marks [Thumb].
std::vector<std::string> thumbNames(const std::string& fixture) {
    std::vector<std::string> names;
    std::ifstream probe(fixturePath("answers/" + fixture + ".nm-m"));
    if (!probe) return names;
    for (const std::string& line : answerLines(fixture + ".nm-m")) {
        if (line.find("[Thumb]") != std::string::npos) names.push_back(words(line).back());
    }
    return names;
}

}  // namespace

std::vector<std::uint8_t> readFixture(const std::string& name) {
    std::ifstream in(fixturePath(name), std::ios::binary);
    if (!in) throw std::runtime_error("no fixture " + name);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<NmSymbol> nmSymbols(const std::string& fixture) {
    const std::vector<std::string> thumb = thumbNames(fixture);
    std::vector<NmSymbol> symbols;
    for (const std::string& line : answerLines(fixture + ".nm")) {
        if (line.empty() || line[0] == ' ') continue;
        const std::size_t first = line.find(' ');
        NmSymbol symbol{std::stoull(line.substr(0, first), nullptr, 16), line[first + 1], line.substr(first + 3),
                        false};
        symbol.thumb = std::find(thumb.begin(), thumb.end(), symbol.name) != thumb.end();
        symbols.push_back(symbol);
    }
    return symbols;
}

NmSymbol nmSymbol(const std::string& fixture, const std::string& name) {
    for (const NmSymbol& symbol : nmSymbols(fixture)) {
        if (symbol.name == name) return symbol;
    }
    ADD_FAILURE() << fixture << " has no symbol " << name;
    return {};
}

std::uint64_t CommandAnswer::number(const std::string& field) const {
    return std::stoull(fields.at(field), nullptr, 0);
}

const CommandAnswer& HeadersAnswer::segment(const std::string& name) const {
    for (const CommandAnswer& command : commands) {
        if (command.type.rfind("LC_SEGMENT", 0) == 0 && command.fields.at("segname") == name) return command;
    }
    throw std::runtime_error("no segment " + name);
}

const CommandAnswer& HeadersAnswer::command(const std::string& type) const { return commands.at(indexOf(type)); }

std::size_t HeadersAnswer::indexOf(const std::string& type) const {
    for (std::size_t i = 0; i < commands.size(); ++i) {
        if (commands[i].type == type) return i;
    }
    throw std::runtime_error("no command " + type);
}

// "key value" lines; "cmd" starts a command, "Section" one of its sections.
HeadersAnswer headersAnswer(const std::string& fixture) {
    HeadersAnswer answer;
    std::map<std::string, std::string>* fields = nullptr;
    bool headerNext = false;
    for (const std::string& line : answerLines(fixture + ".headers")) {
        const std::vector<std::string> parts = words(line);
        if (parts.empty()) continue;
        if (headerNext) {
            answer.magic = parts[0];
            answer.cputype = parts[1];
            headerNext = false;
        } else if (parts[0] == "magic") {
            headerNext = true;
        } else if (parts[0] == "cmd") {
            answer.commands.push_back({parts[1], 0, {}, {}});
            fields = &answer.commands.back().fields;
        } else if (parts[0] == "Section" && !answer.commands.empty()) {
            answer.commands.back().sections.emplace_back();
            fields = &answer.commands.back().sections.back();
        } else if (parts[0] == "cmdsize" && !answer.commands.empty()) {
            answer.commands.back().size = static_cast<std::uint32_t>(std::stoul(parts[1]));
        } else if (fields && parts.size() >= 2) {
            (*fields)[parts[0]] = parts[1];
        }
    }
    return answer;
}

SliceAnswer x86Slice(const std::string& universalFixture) {
    bool inX86 = false;
    SliceAnswer slice{};
    for (const std::string& line : answerLines(universalFixture + ".headers")) {
        const std::vector<std::string> parts = words(line);
        if (parts.size() < 2) continue;
        if (parts[0] == "architecture") inX86 = parts[1] == "x86_64";
        if (inX86 && parts[0] == "offset") slice.offset = std::stoull(parts[1]);
        if (inX86 && parts[0] == "size") slice.size = std::stoull(parts[1]);
    }
    return slice;
}

std::vector<std::string> objcImplementationNames(const std::string& fixture) {
    std::vector<std::string> names;
    for (const std::string& line : answerLines(fixture + ".objc")) {
        const std::size_t at = line.find("imp ");
        if (at == std::string::npos) continue;
        std::string name = line.substr(at + 4);
        // The old runtime's methods are printed as "method_imp 0x... name".
        if (name.rfind("0x", 0) == 0) name.erase(0, name.find(' ') + 1);
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    return names;
}

std::uint32_t commandNumber(const std::string& type) {
    static const std::map<std::string, std::uint32_t> numbers = {
        {"LC_SEGMENT", 0x1},
        {"LC_SYMTAB", 0x2},
        {"LC_DYSYMTAB", 0xb},
        {"LC_LOAD_DYLINKER", 0xe},
        {"LC_ID_DYLIB", 0xd},
        {"LC_SEGMENT_64", 0x19},
        {"LC_UUID", 0x1b},
        {"LC_CODE_SIGNATURE", 0x1d},
        {"LC_ENCRYPTION_INFO", 0x21},
        {"LC_DYLD_INFO_ONLY", 0x80000022},
        {"LC_VERSION_MIN_IPHONEOS", 0x25},
        {"LC_FUNCTION_STARTS", 0x26},
        {"LC_MAIN", 0x80000028},
        {"LC_DATA_IN_CODE", 0x29},
        {"LC_BUILD_VERSION", 0x32},
    };
    return numbers.at(type);
}

}  // namespace tessivar::testing::macho
