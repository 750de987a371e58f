#pragma once
#include <string>

namespace zerazov {

// A zlib failure while compressing an upload body. The kind follows zlib's status;
// any status without a kind of its own is `unknown` and keeps the status as its code.
class GzipError {
public:
    enum class Kind { stream, data, memory, buffer, version, unknown };

    // `message` is the stream's own text and may be null.
    GzipError(int code, const char* message);

    Kind kind() const { return kind_; }
    int code() const { return code_; }
    // zlib's text for the stream, or "Unknown gzip error" when it gave none.
    const std::string& message() const { return message_; }

private:
    static Kind kindOf(int code);

    Kind kind_;
    int code_;
    std::string message_;
};

}  // namespace zerazov
