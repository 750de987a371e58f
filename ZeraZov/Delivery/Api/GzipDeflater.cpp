#include "ZeraZov/Delivery/Api/GzipDeflater.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <string>
#include <utility>

#include <zlib.h>

namespace zerazov {
namespace {

constexpr std::size_t outputGrowthStep = 16384;
constexpr int memoryLevel = 9;

// zlib counts in 32-bit units; larger inputs are fed in slices rather than refused.
uInt sliceLength(std::size_t available) { return static_cast<uInt>(std::min<std::size_t>(available, UINT_MAX)); }

}  // namespace

struct GzipDeflater::State {
    z_stream stream{};
    bool initialised = false;
    int level = 0;
    int windowBits = 0;
    std::string output;  // the member so far
};

GzipDeflater::GzipDeflater() : state_(std::make_unique<State>()) {}

GzipDeflater::~GzipDeflater() { release(); }

int GzipDeflater::prepare(CompressionLevel level, int windowBits) {
    auto& state = *state_;
    state.output.clear();
    if (state.initialised && state.level == level.rawValue && state.windowBits == windowBits) {
        return deflateReset(&state.stream);
    }
    release();
    const int status =
        deflateInit2(&state.stream, level.rawValue, Z_DEFLATED, windowBits, memoryLevel, Z_DEFAULT_STRATEGY);
    if (status != Z_OK) return status;
    state.initialised = true;
    state.level = level.rawValue;
    state.windowBits = windowBits;
    return Z_OK;
}

void GzipDeflater::release() {
    auto& state = *state_;
    if (state.initialised) deflateEnd(&state.stream);
    state = State{};
}

GzipError GzipDeflater::failed(int status) {
    // Read the message before the state that holds it goes.
    GzipError failure(status, state_->stream.msg);
    release();
    return failure;
}

// Runs deflate until it has taken the whole input (and, for Z_FINISH, written the
// member's end), growing the output as it fills.
int GzipDeflater::feed(std::string_view input, int flush) {
    auto& stream = state_->stream;
    auto& output = state_->output;
    std::size_t taken = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        if (stream.total_out >= output.size()) output.resize(output.size() + outputGrowthStep);
        const uInt slice = sliceLength(input.size() - taken);
        // zlib never writes through next_in; its API just predates const.
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data() + taken));
        stream.avail_in = slice;
        stream.next_out = reinterpret_cast<Bytef*>(output.data() + stream.total_out);
        stream.avail_out = sliceLength(output.size() - stream.total_out);
        const bool lastSlice = taken + slice == input.size();
        status = deflate(&stream, lastSlice ? flush : Z_NO_FLUSH);
        taken += slice - stream.avail_in;
        if (flush != Z_FINISH && taken == input.size()) {
            // Without Z_FINISH deflate keeps what it cannot write yet: done once it
            // took everything and had room to spare, or had nothing left to write.
            if (status == Z_BUF_ERROR) status = Z_OK;
            if (status != Z_OK || stream.avail_out > 0) break;
        }
    }
    stream.next_in = nullptr;
    stream.next_out = nullptr;
    return status;
}

std::optional<GzipError> GzipDeflater::begin(CompressionLevel level, int windowBits) {
    const int status = prepare(level, windowBits);
    if (status != Z_OK) return failed(status);
    return std::nullopt;
}

std::optional<GzipError> GzipDeflater::append(std::string_view input) {
    if (input.empty()) return std::nullopt;
    const int status = feed(input, Z_NO_FLUSH);
    if (status != Z_OK) return failed(status);
    return std::nullopt;
}

Gzip::Result GzipDeflater::finish(std::string_view input) {
    const int status = feed(input, Z_FINISH);
    if (status != Z_STREAM_END) return failed(status);
    auto& output = state_->output;
    output.resize(state_->stream.total_out);
    return std::exchange(output, std::string());
}

Gzip::Result GzipDeflater::gzipped(std::string_view input, CompressionLevel level, int windowBits) {
    if (input.empty()) return std::string();
    if (auto error = begin(level, windowBits)) return std::move(*error);
    return finish(input);
}

}  // namespace zerazov
