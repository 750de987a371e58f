#pragma once
#include <variant>

#include "ZeraZov/Delivery/Api/ZeraZovHttpResponse.h"
#include "ZeraZov/Delivery/Api/ZeraZovTransportError.h"

namespace zerazov {

// What one request ends in: an HTTP answer of any status, or no answer at all.
using ZeraZovHttpResult = std::variant<ZeraZovTransportError, ZeraZovHttpResponse>;

}  // namespace zerazov
