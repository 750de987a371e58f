#include "Tessivar/AppDefaults.h"

#include "Platform/Foundation/UserDefaults.h"

namespace tessivar::AppDefaults {

std::string effectType(const platform::UserDefaults& defaults) {
    return defaults.stringValue(visualEffectType).value_or("scale");
}

bool isLocatingEffectEnabled(const platform::UserDefaults& defaults) { return effectType(defaults) != "off"; }

bool isCursorScaleEffect(const platform::UserDefaults& defaults) { return effectType(defaults) == "scale"; }

bool rememberLastPositionEnabled(const platform::UserDefaults& defaults) {
    if (!defaults.contains(rememberLastPosition)) return true;
    return defaults.boolValue(rememberLastPosition);
}

}  // namespace tessivar::AppDefaults
