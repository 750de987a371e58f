#include "ZeraZov/Integrations/ErrorTracking/ExceptionEventProperties.h"

#include <set>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/DynamicLoader.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/HexAddress.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/ZeraZovBinaryImageInfo.h"

namespace zerazov {
namespace {

using nlohmann::json;

std::set<std::uint64_t> imageAddresses(const json& frames) {
    std::set<std::uint64_t> addresses;
    for (const auto& frame : frames) {
        const auto text = frame.find("image_addr");
        if (text == frame.end() || !text->is_string()) continue;
        if (const auto address = parseHexAddress(text->get_ref<const std::string&>())) addresses.insert(*address);
    }
    return addresses;
}

ZeraZovBinaryImageInfo binaryImage(const platform::DynamicLoader::Image& image) {
    return {image.path.empty() ? "unknown" : image.path,
            imageUUID(image.buildId),
            image.linkAddress,
            image.address,
            image.textSize,
            std::nullopt};
}

}  // namespace

void exceptionEventProperties(const json& list, json& properties) {
    if (list.empty()) return;
    properties["$exception_list"] = list;
    json frames = json::array();
    for (const auto& entry : list) {
        for (const auto& frame : frameDictionaries(entry)) frames.push_back(frame);
    }
    if (auto images = debugImages(frames); !images.empty()) properties["$debug_images"] = std::move(images);
}

json frameDictionaries(const json& entry) {
    const auto stackTrace = entry.find("stacktrace");
    if (stackTrace == entry.end() || !stackTrace->is_object()) return json::array();
    const auto frames = stackTrace->find("frames");
    return frames != stackTrace->end() && frames->is_array() ? *frames : json::array();
}

json debugImages(const json& frames) {
    json images = json::array();
    const auto addresses = imageAddresses(frames);
    if (addresses.empty()) return images;
    for (const auto& image : platform::DynamicLoader::images()) {
        if (addresses.contains(image.address)) images.push_back(binaryImage(image).toDictionary());
    }
    return images;
}

}  // namespace zerazov
