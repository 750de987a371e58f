#include "ZeraZov/Delivery/Endpoints/ZeraZovStoredBatchBody.h"

#include <utility>

#include "ZeraZov/Delivery/Endpoints/Private/ZeraZovStoredBatch.h"

namespace zerazov {

ZeraZovStoredBatchBody::ZeraZovStoredBatchBody(std::string_view apiKey, const std::vector<std::string>& eventTexts)
    : deflater_(GzipDeflaterPool::take()) {
    const auto head = ZeraZovStoredBatch::head(apiKey, eventTexts);
    if (!head) return;
    written_ = true;
    failure_ = deflater_->begin(CompressionLevel::defaultCompression, Gzip::gzipWindowBits);
    if (!failure_) failure_ = deflater_->append(*head);
}

std::optional<Gzip::Result> ZeraZovStoredBatchBody::finish(std::string_view sentAt) {
    if (!written_) return std::nullopt;
    if (failure_) return Gzip::Result(std::move(*failure_));
    if (!deflater_) return Gzip::Result(GzipError(GzipError::Kind::stream.status(), "the body was finished before"));
    auto result = deflater_->finish(ZeraZovStoredBatch::tail(sentAt));
    // The state goes back for the next body at once, not when this object goes.
    deflater_.reset();
    return result;
}

}  // namespace zerazov
