#pragma once
#include <memory>
#include <optional>
#include <string_view>

#include "ZeraZov/Delivery/Api/Gzip.h"
#include "ZeraZov/Delivery/Api/GzipError.h"

namespace zerazov {

// One deflate state used for member after member. Building a state allocates and
// clears a few hundred kilobytes, more work than compressing a typical batch
// body, so the state is reset between members instead; each member is byte for
// byte what a fresh state writes. A member may be fed in parts: the output is
// the same as for its whole input at once. After a failure, or for other
// settings, the next member starts from a new state. Not thread-safe.
class GzipDeflater {
public:
    GzipDeflater();
    ~GzipDeflater();
    GzipDeflater(const GzipDeflater&) = delete;
    GzipDeflater& operator=(const GzipDeflater&) = delete;

    // As Gzip::gzipped.
    Gzip::Result gzipped(std::string_view input, CompressionLevel level, int windowBits);

    // A member fed in parts: begin, then append any number of times, then finish
    // with the last part. A failure ends the member.
    std::optional<GzipError> begin(CompressionLevel level, int windowBits);
    std::optional<GzipError> append(std::string_view input);
    // The whole member, or zlib's failure; never a partial member.
    Gzip::Result finish(std::string_view input);

private:
    struct State;

    // zlib's status of making the state ready for a new member with these settings.
    int prepare(CompressionLevel level, int windowBits);
    // Feeds the input with zlib's flush mode; zlib's last status.
    int feed(std::string_view input, int flush);
    // zlib's failure of `status`; the state is dropped.
    GzipError failed(int status);
    void release();

    std::unique_ptr<State> state_;
};

}  // namespace zerazov
