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
    const std::string json = R"({"api_key":"phc_test","batch":[{"event":"$screen"}]})";
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
    EXPECT_EQ(levelError->code(), Z_STREAM_ERROR);

    const auto invalidWindow = Gzip::gzipped("body", CompressionLevel::defaultCompression, 99);
    ASSERT_NE(std::get_if<GzipError>(&invalidWindow), nullptr);
}

}  // namespace
}  // namespace zerazov
