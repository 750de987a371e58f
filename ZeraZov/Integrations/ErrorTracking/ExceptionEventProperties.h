#pragma once
#include <nlohmann/json_fwd.hpp>

namespace zerazov {

// Adds "$exception_list" (the entries) and "$debug_images" (the loaded images their
// frames point into, when there are any) to an event's properties; an empty list
// adds nothing.
void exceptionEventProperties(const nlohmann::json& list, nlohmann::json& properties);

// An entry's "stacktrace" "frames"; empty when it has none.
nlohmann::json frameDictionaries(const nlohmann::json& entry);

// The dictionaries of the images of this process loaded at the frames'
// "image_addr" values, in the loader's order.
nlohmann::json debugImages(const nlohmann::json& frames);

}  // namespace zerazov
