#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace zerazov {

// Walks JSON text (RFC 8259) where it lies, as strictly as the client's JSON
// library reads it, without building any value: valid UTF-8 only, no raw
// control characters in strings, escapes that form whole characters, numbers
// that a double can hold (an overflowing one reads as infinity, which the
// library refuses), nothing but white space around the text. Unlike the library
// it takes no byte-order mark: the text is checked to be sent as it is, inside
// other JSON text, where such a mark does not belong.
//
// Every method first skips white space. Once one answers false the text is not
// of the expected shape (or not JSON at all) and the scanner is spent.
class JSONTextScanner {
public:
    explicit JSONTextScanner(std::string_view text) : text_(text) {}

    // The next byte, '\0' at the end.
    char next();
    // Takes `expected` when it comes next.
    bool take(char expected);
    // Reads a string and, unless `value` is null, writes its characters there.
    bool readString(std::string* value);
    // Reads one value of any kind, containers with everything inside them.
    bool skipValue();
    // Nothing but white space is left.
    bool atEnd();

private:
    void skipWhitespace();
    bool skipScalar();
    bool skipMemberName();
    bool skipLiteral(std::string_view literal);
    bool skipNumber();
    // How many bytes from here need no second look inside a string: printable ASCII
    // but the quote and the backslash.
    std::size_t plainRun() const;
    bool readEscape(std::string* value);
    bool readHexQuad(unsigned& unit);
    bool readMultiByte(std::string* value);

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace zerazov
