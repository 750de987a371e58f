#include "ZeraZov/Delivery/GzipError.h"

#include <zlib.h>

namespace zerazov {

GzipError::GzipError(int code, const char* message)
    : kind_(kindOf(code)), code_(code), message_(message != nullptr ? message : "Unknown gzip error") {}

GzipError::Kind GzipError::kindOf(int code) {
    switch (code) {
        case Z_STREAM_ERROR: return Kind::stream;
        case Z_DATA_ERROR: return Kind::data;
        case Z_MEM_ERROR: return Kind::memory;
        case Z_BUF_ERROR: return Kind::buffer;
        case Z_VERSION_ERROR: return Kind::version;
        default: return Kind::unknown;
    }
}

}  // namespace zerazov
