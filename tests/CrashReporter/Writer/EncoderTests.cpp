// The crash log's own encoder, read by protoc-c's raw decoder (protobuf's own
// reader, which knows nothing of the schema).
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Writer/Private/zzcrash_log_encoder.h"
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
    zzcrash_async_file_flush(&file);
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
        {"the largest uint64", [](auto& e) { return e.uint64Field(3, ~std::uint64_t{0}); }, "3: 18446744073709551615\n"},
        {"a negative int64", [](auto& e) { return e.int64Field(4, -1); }, "4: 18446744073709551615\n"},
        {"an int64", [](auto& e) { return e.int64Field(4, 1717243200); }, "4: 1717243200\n"},
        {"booleans", [](auto& e) { return e.boolField(1, true) + e.boolField(3, false); }, "1: 1\n3: 0\n"},
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
        {"an empty message", [](auto& e) { return e.messageField(7, [](zzcrash_log_encoder&) { return std::size_t{0}; }); },
         "7: \"\"\n"},
    };
    for (const Case& c : cases) {
        const Encoded encoded = encode(c.fields);
        EXPECT_EQ(encoded.counted, encoded.bytes.size()) << c.what;
        EXPECT_EQ(encoded.written, encoded.bytes.size()) << c.what;
        EXPECT_EQ(rawReading(encoded.bytes), c.reading) << c.what;
    }
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
