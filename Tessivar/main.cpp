// Tessivar: puts the pointer on another display with one key press.
#include <sys/utsname.h>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Qt/QtApplication.h"
#include "Platform/Qt/QtDesktop.h"
#include "Platform/Qt/QtMainQueue.h"
#include "Platform/X11/X11CursorHider.h"
#include "Tessivar/AnalyticsManager.h"
#include "Tessivar/QtOverlayPresenter.h"
#include "Tessivar/TessivarApp.h"

namespace {
std::string kernelRelease() {
    utsname name{};
    return uname(&name) == 0 ? name.release : "";
}
}  // namespace

int main(int argc, char** argv) {
    platform::QtApplication application(argc, argv);
    platform::QtMainQueue mainQueue;
    platform::QtDesktop desktop;
    platform::X11CursorHider cursorHider;
    tessivar::QtOverlayPresenter overlays;
    auto& defaults = platform::UserDefaults::standard();
    const auto& bundle = platform::BundleInfo::main();
    tessivar::AnalyticsManager analytics(defaults, bundle.shortVersion, bundle.build, kernelRelease());

    auto app = tessivar::TessivarApp::create({defaults, platform::NotificationCenter::defaultCenter(), mainQueue,
                                              desktop, cursorHider, overlays, analytics,
                                              [&application] { application.terminate(); }});
    application.setDelegate(app.get());
    return application.run();
}
