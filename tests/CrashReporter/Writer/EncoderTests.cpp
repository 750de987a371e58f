// The crash log's own encoder, read by protoc-c: raw (protobuf's own reader,
// which knows nothing of the schema), and against a schema with a field of
// every type.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <protobuf-c/protobuf-c.h>

#include "CrashReporter/Writer/Private/zzcrash_log_encoder.h"
#include "tests/CrashReporter/Support/ForkedChild.h"
#include "tests/CrashReporter/Writer/LogReading.h"

namespace {

using Fields = std::function<std::size_t(zzcrash_log_encoder&)>;

struct Encoded {
    std::size_t counted;
    std::size_t written;
    std::vector<std::uint8_t> bytes;
};

Encoded encode(const Fields& fields, std::uint64_t limit = 0) {
    zzcrash_log_encoder counter(nullptr);
    const std::size_t counted = fields(counter);
    const int fd = memfd_create("fields", MFD_CLOEXEC);
    zzcrash_async_file file;
    zzcrash_async_file_init(&file, fd, limit);
    zzcrash_log_encoder out(&file);
    const std::size_t written = fields(out);
    (void)zzcrash_async_file_flush(&file);  // what it failed to write is missing from the bytes read back
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(lseek(fd, 0, SEEK_END)));
    if (!bytes.empty() && pread(fd, bytes.data(), bytes.size(), 0) < 0) bytes.clear();
    close(fd);
    return {counted, written, bytes};
}

// protoc-c reads a body after the 8 bytes of a log's header.
std::string rawReading(const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> log(8 + body.size(), 0);
    std::copy(body.begin(), body.end(), log.begin() + 8);
    return tessivar::testing::protocRawReading(log);
}

TEST(CrashLogEncoder, FieldsReadBackAsProtobufReadsThem) {
    struct Case {
        const char* what;
        Fields fields;
        std::string reading;
    };
    const Case cases[] = {
        {"a one-byte varint", [](auto& e) { return e.uint64Field(1, 127); }, "1: 127\n"},
        {"a two-byte varint", [](auto& e) { return e.uint64Field(2, 150); }, "2: 150\n"},
        {"the largest uint64", [](auto& e) { return e.uint64Field(3, ~std::uint64_t{0}); },
         "3: 18446744073709551615\n"},
        {"a negative int64", [](auto& e) { return e.int64Field(4, -1); }, "4: 18446744073709551615\n"},
        {"an int64", [](auto& e) { return e.int64Field(4, 1717243200); }, "4: 1717243200\n"},
        {"booleans", [](auto& e) { return e.boolField(1, true) + e.boolField(3, false); }, "1: 1\n3: 0\n"},
        // A reader with the schema takes any number but 0 for true; the bytes are 1 all the same.
        {"booleans stored as 2 and 255",
         [](auto& e) {
             const std::uint8_t two = 2, all = 0xff;
             return e.zzcrash_writer_put_field(1, ZZCRASH_FIELD_BOOL, &two) +
                    e.zzcrash_writer_put_field(3, ZZCRASH_FIELD_BOOL, &all);
         },
         "1: 1\n3: 1\n"},
        {"a string", [](auto& e) { return e.stringField(1, "SIGSEGV"); }, "1: \"SIGSEGV\"\n"},
        {"an empty string", [](auto& e) { return e.stringField(5, ""); }, "5: \"\"\n"},
        {"bytes with a NUL", [](auto& e) { return e.bytesField(10, "a\0b", 3); }, "10: \"a\\000b\"\n"},
        {"a field number above 15", [](auto& e) { return e.uint64Field(16, 1); }, "16: 1\n"},
        {"nested messages",
         [](auto& e) {
             return e.messageField(3, [](zzcrash_log_encoder& thread) {
                 return thread.uint64Field(1, 0) + thread.messageField(2, [](zzcrash_log_encoder& frame) {
                     return frame.uint64Field(3, 0x401000);
                 });
             });
         },
         "3 {\n  1: 0\n  2 {\n    3: 4198400\n  }\n}\n"},
        {"an empty message",
         [](auto& e) { return e.messageField(7, [](zzcrash_log_encoder&) { return std::size_t{0}; }); }, "7: \"\"\n"},
    };
    for (const Case& c : cases) {
        const Encoded encoded = encode(c.fields);
        EXPECT_EQ(encoded.counted, encoded.bytes.size()) << c.what;
        EXPECT_EQ(encoded.written, encoded.bytes.size()) << c.what;
        EXPECT_EQ(rawReading(encoded.bytes), c.reading) << c.what;
    }
}

// The encoder's type numbers are protobuf-c's.
constexpr bool numberedAsProtobufC() {
    const std::pair<zzcrash_field_type, ProtobufCType> pairs[] = {
        {ZZCRASH_FIELD_INT32, PROTOBUF_C_TYPE_INT32},       {ZZCRASH_FIELD_SINT32, PROTOBUF_C_TYPE_SINT32},
        {ZZCRASH_FIELD_SFIXED32, PROTOBUF_C_TYPE_SFIXED32}, {ZZCRASH_FIELD_INT64, PROTOBUF_C_TYPE_INT64},
        {ZZCRASH_FIELD_SINT64, PROTOBUF_C_TYPE_SINT64},     {ZZCRASH_FIELD_SFIXED64, PROTOBUF_C_TYPE_SFIXED64},
        {ZZCRASH_FIELD_UINT32, PROTOBUF_C_TYPE_UINT32},     {ZZCRASH_FIELD_FIXED32, PROTOBUF_C_TYPE_FIXED32},
        {ZZCRASH_FIELD_UINT64, PROTOBUF_C_TYPE_UINT64},     {ZZCRASH_FIELD_FIXED64, PROTOBUF_C_TYPE_FIXED64},
        {ZZCRASH_FIELD_FLOAT, PROTOBUF_C_TYPE_FLOAT},       {ZZCRASH_FIELD_DOUBLE, PROTOBUF_C_TYPE_DOUBLE},
        {ZZCRASH_FIELD_BOOL, PROTOBUF_C_TYPE_BOOL},         {ZZCRASH_FIELD_ENUM, PROTOBUF_C_TYPE_ENUM},
        {ZZCRASH_FIELD_STRING, PROTOBUF_C_TYPE_STRING},     {ZZCRASH_FIELD_BYTES, PROTOBUF_C_TYPE_BYTES},
        {ZZCRASH_FIELD_MESSAGE, PROTOBUF_C_TYPE_MESSAGE},
    };
    for (const auto& [ours, theirs] : pairs)
        if (static_cast<int>(ours) != static_cast<int>(theirs)) return false;
    return true;
}
static_assert(numberedAsProtobufC());

// One field of `type` holding `value`.
template <class T>
Fields field(std::uint32_t number, zzcrash_field_type type, T value) {
    return [=](zzcrash_log_encoder& e) { return e.zzcrash_writer_put_field(number, type, &value); };
}

std::string typedReading(const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> log(8 + body.size(), 0);
    std::copy(body.begin(), body.end(), log.begin() + 8);
    return tessivar::testing::protocReadingAs(log, TESSIVAR_FIELD_TYPES_SCHEMA, "tessivar.test.FieldTypes");
}

// The size matters beside the reading: protoc-c also reads a negative int32
// cut to 5 bytes as the number it was.
TEST(CrashLogFieldEncoder, EachTypeReadsBackAsProtocReadsItInItsSize) {
    struct Case {
        Fields fields;
        std::size_t size;
        std::string reading;
    };
    const std::uint8_t storedTwo = 2;
    const Case cases[] = {
        {field(1, ZZCRASH_FIELD_INT32, std::int32_t{-1}), 11, "int32_value: -1\n"},
        {field(1, ZZCRASH_FIELD_INT32, std::int32_t{INT32_MAX}), 6, "int32_value: 2147483647\n"},
        {field(2, ZZCRASH_FIELD_SINT32, std::int32_t{-1}), 2, "sint32_value: -1\n"},
        {field(2, ZZCRASH_FIELD_SINT32, std::int32_t{INT32_MIN}), 6, "sint32_value: -2147483648\n"},
        {field(3, ZZCRASH_FIELD_SFIXED32, std::int32_t{-2}), 5, "sfixed32_value: -2\n"},
        {field(4, ZZCRASH_FIELD_INT64, std::int64_t{INT64_MIN}), 11, "int64_value: -9223372036854775808\n"},
        {field(5, ZZCRASH_FIELD_SINT64, std::int64_t{-1}), 2, "sint64_value: -1\n"},
        {field(5, ZZCRASH_FIELD_SINT64, std::int64_t{INT64_MIN}), 11, "sint64_value: -9223372036854775808\n"},
        {field(6, ZZCRASH_FIELD_SFIXED64, std::int64_t{-3}), 9, "sfixed64_value: -3\n"},
        {field(7, ZZCRASH_FIELD_UINT32, std::uint32_t{UINT32_MAX}), 6, "uint32_value: 4294967295\n"},
        {field(8, ZZCRASH_FIELD_FIXED32, std::uint32_t{0x01020304}), 5, "fixed32_value: 16909060\n"},
        {field(9, ZZCRASH_FIELD_UINT64, std::uint64_t{UINT64_MAX}), 11, "uint64_value: 18446744073709551615\n"},
        {field(10, ZZCRASH_FIELD_FIXED64, std::uint64_t{0x0102030405060708}), 9, "fixed64_value: 72623859790382856\n"},
        {field(11, ZZCRASH_FIELD_FLOAT, 1.5f), 5, "float_value: 1.5\n"},
        {field(12, ZZCRASH_FIELD_DOUBLE, -0.25), 9, "double_value: -0.25\n"},
        {field(13, ZZCRASH_FIELD_BOOL, true), 2, "bool_value: true\n"},
        {field(13, ZZCRASH_FIELD_BOOL, storedTwo), 2, "bool_value: true\n"},
        {field(14, ZZCRASH_FIELD_ENUM, std::int32_t{300}), 3, "enum_value: MANY\n"},
        {field(15, ZZCRASH_FIELD_STRING, "SIGSEGV"), 9, "string_value: \"SIGSEGV\"\n"},
        {field(16, ZZCRASH_FIELD_BYTES, zzcrash_field_bytes{3, "a\0b"}), 6, "bytes_value: \"a\\000b\"\n"},
        {[](zzcrash_log_encoder& e) {
             const std::size_t length = 2;
             const std::int32_t inner = 7;
             return e.zzcrash_writer_put_field(17, ZZCRASH_FIELD_MESSAGE, &length) +
                    e.zzcrash_writer_put_field(1, ZZCRASH_FIELD_INT32, &inner);
         },
         5, "message_value {\n  inner: 7\n}\n"},
        {field(536870911, ZZCRASH_FIELD_UINT32, std::uint32_t{1}), 6, "highest_number: 1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reading);
        const Encoded encoded = encode(c.fields);
        EXPECT_EQ(encoded.counted, c.size);
        EXPECT_EQ(encoded.written, c.size);
        EXPECT_EQ(encoded.bytes.size(), c.size);
        EXPECT_EQ(typedReading(encoded.bytes), c.reading);
    }
}

// No writer names a type past the table; one that did would write a field
// no reader can skip, so the process ends before a byte of it is written.
TEST(CrashLogFieldEncoder, ATypePastTheTableEndsTheProcess) {
    const auto result = tessivar::testing::runForked(
        [](int) {
            const std::uint64_t value = 1;
            zzcrash_log_encoder counter(nullptr);
            counter.zzcrash_writer_put_field(1, static_cast<zzcrash_field_type>(17), &value);
            return 0;
        },
        std::chrono::seconds(20));
    EXPECT_TRUE(result.killedBy(SIGABRT)) << "status " << result.status;
}

// A message longer than 127 bytes has a two-byte length. ('f' cannot begin a
// field, so protoc-c does not take the text for a message.)
TEST(CrashLogEncoder, ALongMessageHasALongerLength) {
    const std::string text(200, 'f');
    const Encoded encoded = encode([&](zzcrash_log_encoder& e) {
        return e.messageField(5, [&](zzcrash_log_encoder& body) { return body.stringField(1, text.c_str()); });
    });
    ASSERT_EQ(encoded.bytes.size(), 1 + 2 + 1 + 2 + text.size());
    EXPECT_EQ(rawReading(encoded.bytes), "5 {\n  1: \"" + text + "\"\n}\n");
}

// A refused write is remembered; counting never fails.
TEST(CrashLogEncoder, RemembersARefusedWrite) {
    const int fd = memfd_create("fields", MFD_CLOEXEC);
    zzcrash_async_file file;
    zzcrash_async_file_init(&file, fd, 4);
    zzcrash_log_encoder out(&file);
    out.uint64Field(1, 1);
    EXPECT_FALSE(out.failed());
    out.stringField(2, "too long");
    EXPECT_TRUE(out.failed());
    close(fd);
    zzcrash_log_encoder counter(nullptr);
    counter.stringField(2, "too long");
    EXPECT_FALSE(counter.failed());
}

}  // namespace
