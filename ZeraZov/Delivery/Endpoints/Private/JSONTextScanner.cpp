#include "ZeraZov/Delivery/Endpoints/Private/JSONTextScanner.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace zerazov {
namespace {

// Integers of up to this many digits stay far below the largest double.
constexpr std::size_t safeDigits = 300;
// Beyond this an exponent's own digits no longer change the outcome.
constexpr std::int64_t exponentLimit = 1'000'000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isWhitespace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void appendUTF8(std::string& text, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        text.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// The bytes that may follow a lead byte (RFC 3629): how many, and the range of
// the first of them, which rules out overlong forms, surrogates and code points
// past U+10FFFF. Nothing for a byte that cannot lead.
struct Continuation {
    int count;
    unsigned char low;
    unsigned char high;
};

bool continuationOf(unsigned char lead, Continuation& continuation) {
    if (lead >= 0xC2 && lead <= 0xDF) continuation = {1, 0x80, 0xBF};
    else if (lead == 0xE0) continuation = {2, 0xA0, 0xBF};
    else if (lead == 0xED) continuation = {2, 0x80, 0x9F};
    else if (lead >= 0xE1 && lead <= 0xEF) continuation = {2, 0x80, 0xBF};
    else if (lead == 0xF0) continuation = {3, 0x90, 0xBF};
    else if (lead >= 0xF1 && lead <= 0xF3) continuation = {3, 0x80, 0xBF};
    else if (lead == 0xF4) continuation = {3, 0x80, 0x8F};
    else return false;
    return true;
}

// The power of ten of the number's first significant digit, roughly: enough to
// tell a value too large for a double from one too small.
std::int64_t decimalMagnitude(std::string_view integerDigits, std::string_view fractionDigits, std::int64_t exponent) {
    const auto firstInteger = integerDigits.find_first_not_of('0');
    if (firstInteger != std::string_view::npos) {
        return exponent + static_cast<std::int64_t>(integerDigits.size() - firstInteger) - 1;
    }
    const auto firstFraction = fractionDigits.find_first_not_of('0');
    if (firstFraction == std::string_view::npos) return 0;  // zero
    return exponent - static_cast<std::int64_t>(firstFraction) - 1;
}

// Whether the number, already known to follow the JSON grammar, fits a double:
// the library reads the others as infinity and refuses them. One too small
// reads as zero and is taken.
bool fitsADouble(std::string_view number, std::string_view integerDigits, std::string_view fractionDigits,
                 std::int64_t exponent, bool hasExponent) {
    if (!hasExponent && integerDigits.size() <= safeDigits) return true;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (end != number.data() + number.size()) return false;
    const bool outOfRange = error == std::errc::result_out_of_range || std::isinf(value);
    return !outOfRange || decimalMagnitude(integerDigits, fractionDigits, exponent) < 0;
}

}  // namespace

void JSONTextScanner::skipWhitespace() {
    while (at_ < text_.size() && isWhitespace(text_[at_])) ++at_;
}

char JSONTextScanner::next() {
    skipWhitespace();
    return at_ < text_.size() ? text_[at_] : '\0';
}

bool JSONTextScanner::take(char expected) {
    if (next() != expected || at_ >= text_.size()) return false;
    ++at_;
    return true;
}

bool JSONTextScanner::atEnd() {
    skipWhitespace();
    return at_ == text_.size();
}

bool JSONTextScanner::readString(std::string* value) {
    if (!take('"')) return false;
    if (value) value->clear();
    while (at_ < text_.size()) {
        const std::size_t plain = plainRun();
        if (value) value->append(text_.substr(at_, plain));
        at_ += plain;
        if (at_ >= text_.size()) return false;
        const auto byte = static_cast<unsigned char>(text_[at_]);
        if (byte == '"') {
            ++at_;
            return true;
        }
        if (byte == '\\') {
            if (!readEscape(value)) return false;
            continue;
        }
        if (byte < 0x20) return false;
        if (!readMultiByte(value)) return false;
    }
    return false;
}

std::size_t JSONTextScanner::plainRun() const {
    std::size_t end = at_;
    while (end < text_.size()) {
        const auto byte = static_cast<unsigned char>(text_[end]);
        if (byte < 0x20 || byte >= 0x80 || byte == '"' || byte == '\\') break;
        ++end;
    }
    return end - at_;
}

bool JSONTextScanner::readMultiByte(std::string* value) {
    Continuation continuation{};
    if (!continuationOf(static_cast<unsigned char>(text_[at_]), continuation)) return false;
    const std::size_t length = 1 + static_cast<std::size_t>(continuation.count);
    if (text_.size() - at_ < length) return false;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text_[at_ + i]);
        const unsigned char low = i == 1 ? continuation.low : 0x80;
        const unsigned char high = i == 1 ? continuation.high : 0xBF;
        if (byte < low || byte > high) return false;
    }
    if (value) value->append(text_.substr(at_, length));
    at_ += length;
    return true;
}

bool JSONTextScanner::readHexQuad(unsigned& unit) {
    if (text_.size() - at_ < 4) return false;
    unit = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const int digit = hexValue(text_[at_ + i]);
        if (digit < 0) return false;
        unit = unit * 16 + static_cast<unsigned>(digit);
    }
    at_ += 4;
    return true;
}

bool JSONTextScanner::readEscape(std::string* value) {
    ++at_;  // the backslash
    if (at_ >= text_.size()) return false;
    const char kind = text_[at_++];
    char plain = '\0';
    switch (kind) {
    case '"': plain = '"'; break;
    case '\\': plain = '\\'; break;
    case '/': plain = '/'; break;
    case 'b': plain = '\b'; break;
    case 'f': plain = '\f'; break;
    case 'n': plain = '\n'; break;
    case 'r': plain = '\r'; break;
    case 't': plain = '\t'; break;
    case 'u': break;
    default: return false;
    }
    if (kind != 'u') {
        if (value) value->push_back(plain);
        return true;
    }
    unsigned unit = 0;
    if (!readHexQuad(unit)) return false;
    std::uint32_t codePoint = unit;
    if (unit >= 0xDC00 && unit <= 0xDFFF) return false;  // a second half without a first
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        // The first half of a pair: the second must follow at once.
        unsigned second = 0;
        if (text_.substr(at_, 2) != "\\u") return false;
        at_ += 2;
        if (!readHexQuad(second) || second < 0xDC00 || second > 0xDFFF) return false;
        codePoint = 0x10000 + ((unit - 0xD800) << 10) + (second - 0xDC00);
    }
    if (value) appendUTF8(*value, codePoint);
    return true;
}

bool JSONTextScanner::skipLiteral(std::string_view literal) {
    if (text_.substr(at_, literal.size()) != literal) return false;
    at_ += literal.size();
    return true;
}

bool JSONTextScanner::skipNumber() {
    const std::size_t start = at_;
    const auto digitsFrom = [this](std::size_t from) {
        while (at_ < text_.size() && isDigit(text_[at_])) ++at_;
        return text_.substr(from, at_ - from);
    };
    if (text_[at_] == '-') ++at_;
    if (at_ >= text_.size() || !isDigit(text_[at_])) return false;
    const std::size_t integerStart = at_;
    const auto integerDigits = text_[at_] == '0' ? text_.substr(at_++, 1) : digitsFrom(integerStart);
    std::string_view fractionDigits;
    if (at_ < text_.size() && text_[at_] == '.') {
        fractionDigits = digitsFrom(++at_);
        if (fractionDigits.empty()) return false;
    }
    std::int64_t exponent = 0;
    const bool hasExponent = at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E');
    if (hasExponent) {
        ++at_;
        const bool negative = at_ < text_.size() && text_[at_] == '-';
        if (at_ < text_.size() && (text_[at_] == '-' || text_[at_] == '+')) ++at_;
        const auto exponentDigits = digitsFrom(at_);
        if (exponentDigits.empty()) return false;
        for (const char digit : exponentDigits) exponent = std::min(exponentLimit, exponent * 10 + (digit - '0'));
        if (negative) exponent = -exponent;
    }
    return fitsADouble(text_.substr(start, at_ - start), integerDigits, fractionDigits, exponent, hasExponent);
}

bool JSONTextScanner::skipScalar() {
    switch (next()) {
    case '"': return readString(nullptr);
    case 't': return skipLiteral("true");
    case 'f': return skipLiteral("false");
    case 'n': return skipLiteral("null");
    default: break;
    }
    if (at_ >= text_.size() || (text_[at_] != '-' && !isDigit(text_[at_]))) return false;
    return skipNumber();
}

bool JSONTextScanner::skipMemberName() { return readString(nullptr) && take(':'); }

// Iterative rather than recursive: stored text may nest deeper than any stack.
bool JSONTextScanner::skipValue() {
    std::string closers;  // the bracket that closes each container still open, innermost last
    bool valueRead = false;
    for (;;) {
        if (!valueRead) {
            const char opening = next();
            if (opening != '{' && opening != '[') {
                if (!skipScalar()) return false;
                valueRead = true;
                continue;
            }
            ++at_;
            const char closer = opening == '{' ? '}' : ']';
            if (take(closer)) {
                valueRead = true;
                continue;
            }
            closers.push_back(closer);
            if (closer == '}' && !skipMemberName()) return false;
            continue;
        }
        if (closers.empty()) return true;
        if (take(closers.back())) {
            closers.pop_back();
            continue;
        }
        if (!take(',')) return false;
        if (closers.back() == '}' && !skipMemberName()) return false;
        valueRead = false;
    }
}

}  // namespace zerazov
