#include "Tessivar/Settings/AboutInfo.h"

#include "Platform/Foundation/BundleInfo.h"

namespace tessivar {

std::string AboutInfo::appVersion(const platform::BundleInfo& bundle) {
    return bundle.shortVersion.empty() ? "1.0.0" : bundle.shortVersion;
}

}  // namespace tessivar
