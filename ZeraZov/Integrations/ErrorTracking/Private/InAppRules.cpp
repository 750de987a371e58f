#include "ZeraZov/Integrations/ErrorTracking/Private/InAppRules.h"

#include <algorithm>
#include <array>
#include <filesystem>

namespace zerazov {
namespace {

constexpr std::array<std::string_view, 43> systemModulePrefixes{"Foundation",
                                                                "UIKit",
                                                                "AppKit",
                                                                "CoreFoundation",
                                                                "CoreGraphics",
                                                                "CoreData",
                                                                "CoreLocation",
                                                                "CoreMotion",
                                                                "CoreServices",
                                                                "CoreText",
                                                                "AVFoundation",
                                                                "Metal",
                                                                "MetalKit",
                                                                "SwiftUI",
                                                                "SwiftUICore",
                                                                "Combine",
                                                                "QuartzCore",
                                                                "Security",
                                                                "SystemConfiguration",
                                                                "CFNetwork",
                                                                "WebKit",
                                                                "GraphicsServices",
                                                                "IOKit",
                                                                "Gestures",
                                                                "UIKitCore",
                                                                "UIKitMacHelper",
                                                                "Accessibility",
                                                                "AccessibilityUtilities",
                                                                "UpdateCycle",
                                                                "TextInput",
                                                                "UIFoundation",
                                                                "BackBoardServices",
                                                                "FrontBoardServices",
                                                                "SpringBoardServices",
                                                                "RunningBoardServices",
                                                                "libsystem_kernel.dylib",
                                                                "libsystem_pthread.dylib",
                                                                "libsystem_c.dylib",
                                                                "libsystem_malloc.dylib",
                                                                "libdispatch.dylib",
                                                                "libswift",
                                                                "libobjc",
                                                                "dyld"};

template <typename Prefixes>
bool beginsWithAny(std::string_view module, const Prefixes& prefixes) {
    return std::any_of(prefixes.begin(), prefixes.end(),
                       [module](std::string_view prefix) { return module.starts_with(prefix); });
}

// Rules 1 to 3; nothing when none of them decides.
std::optional<bool> decidedByModule(std::string_view module, const ZeraZovErrorTrackingConfig& config) {
    if (beginsWithAny(module, config.inAppIncludes)) return true;
    if (beginsWithAny(module, config.inAppExcludes)) return false;
    if (beginsWithAny(module, systemModulePrefixes)) return false;
    return std::nullopt;
}

// The folders the dynamic loader searches, with their multiarch subfolders
// (/usr/lib/x86_64-linux-gnu/) inside them.
constexpr std::array<std::string_view, 4> systemLibraryFolders{"/lib/", "/lib64/", "/usr/lib/", "/usr/lib64/"};

// The kernel's own image in every process, which has no file.
constexpr std::string_view vdsoName = "linux-vdso.so.1";

// The file the path leads to after every link; the path itself when it leads
// nowhere or is a name rather than a path (the vDSO's).
std::optional<std::string> resolvedPath(const std::optional<std::string>& path) {
    if (!path || !path->starts_with('/')) return path;
    std::error_code error;
    auto resolved = std::filesystem::canonical(*path, error);
    return error ? *path : resolved.string();
}

}  // namespace

bool isInApp(const std::optional<std::string>& imagePath, std::string_view module,
             const ZeraZovErrorTrackingConfig& config) {
    if (const auto decided = decidedByModule(module, config)) return *decided;
    if (isSystemImagePath(resolvedPath(imagePath))) return false;
    return config.inAppByDefault;
}

bool isSystemImagePath(const std::optional<std::string>& imagePath) {
    if (!imagePath) return false;
    const std::string_view path = *imagePath;
    if (path == vdsoName || path.starts_with("/System/") || beginsWithAny(path, systemLibraryFolders)) return true;
    return path.find("/System/Library/") != std::string_view::npos || path.find("/usr/lib/") != std::string_view::npos;
}

}  // namespace zerazov
