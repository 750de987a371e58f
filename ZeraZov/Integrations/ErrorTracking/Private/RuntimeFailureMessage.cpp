#include "ZeraZov/Integrations/ErrorTracking/Private/RuntimeFailureMessage.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace zerazov {
namespace {

constexpr std::array<std::string_view, 3> failureKinds{"Assertion failed", "Fatal error", "Precondition failed"};

bool equalsIgnoringCase(std::string_view text, std::string_view word) {
    return text.size() == word.size() && std::equal(text.begin(), text.end(), word.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view word) {
    return text.size() >= word.size() && equalsIgnoringCase(text.substr(0, word.size()), word);
}

// A line break of any kind: the forms are single lines.
bool breaksLine(std::string_view text) {
    static constexpr std::array<std::string_view, 7> breaks{"\n",       "\v",           "\f",          "\r",
                                                            "\xC2\x85", "\xE2\x80\xA8", "\xE2\x80\xA9"};
    return std::any_of(breaks.begin(), breaks.end(),
                       [&](std::string_view lineBreak) { return text.find(lineBreak) != std::string_view::npos; });
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The kind the text begins with, followed by ": "; empty when none is.
std::string_view leadingKind(std::string_view text) {
    for (const auto kind : failureKinds) {
        if (startsWithIgnoringCase(text, kind) && text.substr(kind.size()).starts_with(": ")) {
            return text.substr(0, kind.size());
        }
    }
    return {};
}

// "<digits>" then the rest: the length of the digits, 0 when there are none.
std::size_t leadingDigits(std::string_view text) {
    return static_cast<std::size_t>(std::find_if_not(text.begin(), text.end(), isDigit) - text.begin());
}

// "[<message>: ]file <file>": the location may follow a message of its own.
bool namesFile(std::string_view location) {
    static constexpr std::string_view file = "file ";
    if (startsWithIgnoringCase(location, file) && location.size() > file.size()) return true;
    for (std::size_t colon = location.find(": ", 1); colon != std::string_view::npos;
         colon = location.find(": ", colon + 1)) {
        const auto rest = location.substr(colon + 2);
        if (startsWithIgnoringCase(rest, file) && rest.size() > file.size()) return true;
    }
    return false;
}

// "<kind>: [<message>: ]file <file>, line <number>"
std::optional<std::string> kindBeforeFileAndLine(std::string_view message) {
    const auto kind = leadingKind(message);
    if (kind.empty()) return std::nullopt;
    const auto rest = message.substr(kind.size() + 2);
    const auto digits = static_cast<std::size_t>(std::find_if_not(rest.rbegin(), rest.rend(), isDigit) - rest.rbegin());
    static constexpr std::string_view line = ", line ";
    if (digits == 0 || rest.size() < digits + line.size()) return std::nullopt;
    const auto beforeDigits = rest.substr(0, rest.size() - digits);
    if (!equalsIgnoringCase(beforeDigits.substr(beforeDigits.size() - line.size()), line)) return std::nullopt;
    if (!namesFile(beforeDigits.substr(0, beforeDigits.size() - line.size()))) return std::nullopt;
    return std::string(kind);
}

// "<kind>: <message>" after "<file>.swift:<number>: ".
std::optional<std::string> kindAfterSwiftLine(std::string_view afterSwift) {
    const auto digits = leadingDigits(afterSwift);
    if (digits == 0 || !afterSwift.substr(digits).starts_with(": ")) return std::nullopt;
    const auto rest = afterSwift.substr(digits + 2);
    const auto kind = leadingKind(rest);
    if (kind.empty() || rest.size() <= kind.size() + 2) return std::nullopt;
    return std::string(kind);
}

// "<file>.swift:<number>: <kind>: <message>", the file name as long as it can be.
std::optional<std::string> kindAfterFileAndLine(std::string_view message) {
    static constexpr std::string_view swift = ".swift:";
    for (std::size_t at = message.size(); at-- > 1;) {
        if (!startsWithIgnoringCase(message.substr(at), swift)) continue;
        if (auto kind = kindAfterSwiftLine(message.substr(at + swift.size()))) return kind;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> runtimeFailureKind(std::string_view message) {
    if (message.empty() || breaksLine(message)) return std::nullopt;
    if (auto kind = kindBeforeFileAndLine(message)) return kind;
    return kindAfterFileAndLine(message);
}

}  // namespace zerazov
