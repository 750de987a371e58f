#include "PrivateHome.h"

#include <linux/magic.h>
#include <stdlib.h>
#include <sys/vfs.h>

#include <cstdio>
#include <system_error>

namespace tessivar::bench {

PrivateHome::PrivateHome(const std::filesystem::path& parent) {
    std::string pattern = (parent / "tessivar-bench-home-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
}

PrivateHome::~PrivateHome() {
    if (!valid()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void PrivateHome::enter() const {
    ::setenv("HOME", path_.c_str(), 1);
    for (const char* variable : {"XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"}) ::unsetenv(variable);
}

std::string PrivateHome::fileSystem() const {
    struct statfs info {};
    if (::statfs(path_.c_str(), &info) != 0) return "unknown";
    switch (static_cast<unsigned long>(info.f_type)) {
    case TMPFS_MAGIC: return "tmpfs";
    case EXT4_SUPER_MAGIC: return "ext4";
    case XFS_SUPER_MAGIC: return "xfs";
    case BTRFS_SUPER_MAGIC: return "btrfs";
    default: break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(info.f_type));
    return text;
}

}  // namespace tessivar::bench
