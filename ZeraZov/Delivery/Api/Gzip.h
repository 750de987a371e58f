#pragma once
#include <string>
#include <string_view>
#include <variant>

#include "ZeraZov/Delivery/Api/CompressionLevel.h"
#include "ZeraZov/Delivery/Api/GzipError.h"

namespace zerazov {

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
