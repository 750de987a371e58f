#pragma once
#include <cstddef>
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_file.h"

// The types a field may have, numbered as protobuf-c numbers them.
enum zzcrash_field_type : std::uint32_t {
    ZZCRASH_FIELD_INT32 = 0,
    ZZCRASH_FIELD_SINT32 = 1,
    ZZCRASH_FIELD_SFIXED32 = 2,
    ZZCRASH_FIELD_INT64 = 3,
    ZZCRASH_FIELD_SINT64 = 4,
    ZZCRASH_FIELD_SFIXED64 = 5,
    ZZCRASH_FIELD_UINT32 = 6,
    ZZCRASH_FIELD_FIXED32 = 7,
    ZZCRASH_FIELD_UINT64 = 8,
    ZZCRASH_FIELD_FIXED64 = 9,
    ZZCRASH_FIELD_FLOAT = 10,
    ZZCRASH_FIELD_DOUBLE = 11,
    ZZCRASH_FIELD_BOOL = 12,
    ZZCRASH_FIELD_ENUM = 13,
    ZZCRASH_FIELD_STRING = 14,
    ZZCRASH_FIELD_BYTES = 15,
    ZZCRASH_FIELD_MESSAGE = 16,
};

// The value of a bytes field.
struct zzcrash_field_bytes {
    std::size_t length;
    const void* data;
};

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

    // One field: its key, then the value that `value` points at, read as
    // `type` says: the integer or floating-point number itself (a bool as its
    // byte), a `const char*` for a string, a zzcrash_field_bytes for bytes,
    // and for a message the std::size_t length of the body the caller writes
    // next. A type outside the table ends the process: no writer names one.
    std::size_t zzcrash_writer_put_field(std::uint32_t number, zzcrash_field_type type, const void* value);

    // The writer's fields, typed.
    std::size_t uint64Field(std::uint32_t number, std::uint64_t value) {
        return zzcrash_writer_put_field(number, ZZCRASH_FIELD_UINT64, &value);
    }
    std::size_t int64Field(std::uint32_t number, std::int64_t value) {
        return zzcrash_writer_put_field(number, ZZCRASH_FIELD_INT64, &value);
    }
    std::size_t boolField(std::uint32_t number, bool value) {
        return zzcrash_writer_put_field(number, ZZCRASH_FIELD_BOOL, &value);
    }
    // A string goes without its NUL.
    std::size_t bytesField(std::uint32_t number, const void* bytes, std::size_t length) {
        const zzcrash_field_bytes value{length, bytes};
        return zzcrash_writer_put_field(number, ZZCRASH_FIELD_BYTES, &value);
    }
    std::size_t stringField(std::uint32_t number, const char* text) {
        return zzcrash_writer_put_field(number, ZZCRASH_FIELD_STRING, &text);
    }
    // The key and length of a nested message whose body comes next.
    std::size_t messageHeader(std::uint32_t number, std::size_t length) {
        return zzcrash_writer_put_field(number, ZZCRASH_FIELD_MESSAGE, &length);
    }

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
    std::size_t key(std::uint32_t number, std::uint32_t wireType);
    std::size_t lengthDelimited(const void* bytes, std::size_t length);
    template <class Word>
    std::size_t littleEndian(const void* value);

    zzcrash_async_file* file_;
    bool failed_ = false;
};
