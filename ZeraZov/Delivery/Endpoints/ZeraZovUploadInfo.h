#pragma once
#include <optional>

#include "ZeraZov/Delivery/Api/ZeraZovError.h"

namespace zerazov {

// The outcome of one upload. A status means an HTTP answer arrived (any status); an
// error means nothing went out or nothing came back. Both empty: the upload was never
// started (no URL, or a body that does not serialise).
struct ZeraZovUploadInfo {
    std::optional<int> statusCode;
    std::optional<ZeraZovError> error;
};

}  // namespace zerazov
