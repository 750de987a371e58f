#pragma once
#include <string>

namespace platform {
class UserDefaults;
}

namespace tessivar {

// The application's user-defaults keys and how each is read.
namespace AppDefaults {

inline constexpr const char* visualEffectType = "visualEffectType";
inline constexpr const char* rememberLastPosition = "rememberLastPosition";
inline constexpr const char* hasCompletedOnboarding = "hasCompletedOnboarding";
inline constexpr const char* shouldShowShortcutsPaneOnOpen = "shouldShowShortcutsPaneOnOpen";
inline constexpr const char* analyticsEnabled = "analytics_enabled";
inline constexpr const char* anonymousDistinctId = "anonymous_distinct_id";

// Read with the string accessor: a stored number is its text ("5"), a stored
// Boolean "1" or "0", so neither is "scale" or "off" and both play the ring; a
// stored list or object has no text and reads as absent: "scale".
std::string effectType(const platform::UserDefaults& defaults);
// Only "off" turns the effect off.
bool isLocatingEffectEnabled(const platform::UserDefaults& defaults);
// Only "scale" selects the cursor-scale effect; every other value plays the ring.
bool isCursorScaleEffect(const platform::UserDefaults& defaults);
// True when nothing is stored; a stored value decides otherwise.
bool rememberLastPositionEnabled(const platform::UserDefaults& defaults);

}  // namespace AppDefaults
}  // namespace tessivar
