#pragma once
#include <string>
#include <variant>

#include "ZeraZov/Core/Utilities/InternalZeraZovError.h"
#include "ZeraZov/Delivery/Api/GzipError.h"
#include "ZeraZov/Delivery/Api/ZeraZovParseError.h"
#include "ZeraZov/Delivery/Api/ZeraZovTransportError.h"

namespace zerazov {

// Every failure the HTTP client hands to a completion; callers that care which layer
// failed look inside with std::get_if, the rest only log the description.
using ZeraZovError = std::variant<ZeraZovTransportError, GzipError, ZeraZovParseError, InternalZeraZovError>;

std::string describe(const ZeraZovError& error);

}  // namespace zerazov
