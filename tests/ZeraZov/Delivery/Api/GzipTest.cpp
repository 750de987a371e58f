#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "ZeraZov/Delivery/Gzip.h"

namespace zerazov {
namespace {

// Inflates one gzip member with zlib's own reader; nothing unless the member is
// complete and nothing follows it.
std::optional<std::string> gunzip(const std::string& member) {
    z_stream stream{};
    if (inflateInit2(&stream, Gzip::gzipWindowBits) != Z_OK) return std::nullopt;
    std::string output;
    char buffer[16384];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(member.data()));
    stream.avail_in = static_cast<uInt>(member.size());
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof(buffer);
        status = inflate(&stream, Z_NO_FLUSH);
        output.append(buffer, sizeof(buffer) - stream.avail_out);
    }
    const bool complete = status == Z_STREAM_END && stream.avail_in == 0;
    inflateEnd(&stream);
    if (!complete) return std::nullopt;
    return output;
}

std::string randomBytes(std::size_t count) {
    std::mt19937 generator(42);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(count, '\0');
    for (auto& c : bytes) c = static_cast<char>(byte(generator));
    return bytes;
}

std::string compressed(const Gzip::Result& result) {
    const auto* bytes = std::get_if<std::string>(&result);
    EXPECT_NE(bytes, nullptr) << "gzip failed";
    return bytes != nullptr ? *bytes : std::string();
}

TEST(Gzip, EmptyInputGivesEmptyOutputRatherThanAnEmptyMember) {
    EXPECT_EQ(compressed(Gzip::gzipped("")), "");
}

TEST(Gzip, MembersStartWithTheMagicAndInflateToTheInput) {
    const std::string json = R"({"api_key":"zzk_test","batch":[{"event":"$screen"}]})";
    const std::string repeated(1 << 20, 'a');  // shrinks to far less than one output step
    const std::string incompressible = randomBytes(100 * 1000);  // needs several output steps
    for (const auto* input : {&json, &repeated, &incompressible}) {
        const auto member = compressed(Gzip::gzipped(*input));
        ASSERT_GE(member.size(), 2U);
        EXPECT_EQ(static_cast<unsigned char>(member[0]), 0x1f);
        EXPECT_EQ(static_cast<unsigned char>(member[1]), 0x8b);
        EXPECT_EQ(gunzip(member), *input) << "input of " << input->size() << " bytes";
    }
}

TEST(Gzip, ZlibRefusalsBecomeErrorsWithZlibsStatus) {
    const auto invalidLevel = Gzip::gzipped("body", CompressionLevel{42});
    const auto* levelError = std::get_if<GzipError>(&invalidLevel);
    ASSERT_NE(levelError, nullptr);
    EXPECT_EQ(levelError->kind(), GzipError::Kind::stream);
    EXPECT_EQ(levelError->kind().status(), Z_STREAM_ERROR);

    const auto invalidWindow = Gzip::gzipped("body", CompressionLevel::defaultCompression, 99);
    ASSERT_NE(std::get_if<GzipError>(&invalidWindow), nullptr);
}

TEST(GzipErrorKind, EachZlibStatusHasItsKindAndUnknownOnesKeepTheirCode) {
    const std::pair<int, GzipError::Kind> cases[] = {
        {Z_STREAM_ERROR, GzipError::Kind::stream}, {Z_DATA_ERROR, GzipError::Kind::data},
        {Z_MEM_ERROR, GzipError::Kind::memory},    {Z_BUF_ERROR, GzipError::Kind::buffer},
        {Z_VERSION_ERROR, GzipError::Kind::version}, {Z_OK, GzipError::Kind::unknown(0)},
        {Z_STREAM_END, GzipError::Kind::unknown(1)}, {Z_ERRNO, GzipError::Kind::unknown(-1)},
    };
    for (const auto& [status, kind] : cases) {
        const GzipError error(status, nullptr);
        EXPECT_EQ(error.kind(), kind) << status;
        EXPECT_EQ(error.kind().status(), status);
        EXPECT_EQ(error.message(), "Unknown gzip error");
    }
}

TEST(GzipErrorKind, UnknownKindsAreEqualOnlyWithTheSameCode) {
    EXPECT_EQ(GzipError::Kind::memory, GzipError::Kind::memory);
    EXPECT_EQ(GzipError::Kind::unknown(1), GzipError::Kind::unknown(1));
    EXPECT_NE(GzipError::Kind::unknown(1), GzipError::Kind::unknown(2));
    EXPECT_NE(GzipError::Kind::memory, GzipError::Kind::buffer);
    // A named status given as unknown is still another kind.
    EXPECT_NE(GzipError::Kind::unknown(Z_STREAM_ERROR), GzipError::Kind::stream);
}

TEST(GzipErrorKind, MessageIsZlibsTextWhenItIsUTF8) {
    EXPECT_EQ(GzipError(Z_STREAM_ERROR, "stream error").message(), "stream error");
    EXPECT_EQ(GzipError(Z_STREAM_ERROR, "bad \xff text").message(), "Unknown gzip error");
}

}  // namespace
}  // namespace zerazov
