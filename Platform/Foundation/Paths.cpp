#include "Platform/Foundation/Paths.h"

#include <cstdlib>
#include <optional>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace platform {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path> variable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return fs::path(value);
}

// The XDG base-directory rules say a relative value is invalid and must be ignored.
fs::path xdgDirectory(const char* name, const fs::path& underHome) {
    const auto value = variable(name);
    if (value && value->is_absolute()) return *value;
    return Paths::home() / underHome;
}

std::optional<fs::path> passwordDatabaseHome() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    if (found->pw_dir == nullptr || *found->pw_dir == '\0') return std::nullopt;
    return fs::path(found->pw_dir);
}

}  // namespace

fs::path Paths::home() {
    if (auto value = variable("HOME")) return *value;
    if (auto fromDatabase = passwordDatabaseHome()) return *fromDatabase;
    // With no home at all, writes under "/" fail loudly instead of landing in the
    // working directory or a world-writable temporary folder.
    return fs::path("/");
}

fs::path Paths::configHome() { return xdgDirectory("XDG_CONFIG_HOME", ".config"); }

fs::path Paths::dataHome() { return xdgDirectory("XDG_DATA_HOME", fs::path(".local") / "share"); }

fs::path Paths::cacheHome() { return xdgDirectory("XDG_CACHE_HOME", ".cache"); }

fs::path Paths::autostartDirectory() { return configHome() / "autostart"; }

fs::path Paths::runtimeDirectory() {
    const auto value = variable("XDG_RUNTIME_DIR");
    if (value && value->is_absolute()) return *value;
    return cacheHome();
}

}  // namespace platform
