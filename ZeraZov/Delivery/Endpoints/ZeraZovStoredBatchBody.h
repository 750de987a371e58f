#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ZeraZov/Delivery/Api/Gzip.h"
#include "ZeraZov/Delivery/Api/GzipDeflaterPool.h"
#include "ZeraZov/Delivery/Api/GzipError.h"

namespace zerazov {

// The gzip-compressed body of one events batch put together from stored event
// texts (see ZeraZovStoredBatch), made ahead of its upload: everything up to
// "sent_at" is compressed when the body is made, and finish() adds the time the
// batch goes out, which costs next to nothing. The member is byte for byte the
// one Gzip::gzipped makes of the whole body.
class ZeraZovStoredBatchBody {
public:
    ZeraZovStoredBatchBody(std::string_view apiKey, const std::vector<std::string>& eventTexts);

    // Once: the compressed body, or zlib's failure; nothing when the token cannot
    // be written as JSON.
    std::optional<Gzip::Result> finish(std::string_view sentAt);

private:
    GzipDeflaterPool::Lease deflater_;
    bool written_ = false;  // the head could be written
    std::optional<GzipError> failure_;
};

}  // namespace zerazov
