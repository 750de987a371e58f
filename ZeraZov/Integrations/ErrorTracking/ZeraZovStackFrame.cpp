#include "ZeraZov/Integrations/ErrorTracking/ZeraZovStackFrame.h"

#include <nlohmann/json.hpp>

#include "ZeraZov/Integrations/ErrorTracking/Private/HexAddress.h"

namespace zerazov {

nlohmann::json ZeraZovStackFrame::toDictionary() const {
    nlohmann::json frame{
        {"instruction_addr", hexAddressText(instructionAddress)}, {"platform", "apple"}, {"in_app", inApp}};
    if (module) frame["module"] = *module;
    if (package) frame["package"] = *package;
    if (imageAddress) frame["image_addr"] = hexAddressText(*imageAddress);
    if (function) frame["function"] = *function;
    if (symbolAddress) frame["symbol_addr"] = hexAddressText(*symbolAddress);
    return frame;
}

}  // namespace zerazov
