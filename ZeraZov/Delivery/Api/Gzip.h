#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "ZeraZov/Delivery/Api/GzipError.h"

namespace zerazov {

// A deflate level handed to zlib unchanged; the client always uses `defaultCompression`.
struct CompressionLevel {
    std::int32_t rawValue;

    static const CompressionLevel noCompression;
    static const CompressionLevel bestSpeed;
    static const CompressionLevel bestCompression;
    static const CompressionLevel defaultCompression;
};

inline constexpr CompressionLevel CompressionLevel::noCompression{0};
inline constexpr CompressionLevel CompressionLevel::bestSpeed{1};
inline constexpr CompressionLevel CompressionLevel::bestCompression{9};
inline constexpr CompressionLevel CompressionLevel::defaultCompression{-1};

// One-shot deflate of an upload body into a complete gzip member, with a deflate
// state kept from an earlier body (see GzipDeflaterPool).
class Gzip {
public:
    // zlib's largest window; adding 16 asks for the gzip wrapper instead of zlib's.
    static constexpr int maxWindowBits = 15;
    static constexpr int gzipWindowBits = maxWindowBits + 16;

    using Result = std::variant<std::string, GzipError>;

    // The compressed bytes, or zlib's failure; never a partial member. An empty input
    // gives an empty output (not a member with an empty payload) without calling zlib.
    static Result gzipped(std::string_view input, CompressionLevel level = CompressionLevel::defaultCompression,
                          int windowBits = gzipWindowBits);
};

}  // namespace zerazov
