#pragma once
#include <string>

namespace zerazov {

// A zlib failure while compressing an upload body.
class GzipError {
public:
    // Which failure, after zlib's status. Two kinds are equal when they are the same
    // case and, for `unknown`, carry the same status.
    class Kind {
    public:
        static const Kind stream;   // Z_STREAM_ERROR
        static const Kind data;     // Z_DATA_ERROR
        static const Kind memory;   // Z_MEM_ERROR
        static const Kind buffer;   // Z_BUF_ERROR
        static const Kind version;  // Z_VERSION_ERROR
        // Any other status, kept as it is.
        static constexpr Kind unknown(int code) { return Kind(Case::unknown, code); }

        // The kind of a zlib status.
        static Kind of(int status);
        // The zlib status this kind stands for.
        int status() const;

        bool operator==(const Kind&) const = default;

    private:
        enum class Case { stream, data, memory, buffer, version, unknown };
        constexpr Kind(Case which, int code) : case_(which), code_(code) {}

        Case case_;
        int code_;  // 0 for every case but `unknown`
    };

    // `message` is the stream's own text and may be null.
    GzipError(int status, const char* message);

    Kind kind() const { return kind_; }
    // zlib's text for the stream, or "Unknown gzip error" when it gave none or gave
    // bytes that are not UTF-8.
    const std::string& message() const { return message_; }

private:
    Kind kind_;
    std::string message_;
};

inline constexpr GzipError::Kind GzipError::Kind::stream{Case::stream, 0};
inline constexpr GzipError::Kind GzipError::Kind::data{Case::data, 0};
inline constexpr GzipError::Kind GzipError::Kind::memory{Case::memory, 0};
inline constexpr GzipError::Kind GzipError::Kind::buffer{Case::buffer, 0};
inline constexpr GzipError::Kind GzipError::Kind::version{Case::version, 0};

}  // namespace zerazov
