#pragma once
#include <cstdint>

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

}  // namespace zerazov
