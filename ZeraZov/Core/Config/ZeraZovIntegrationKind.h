#pragma once

namespace zerazov {

// The optional integrations a configuration can ask for. The integration objects
// live above the core; set-up makes one per kind the configuration lists.
enum class ZeraZovIntegrationKind {
    errorTrackingAutoCapture,
    screenViews,
    appLifeCycle,
};

}  // namespace zerazov
