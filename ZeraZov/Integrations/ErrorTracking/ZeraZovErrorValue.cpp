#include "ZeraZov/Integrations/ErrorTracking/ZeraZovErrorValue.h"

namespace zerazov {

ZeraZovErrorValue ZeraZovErrorValue::from(const std::error_code& error) {
    ZeraZovErrorValue value;
    value.domain = error.category().name();
    value.code = error.value();
    value.localizedDescription = error.message();
    return value;
}

}  // namespace zerazov
