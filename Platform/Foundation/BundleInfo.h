#pragma once
#include <optional>
#include <string>

namespace platform {

// The application's identity as the build gave it.
struct BundleInfo {
    std::string identifier;      // "com.brel.tessivar"
    std::string shortVersion;    // "1.0.0"
    std::string build;           // "1"
    std::string executableName;  // "tessivar"

    static const BundleInfo& main();
};

}  // namespace platform
