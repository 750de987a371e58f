#include "ZeraZov/Delivery/Api/GzipError.h"

#include <zlib.h>

#include "ZeraZov/Core/Utilities/UnicodeText.h"

namespace zerazov {
namespace {

std::string messageText(const char* message) {
    if (message == nullptr) return "Unknown gzip error";
    const std::string text(message);
    if (validUTF8(text) != text) return "Unknown gzip error";
    return text;
}

}  // namespace

GzipError::Kind GzipError::Kind::of(int status) {
    switch (status) {
    case Z_STREAM_ERROR: return stream;
    case Z_DATA_ERROR: return data;
    case Z_MEM_ERROR: return memory;
    case Z_BUF_ERROR: return buffer;
    case Z_VERSION_ERROR: return version;
    default: return unknown(status);
    }
}

int GzipError::Kind::status() const {
    switch (case_) {
    case Case::stream: return Z_STREAM_ERROR;
    case Case::data: return Z_DATA_ERROR;
    case Case::memory: return Z_MEM_ERROR;
    case Case::buffer: return Z_BUF_ERROR;
    case Case::version: return Z_VERSION_ERROR;
    case Case::unknown: return code_;
    }
    return code_;
}

GzipError::GzipError(int status, const char* message) : kind_(Kind::of(status)), message_(messageText(message)) {}

}  // namespace zerazov
