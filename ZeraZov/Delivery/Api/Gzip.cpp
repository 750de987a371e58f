#include "ZeraZov/Delivery/Api/Gzip.h"

#include "ZeraZov/Delivery/Api/GzipDeflaterPool.h"

namespace zerazov {

Gzip::Result Gzip::gzipped(std::string_view input, CompressionLevel level, int windowBits) {
    if (input.empty()) return std::string();
    return GzipDeflaterPool::take()->gzipped(input, level, windowBits);
}

}  // namespace zerazov
