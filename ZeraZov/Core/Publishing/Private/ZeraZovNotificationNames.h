#pragma once

namespace zerazov {

// The names an application observes on the default notification center; the
// client facade offers them as its didStartNotification and didReceiveFeatureFlags.
struct ZeraZovNotificationNames {
    // Posted once on the main queue when set-up has finished.
    static constexpr const char* didStart = "ZeraZovDidStart";
    // Posted on the main queue after every feature-flag load, successful or not.
    static constexpr const char* didReceiveFeatureFlags = "ZeraZovDidReceiveFeatureFlags";
};

}  // namespace zerazov
