#include "CrashReporter/Writer/Private/zzcrash_log_encoder.h"

#include <cstdlib>
#include <cstring>

namespace {

// A 64-bit value takes at most ten 7-bit groups.
constexpr std::size_t maxVarintBytes = 10;

enum : std::uint32_t { wireVarint = 0, wireFixed64 = 1, wireLengthDelimited = 2, wireFixed32 = 5 };

std::uint32_t wireTypeOf(zzcrash_field_type type) {
    switch (type) {
    case ZZCRASH_FIELD_SFIXED32:
    case ZZCRASH_FIELD_FIXED32:
    case ZZCRASH_FIELD_FLOAT: return wireFixed32;
    case ZZCRASH_FIELD_SFIXED64:
    case ZZCRASH_FIELD_FIXED64:
    case ZZCRASH_FIELD_DOUBLE: return wireFixed64;
    case ZZCRASH_FIELD_STRING:
    case ZZCRASH_FIELD_BYTES:
    case ZZCRASH_FIELD_MESSAGE: return wireLengthDelimited;
    default: return wireVarint;
    }
}

// The value behind a field's pointer, which need not be aligned for it.
template <class T>
T loaded(const void* value) {
    T result;
    std::memcpy(&result, value, sizeof result);
    return result;
}

// Small magnitudes of either sign take few bytes.
std::uint64_t zigzag32(std::int32_t value) {
    return (static_cast<std::uint32_t>(value) << 1) ^ static_cast<std::uint32_t>(value >> 31);
}
std::uint64_t zigzag64(std::int64_t value) {
    return (static_cast<std::uint64_t>(value) << 1) ^ static_cast<std::uint64_t>(value >> 63);
}

std::size_t textLength(const char* text) {
    std::size_t length = 0;
    while (text[length] != '\0') ++length;
    return length;
}

}  // namespace

std::size_t zzcrash_log_encoder::raw(const void* bytes, std::size_t length) {
    if (!counting() && !zzcrash_async_file_write(file_, bytes, length)) failed_ = true;
    return length;
}

std::size_t zzcrash_log_encoder::zzcrash_writer_put_varint(std::uint64_t value) {
    std::uint8_t bytes[maxVarintBytes];
    std::size_t length = 0;
    while (value >= 0x80) {
        bytes[length++] = static_cast<std::uint8_t>(value | 0x80);
        value >>= 7;
    }
    bytes[length++] = static_cast<std::uint8_t>(value);
    return raw(bytes, length);
}

std::size_t zzcrash_log_encoder::key(std::uint32_t number, std::uint32_t wireType) {
    return zzcrash_writer_put_varint(std::uint64_t{number} << 3 | wireType);
}

// The length whole: one past 32 bits still frames its bytes.
std::size_t zzcrash_log_encoder::lengthDelimited(const void* bytes, std::size_t length) {
    return zzcrash_writer_put_varint(length) + raw(bytes, length);
}

template <class Word>
std::size_t zzcrash_log_encoder::littleEndian(const void* value) {
    const Word word = loaded<Word>(value);
    std::uint8_t bytes[sizeof word];
    for (std::size_t i = 0; i < sizeof word; ++i) bytes[i] = static_cast<std::uint8_t>(word >> (8 * i));
    return raw(bytes, sizeof bytes);
}

std::size_t zzcrash_log_encoder::zzcrash_writer_put_field(std::uint32_t number, zzcrash_field_type type,
                                                          const void* value) {
    if (type > ZZCRASH_FIELD_MESSAGE) std::abort();
    const std::size_t keyBytes = key(number, wireTypeOf(type));
    switch (type) {
    case ZZCRASH_FIELD_INT32:
        return keyBytes +
               zzcrash_writer_put_varint(static_cast<std::uint64_t>(std::int64_t{loaded<std::int32_t>(value)}));
    case ZZCRASH_FIELD_SINT32: return keyBytes + zzcrash_writer_put_varint(zigzag32(loaded<std::int32_t>(value)));
    case ZZCRASH_FIELD_SINT64: return keyBytes + zzcrash_writer_put_varint(zigzag64(loaded<std::int64_t>(value)));
    case ZZCRASH_FIELD_UINT32:
    case ZZCRASH_FIELD_ENUM: return keyBytes + zzcrash_writer_put_varint(loaded<std::uint32_t>(value));
    case ZZCRASH_FIELD_INT64:
    case ZZCRASH_FIELD_UINT64: return keyBytes + zzcrash_writer_put_varint(loaded<std::uint64_t>(value));
    case ZZCRASH_FIELD_SFIXED32:
    case ZZCRASH_FIELD_FIXED32:
    case ZZCRASH_FIELD_FLOAT: return keyBytes + littleEndian<std::uint32_t>(value);
    case ZZCRASH_FIELD_SFIXED64:
    case ZZCRASH_FIELD_FIXED64:
    case ZZCRASH_FIELD_DOUBLE: return keyBytes + littleEndian<std::uint64_t>(value);
    // Any byte but 0 is true; writing it as it is would break the varint past 127.
    case ZZCRASH_FIELD_BOOL: return keyBytes + zzcrash_writer_put_varint(loaded<std::uint8_t>(value) != 0 ? 1 : 0);
    case ZZCRASH_FIELD_STRING: {
        const char* text = loaded<const char*>(value);
        return keyBytes + lengthDelimited(text, textLength(text));
    }
    case ZZCRASH_FIELD_BYTES: {
        const auto bytes = loaded<zzcrash_field_bytes>(value);
        return keyBytes + lengthDelimited(bytes.data, bytes.length);
    }
    case ZZCRASH_FIELD_MESSAGE: return keyBytes + zzcrash_writer_put_varint(loaded<std::size_t>(value));
    }
    return keyBytes;
}
