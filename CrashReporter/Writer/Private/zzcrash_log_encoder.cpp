#include "CrashReporter/Writer/Private/zzcrash_log_encoder.h"

namespace {

// A 64-bit value takes at most ten 7-bit groups.
constexpr std::size_t maxVarintBytes = 10;

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

std::size_t zzcrash_log_encoder::uint64Field(std::uint32_t number, std::uint64_t value) {
    return key(number, varintType) + zzcrash_writer_put_varint(value);
}

std::size_t zzcrash_log_encoder::int64Field(std::uint32_t number, std::int64_t value) {
    return uint64Field(number, static_cast<std::uint64_t>(value));
}

std::size_t zzcrash_log_encoder::boolField(std::uint32_t number, bool value) {
    return uint64Field(number, value ? 1 : 0);
}

std::size_t zzcrash_log_encoder::bytesField(std::uint32_t number, const void* bytes, std::size_t length) {
    return key(number, lengthDelimited) + zzcrash_writer_put_varint(length) + raw(bytes, length);
}

std::size_t zzcrash_log_encoder::stringField(std::uint32_t number, const char* text) {
    return bytesField(number, text, textLength(text));
}

std::size_t zzcrash_log_encoder::messageHeader(std::uint32_t number, std::size_t length) {
    return key(number, lengthDelimited) + zzcrash_writer_put_varint(length);
}
