#include "Platform/Desktop/DisplayIdentity.h"

namespace platform {

DisplayID displayIDForConnector(std::string_view connector) {
    DisplayID hash = 2166136261u;
    for (unsigned char c : connector) {
        hash ^= c;
        hash *= 16777619u;
    }
    // Zero means "no display" to callers, so it is never handed out.
    return hash == 0 ? 1 : hash;
}

}  // namespace platform
