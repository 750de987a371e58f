#include "ZeraZov/Integrations/ErrorTracking/Private/ZeraZovBinaryImageInfo.h"

#include <nlohmann/json.hpp>

#include "ZeraZov/Integrations/ErrorTracking/Private/HexAddress.h"

namespace zerazov {

nlohmann::json ZeraZovBinaryImageInfo::toDictionary() const {
    nlohmann::json image{
        {"type", "macho"}, {"code_file", name}, {"image_addr", hexAddressText(address)}, {"image_size", size}};
    if (uuid) image["debug_id"] = *uuid;
    if (vmAddress && *vmAddress != 0) image["image_vmaddr"] = hexAddressText(*vmAddress);
    if (arch) image["arch"] = *arch;
    return image;
}

}  // namespace zerazov
