#pragma once
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/HotKeys/DesktopKeyBindings.h"

namespace platform {

// GNOME's own key bindings (window manager, shell, media keys), read with the
// `gsettings` tool. Where the tool or a schema is missing, that part reads as
// no bindings; a tool that does not answer within a second is given up on.
class GsettingsKeyBindings : public DesktopKeyBindings {
public:
    // For all schemas together: a recorder waits for this on a key press.
    static constexpr std::chrono::milliseconds kDefaultTimeout{1000};

    explicit GsettingsKeyBindings(std::chrono::milliseconds timeout = kDefaultTimeout) : timeout_(timeout) {}

    std::vector<std::string> accelerators() override;

    // The strings in the values of `gsettings list-recursively` output: each line
    // is "<schema> <key> <value>", and a value such as ['<Super>Up', '<Alt>F1']
    // or @as [] holds quoted strings.
    static std::vector<std::string> stringsInListing(std::string_view listing);

private:
    std::chrono::milliseconds timeout_;
};

}  // namespace platform
