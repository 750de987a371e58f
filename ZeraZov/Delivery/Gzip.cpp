#include "ZeraZov/Delivery/Gzip.h"

#include "ZeraZov/Delivery/GzipDeflaterPool.h"

namespace zerazov {

Gzip::Result Gzip::gzipped(std::string_view input, CompressionLevel level, int windowBits) {
    if (input.empty()) return std::string();
    return GzipDeflaterPool::take()->gzipped(input, level, windowBits);
}

}  // namespace zerazov
