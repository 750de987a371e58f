#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ZeraZov/Delivery/Api/Gzip.h"
#include "ZeraZov/Delivery/Api/GzipDeflater.h"
#include "ZeraZov/Delivery/Api/GzipDeflaterPool.h"
#include "ZeraZov/Delivery/Endpoints/Private/ZeraZovStoredBatch.h"
#include "ZeraZov/Delivery/Endpoints/ZeraZovStoredBatchBody.h"

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

TEST(Gzip, EmptyInputGivesEmptyOutputRatherThanAnEmptyMember) { EXPECT_EQ(compressed(Gzip::gzipped("")), ""); }

TEST(Gzip, MembersStartWithTheMagicAndInflateToTheInput) {
    const std::string json = R"({"api_key":"zzk_test","batch":[{"event":"$screen"}]})";
    const std::string repeated(1 << 20, 'a');                    // shrinks to far less than one output step
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

std::string fromFreshState(std::string_view input, CompressionLevel level = CompressionLevel::defaultCompression) {
    GzipDeflater fresh;
    return compressed(fresh.gzipped(input, level, Gzip::gzipWindowBits));
}

// The member must not depend on what the state did before: a reused state, one
// that failed before, or one fed in parts writes exactly what a fresh one writes.
TEST(GzipDeflater, AKeptStateWritesWhatAFreshOneWrites) {
    const std::string json = R"({"api_key":"zzk_test","batch":[{"event":"$screen","n":1}],"sent_at":"x"})";
    const std::string incompressible = randomBytes(100 * 1000);
    GzipDeflater kept;
    const auto keptMember = [&kept](std::string_view input, CompressionLevel level) {
        return compressed(kept.gzipped(input, level, Gzip::gzipWindowBits));
    };
    EXPECT_EQ(keptMember(incompressible, CompressionLevel::defaultCompression), fromFreshState(incompressible));
    EXPECT_EQ(keptMember(json, CompressionLevel::defaultCompression), fromFreshState(json));
    EXPECT_EQ(keptMember(json, CompressionLevel::bestSpeed), fromFreshState(json, CompressionLevel::bestSpeed));
    EXPECT_TRUE(std::holds_alternative<GzipError>(kept.gzipped(json, CompressionLevel{42}, Gzip::gzipWindowBits)));
    EXPECT_EQ(keptMember(json, CompressionLevel::defaultCompression), fromFreshState(json));

    const std::string whole = json + incompressible + json;
    for (const std::size_t cut : {std::size_t{0}, std::size_t{1}, json.size(), whole.size() / 2, whole.size()}) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        ASSERT_EQ(kept.begin(CompressionLevel::defaultCompression, Gzip::gzipWindowBits), std::nullopt);
        ASSERT_EQ(kept.append(std::string_view(whole).substr(0, cut)), std::nullopt);
        EXPECT_EQ(compressed(kept.finish(std::string_view(whole).substr(cut))), fromFreshState(whole));
    }
}

TEST(GzipDeflaterPool, KeepsAFewStatesAndHandsThemOutAgain) {
    std::vector<GzipDeflaterPool::Lease> leases;
    for (std::size_t i = 0; i < GzipDeflaterPool::maxIdle + 2; ++i) leases.push_back(GzipDeflaterPool::take());
    EXPECT_EQ(GzipDeflaterPool::idleCount(), 0u);
    std::vector<const GzipDeflater*> kept;
    for (auto& lease : leases) {
        if (kept.size() < GzipDeflaterPool::maxIdle) kept.push_back(lease.get());
        lease.reset();
    }
    EXPECT_EQ(GzipDeflaterPool::idleCount(), GzipDeflaterPool::maxIdle);
    const auto again = GzipDeflaterPool::take();
    EXPECT_NE(std::find(kept.begin(), kept.end(), again.get()), kept.end());
}

// A batch body made ahead and finished later is the member of the whole body.
TEST(ZeraZovStoredBatchBody, FinishedWithTheTimeOfSendingItIsTheMemberOfTheWholeBody) {
    std::vector<std::string> texts;
    for (int i = 0; i < 50; ++i) texts.push_back(R"({"event":"e)" + std::to_string(i) + R"(","properties":{}})");
    const std::string sentAt = "2024-05-01T12:00:01.000Z";
    ZeraZovStoredBatchBody body("zzk_test", texts);
    const auto finished = body.finish(sentAt);
    ASSERT_TRUE(finished);
    const auto whole = *ZeraZovStoredBatch::head("zzk_test", texts) + ZeraZovStoredBatch::tail(sentAt);
    EXPECT_EQ(compressed(*finished), compressed(Gzip::gzipped(whole)));
    EXPECT_EQ(gunzip(compressed(*finished)), whole);

    const auto again = body.finish(sentAt);
    ASSERT_TRUE(again);
    EXPECT_TRUE(std::holds_alternative<GzipError>(*again)) << "a second finish has no member to give";
    EXPECT_EQ(ZeraZovStoredBatchBody("bad \xff token", texts).finish(sentAt), std::nullopt);
}

TEST(GzipErrorKind, EachZlibStatusHasItsKindAndUnknownOnesKeepTheirCode) {
    const std::pair<int, GzipError::Kind> cases[] = {
        {Z_STREAM_ERROR, GzipError::Kind::stream},   {Z_DATA_ERROR, GzipError::Kind::data},
        {Z_MEM_ERROR, GzipError::Kind::memory},      {Z_BUF_ERROR, GzipError::Kind::buffer},
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
