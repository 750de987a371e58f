#include "ZeraZov/Core/Utilities/Private/JSONTextWriter.h"

#include <charconv>
#include <cmath>

#include "ZeraZov/Core/Utilities/JSONHelpers.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

// What dump() writes as an escape: quotes, backslashes and control characters.
bool needsEscape(unsigned char byte) { return byte < 0x20 || byte == '"' || byte == '\\'; }

template <typename Integer>
void appendInteger(std::string& text, Integer number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    text.append(digits, end);
}

}  // namespace

bool JSONTextWriter::value(const json& value, std::size_t maxDepth) { return valueAt(value, 0, maxDepth); }

// Well-formed UTF-8 goes out as it is; the short escapes are dump()'s, any other
// control character is \u00xx in lower case, as dump() writes it.
bool JSONTextWriter::string(std::string_view text) {
    if (!isValidUTF8(text)) return false;
    text_ += '"';
    std::size_t clean = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (!needsEscape(byte)) continue;
        text_.append(text.substr(clean, at - clean));
        escaped(byte);
        clean = at + 1;
    }
    text_.append(text.substr(clean));
    text_ += '"';
    return true;
}

void JSONTextWriter::escaped(unsigned char byte) {
    static constexpr char hex[] = "0123456789abcdef";
    switch (byte) {
    case '"': text_ += "\\\""; return;
    case '\\': text_ += "\\\\"; return;
    case '\b': text_ += "\\b"; return;
    case '\f': text_ += "\\f"; return;
    case '\n': text_ += "\\n"; return;
    case '\r': text_ += "\\r"; return;
    case '\t': text_ += "\\t"; return;
    default: break;
    }
    const char unicode[] = {'\\', 'u', '0', '0', hex[byte >> 4], hex[byte & 0xF]};
    text_.append(unicode, sizeof unicode);
}

// Recursion stays within `maxDepth` levels: deeper values are refused before
// anything of them is written.
bool JSONTextWriter::valueAt(const json& value, std::size_t depth, std::size_t maxDepth) {
    if (value.is_structured() && depth + 1 > maxDepth) return false;
    if (value.is_object()) return object(value.get_ref<const json::object_t&>(), depth, maxDepth);
    if (value.is_array()) return array(value.get_ref<const json::array_t&>(), depth, maxDepth);
    return scalar(value);
}

bool JSONTextWriter::object(const json::object_t& members, std::size_t depth, std::size_t maxDepth) {
    text_ += '{';
    bool first = true;
    for (const auto& [key, member] : members) {
        if (!first) text_ += ',';
        first = false;
        if (!string(key)) return false;
        text_ += ':';
        if (!valueAt(member, depth + 1, maxDepth)) return false;
    }
    text_ += '}';
    return true;
}

bool JSONTextWriter::array(const json::array_t& elements, std::size_t depth, std::size_t maxDepth) {
    text_ += '[';
    bool first = true;
    for (const auto& element : elements) {
        if (!first) text_ += ',';
        first = false;
        if (!valueAt(element, depth + 1, maxDepth)) return false;
    }
    text_ += ']';
    return true;
}

// Numbers with a fraction take dump()'s own shortest form ("1.0", "1e+300"), which
// no standard formatting matches; they are rare in events.
bool JSONTextWriter::scalar(const json& value) {
    switch (value.type()) {
    case json::value_t::string: return string(value.get_ref<const json::string_t&>());
    case json::value_t::number_integer: appendInteger(text_, value.get<json::number_integer_t>()); return true;
    case json::value_t::number_unsigned: appendInteger(text_, value.get<json::number_unsigned_t>()); return true;
    case json::value_t::number_float:
        if (!std::isfinite(value.get<double>())) return false;
        text_ += value.dump();
        return true;
    case json::value_t::boolean: text_ += value.get<bool>() ? "true" : "false"; return true;
    case json::value_t::null: text_ += "null"; return true;
    default: return false;
    }
}

}  // namespace zerazov
