#include "ZeraZov/Delivery/Gzip.h"

#include <algorithm>
#include <climits>
#include <cstddef>

#include <zlib.h>

namespace zerazov {
namespace {

constexpr std::size_t outputGrowthStep = 16384;
constexpr int memoryLevel = 9;

// zlib counts in 32-bit units; larger bodies are fed in slices rather than refused.
uInt sliceLength(std::size_t available) { return static_cast<uInt>(std::min<std::size_t>(available, UINT_MAX)); }

// Runs deflate with Z_FINISH until the member is complete, growing the output as it fills.
int deflateAll(z_stream& stream, std::string_view input, std::string& output) {
    int status = Z_OK;
    while (status == Z_OK) {
        if (stream.total_out >= output.size()) output.resize(output.size() + outputGrowthStep);
        // zlib never writes through next_in; its API just predates const.
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data() + stream.total_in));
        stream.avail_in = sliceLength(input.size() - stream.total_in);
        stream.next_out = reinterpret_cast<Bytef*>(output.data() + stream.total_out);
        stream.avail_out = sliceLength(output.size() - stream.total_out);
        status = deflate(&stream, Z_FINISH);
    }
    stream.next_in = nullptr;
    stream.next_out = nullptr;
    return status;
}

}  // namespace

Gzip::Result Gzip::gzipped(std::string_view input, CompressionLevel level, int windowBits) {
    if (input.empty()) return std::string();

    z_stream stream{};
    const int initStatus =
        deflateInit2(&stream, level.rawValue, Z_DEFLATED, windowBits, memoryLevel, Z_DEFAULT_STRATEGY);
    if (initStatus != Z_OK) return GzipError(initStatus, stream.msg);

    std::string output;
    output.reserve(outputGrowthStep);
    const int status = deflateAll(stream, input, output);
    // Read the message before deflateEnd frees the stream's state.
    const GzipError failure(status, stream.msg);
    const int endStatus = deflateEnd(&stream);
    if (status != Z_STREAM_END || endStatus != Z_OK) return failure;

    output.resize(stream.total_out);
    return output;
}

}  // namespace zerazov
