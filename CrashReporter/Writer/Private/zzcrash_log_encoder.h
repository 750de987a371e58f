#pragma once
#include <cstddef>
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_file.h"

// The crash log's own Protocol Buffers encoder: fields go straight into the
// buffered output file, and nothing is built in memory. A nested message needs
// its length before its body, so the body is first run through an encoder
// without a file, which only counts, then written. Every call answers the
// bytes it wrote, or would have written. Async-signal-safe; allocates nothing.
class zzcrash_log_encoder {
public:
    // Writes into `file`; null only counts.
    explicit zzcrash_log_encoder(zzcrash_async_file* file) : file_(file) {}

    bool counting() const { return file_ == nullptr; }
    // Whether a write was refused (by the file's byte limit) or failed.
    bool failed() const { return failed_; }

    // Raw bytes and base-128 varints, without a key.
    std::size_t raw(const void* bytes, std::size_t length);
    std::size_t zzcrash_writer_put_varint(std::uint64_t value);

    // Fields of wire type 0: uint32, uint64, enum and bool values are their
    // own varint; an int64 is its two's complement, a negative one 10 bytes.
    std::size_t uint64Field(std::uint32_t number, std::uint64_t value);
    std::size_t int64Field(std::uint32_t number, std::int64_t value);
    std::size_t boolField(std::uint32_t number, bool value);
    // Fields of wire type 2: the length, then the bytes (a string without its NUL).
    std::size_t bytesField(std::uint32_t number, const void* bytes, std::size_t length);
    std::size_t stringField(std::uint32_t number, const char* text);
    // The key and length of a nested message whose body comes next.
    std::size_t messageHeader(std::uint32_t number, std::size_t length);

    // A nested message: `body(encoder)` writes its fields and answers their
    // size. Counted once, then written after the key and the length; an
    // encoder that only counts adds the two to one count of the body.
    template <class Body>
    std::size_t messageField(std::uint32_t number, Body&& body) {
        zzcrash_log_encoder counter(nullptr);
        const std::size_t length = body(counter);
        const std::size_t header = messageHeader(number, length);
        if (counting()) return header + length;
        return header + body(*this);
    }

private:
    static constexpr std::uint32_t varintType = 0;
    static constexpr std::uint32_t lengthDelimited = 2;

    std::size_t key(std::uint32_t number, std::uint32_t wireType);

    zzcrash_async_file* file_;
    bool failed_ = false;
};
