#pragma once
#include <filesystem>

namespace platform {

// XDG base directories: the variable when it holds an absolute path, else the
// default under $HOME (falling back to the password database when HOME is unset).
struct Paths {
    static std::filesystem::path home();
    static std::filesystem::path configHome();          // $XDG_CONFIG_HOME or ~/.config
    static std::filesystem::path dataHome();            // $XDG_DATA_HOME or ~/.local/share
    static std::filesystem::path cacheHome();           // $XDG_CACHE_HOME or ~/.cache
    static std::filesystem::path autostartDirectory();  // configHome()/autostart
    // $XDG_RUNTIME_DIR, the user's folder for the length of a login session; the
    // cache folder where the session gives none.
    static std::filesystem::path runtimeDirectory();
};

}  // namespace platform
