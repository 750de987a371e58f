#include "Platform/Linux/Private/DesktopEntry.h"

namespace platform {

namespace {

constexpr std::string_view kMainGroup = "[Desktop Entry]";

std::string unescaped(std::string_view value) {
    std::string text;
    for (std::size_t at = 0; at < value.size(); ++at) {
        if (value[at] != '\\' || at + 1 == value.size()) {
            text += value[at];
            continue;
        }
        switch (value[++at]) {
        case 's': text += ' '; break;
        case 'n': text += '\n'; break;
        case 't': text += '\t'; break;
        case 'r': text += '\r'; break;
        default: text += value[at]; break;
        }
    }
    return text;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// The value of `key` when `line` is "key=value" (spaces allowed around "=").
std::optional<std::string_view> valueInLine(std::string_view line, std::string_view key) {
    const auto equals = line.find('=');
    if (equals == std::string_view::npos || trimmed(line.substr(0, equals)) != key) return std::nullopt;
    return trimmed(line.substr(equals + 1));
}

}  // namespace

std::optional<std::string> DesktopEntry::value(std::string_view text, std::string_view key) {
    bool inMainGroup = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.starts_with('[')) {
            inMainGroup = line == kMainGroup;
            continue;
        }
        if (!inMainGroup) continue;
        if (const auto found = valueInLine(line, key)) return unescaped(*found);
    }
    return std::nullopt;
}

bool DesktopEntry::isTrue(std::string_view text, std::string_view key) { return value(text, key) == "true"; }

// GLib checks that an entry's program exists before it expands the field codes,
// so a program path holding "%" (written "%%") reads as missing and the entry is
// skipped. Started through env, the checked program is env itself, and the
// path reaches env expanded, as the format says.
std::string DesktopEntry::execValue(std::string_view program) {
    std::string quoted = program.find('%') == std::string_view::npos ? "\"" : "env \"";
    for (const char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    return escaped(quoted);
}

std::string DesktopEntry::escaped(std::string_view value) {
    std::string text;
    for (const char c : value) {
        switch (c) {
        case '\\': text += "\\\\"; break;
        case '\n': text += "\\n"; break;
        case '\t': text += "\\t"; break;
        case '\r': text += "\\r"; break;
        default: text += c; break;
        }
    }
    return text;
}

}  // namespace platform
