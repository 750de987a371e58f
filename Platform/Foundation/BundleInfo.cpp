#include "Platform/Foundation/BundleInfo.h"

#include "BuildInfo.h"

namespace platform {

const BundleInfo& BundleInfo::main() {
    static const BundleInfo info{TESSIVAR_BUNDLE_IDENTIFIER, TESSIVAR_SHORT_VERSION, TESSIVAR_BUILD_NUMBER,
                                 TESSIVAR_EXECUTABLE_NAME};
    return info;
}

}  // namespace platform
