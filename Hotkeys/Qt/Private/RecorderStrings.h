#pragma once
#include <QString>
#include <string_view>

namespace hotkeys {

// The recorder's user-facing texts by key, in the application's language
// (Simplified Chinese); an unknown key reads as the key itself.
QString recorderString(std::string_view key);

}  // namespace hotkeys
