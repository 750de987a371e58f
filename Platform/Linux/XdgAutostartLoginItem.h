#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Desktop/LoginItem.h"
#include "Platform/Foundation/BundleInfo.h"

namespace platform {

// The login item as an XDG autostart entry: "<name>.desktop" in the user's
// autostart folder starts the program at login. An entry that is Hidden=true,
// or that GNOME's X-GNOME-Autostart-enabled=false switches off, does not; a
// system-wide entry (in $XDG_CONFIG_DIRS) starts it unless the user's entry of
// the same name hides it. A file that is no desktop entry of an application
// starts nothing. The user's entry is the program's own file: writing it
// replaces a symbolic link in its place and never writes through one.
class XdgAutostartLoginItem : public LoginItem {
public:
    struct Locations {
        std::filesystem::path userFolder;                  // $XDG_CONFIG_HOME/autostart
        std::vector<std::filesystem::path> systemFolders;  // each $XDG_CONFIG_DIRS entry + /autostart
    };

    // `program` is what the entry starts; `title` its Name.
    XdgAutostartLoginItem(Locations locations, std::string fileName, std::filesystem::path program, std::string title);
    // The running program ("/proc/self/exe") under the bundle's identifier, in the
    // current user's folders.
    static XdgAutostartLoginItem forThisProgram(const BundleInfo& bundle);

    LoginItemStatus status() override;
    Failure registerItem() override;
    Failure unregisterItem() override;

    std::filesystem::path userEntry() const { return locations_.userFolder / fileName_; }

private:
    std::optional<std::filesystem::path> systemEntry() const;
    std::string entryText(bool hidden) const;
    Failure writeUserEntry(bool hidden) const;
    Failure removeUserEntry() const;

    Locations locations_;
    std::string fileName_;
    std::filesystem::path program_;
    std::string title_;
};

}  // namespace platform
