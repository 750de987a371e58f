#include "ZeraZov/Delivery/FileQueue/Private/ZeraZovFillingFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>

namespace zerazov {

bool mayStillBeFilled(int folder, const std::string& name) {
    constexpr long long fillingSeconds = 60;
    struct statx info {};
    if (::statx(folder, name.c_str(), AT_SYMLINK_NOFOLLOW, STATX_MTIME, &info) != 0) return false;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    // Either way: a clock set back leaves files from its future, which are not
    // kept for as long as it takes to catch up.
    return std::llabs(static_cast<long long>(now.tv_sec) - static_cast<long long>(info.stx_mtime.tv_sec)) <
           fillingSeconds;
}

}  // namespace zerazov
