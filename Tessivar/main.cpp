// Tessivar: puts the pointer on another display with one key press.
#include <sys/utsname.h>

#include <QSocketNotifier>

#include <cstdlib>
#include <optional>
#include <string>

#include "Hotkeys/Registry.h"
#include "Hotkeys/SystemShortcuts.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/Paths.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Linux/GsettingsKeyBindings.h"
#include "Platform/Linux/LinuxReachabilityBackend.h"
#include "Platform/Linux/SingleInstanceLock.h"
#include "Platform/Linux/XdgAutostartLoginItem.h"
#include "Platform/Qt/QtApplication.h"
#include "Platform/Qt/QtApplicationStateFeed.h"
#include "Platform/Qt/QtDesktop.h"
#include "Platform/Qt/QtHotKeyPump.h"
#include "Platform/Qt/QtMainQueue.h"
#include "Platform/Qt/QtMenuKeyMonitor.h"
#include "Platform/Qt/QtWindowStateFeed.h"
#include "Platform/X11/X11CompositingDetector.h"
#include "Platform/X11/X11ConnectionLoss.h"
#include "Platform/X11/X11CursorHider.h"
#include "Platform/X11/X11CursorImageSource.h"
#include "Platform/X11/X11DisplayCheck.h"
#include "Platform/X11/X11HotKeyService.h"
#include "Platform/X11/X11KeyTranslator.h"
#include "Platform/X11/X11KeyboardLayout.h"
#include "Platform/X11/X11OutputOrder.h"
#include "Platform/X11/X11PointerWarp.h"
#include "Platform/X11/X11TrayColors.h"
#include "Tessivar/AnalyticsManager.h"
#include "Tessivar/AppLog.h"
#include "Tessivar/CursorHidingEpisode.h"
#include "Tessivar/Effects/LocatingEffectPlayer.h"
#include "Tessivar/Effects/QtOverlayPresenter.h"
#include "Tessivar/HotkeyRegistry.h"
#include "Tessivar/JumpEngine.h"
#include "Tessivar/ScreenJumpNames.h"
#include "Tessivar/Settings/AppMenuShortcuts.h"
#include "Tessivar/StatusMenu/QtStatusMenu.h"
#include "Tessivar/TessivarApp.h"
#include "Tessivar/Windows/QtAppWindows.h"

namespace {
std::string kernelRelease() {
    utsname name{};
    return uname(&name) == 0 ? name.release : "";
}

// The analytics client knows screens only by their size.
std::optional<zerazov::ZeraZovScreenSize> focusWindowScreenSize() {
    const auto size = platform::QtWindowStateFeed::focusWindowScreenSize();
    if (!size) return std::nullopt;
    return zerazov::ZeraZovScreenSize{size->width, size->height};
}

tessivar::StatusMenuModel currentMenu(platform::Desktop& desktop, hotkeys::Registry& shortcuts) {
    return tessivar::StatusMenuModel::build(desktop.screens(), [&shortcuts](std::size_t index) {
        return shortcuts.getShortcut(tessivar::screenJumpNames()[index]);
    });
}

// Tessivar moves the pointer and grabs keys through X11, so it runs on an X
// server (XWayland included) whatever the session would pick by default.
// Answers why it cannot, before Qt would end the process with an abort.
platform::Failure prepareX11() {
    setenv("QT_QPA_PLATFORM", "xcb", 0);
    setenv("QT_XCB_NO_MITSHM", "1", 0);
    return platform::X11DisplayCheck::whyUnavailable();
}
}  // namespace

int main(int argc, char** argv) {
    if (const auto why = prepareX11()) {
        tessivar::appLog("✗ Tessivar 无法运行：" + *why + "。Tessivar 需要 X11 桌面（或 XWayland）。");
        return EXIT_FAILURE;
    }
    const auto& bundle = platform::BundleInfo::main();
    // A second copy would find every hot key taken, show a second icon and send
    // the same queued events again: it says so and leaves.
    const auto instance =
        platform::SingleInstanceLock::acquire(platform::Paths::runtimeDirectory() / (bundle.identifier + ".lock"));
    if (instance.state() == platform::SingleInstanceLock::State::heldElsewhere) {
        tessivar::appLog("ℹ️ Tessivar 已在运行，本次启动直接退出。");
        return EXIT_SUCCESS;
    }
    if (instance.state() == platform::SingleInstanceLock::State::unavailable) {
        tessivar::appLog("⚠️ 无法确认 Tessivar 是否已在运行（" + instance.failure() + "），照常启动。");
    }
    platform::QtApplication application(argc, argv);
    platform::QtMainQueue mainQueue;
    platform::X11OutputOrder outputOrder;
    platform::X11HotKeyService hotKeyService;
    // A press moves the pointer with one request and reads where it left from
    // the key event itself, so it waits for no answer of the server.
    platform::X11PointerWarp pointerWarp;
    platform::QtDesktop desktop(&outputOrder, &pointerWarp, &hotKeyService);
    platform::X11CursorHider cursorHider;
    platform::QtHotKeyPump hotKeyPump(hotKeyService);
    platform::X11KeyboardLayout keyboardLayout;
    platform::X11KeyTranslator keyTranslator;
    platform::QtMenuKeyMonitor menuKeyMonitor(keyTranslator);
    auto& defaults = platform::UserDefaults::standard();
    auto& notifications = platform::NotificationCenter::defaultCenter();
    // Made before the first shortcut name, which stores its default and starts
    // following the menus through it; made after the services it uses, so it
    // goes before them.
    hotkeys::Registry shortcuts(
        {defaults, notifications, &mainQueue, &hotKeyService, &keyboardLayout, &menuKeyMonitor});
    {
        // The names store their default shortcuts as they come into being: one
        // write of the settings for all eight.
        const platform::UserDefaults::ChangeGroup defaultShortcuts(defaults);
        tessivar::screenJumpNames();
    }

    platform::X11CompositingDetector compositing;
    platform::X11CursorImageSource cursorImages;
    tessivar::QtOverlayPresenter overlays(&compositing, &cursorImages);
    tessivar::HotkeysFacadeRegistry hotkeys(shortcuts);
    platform::X11TrayColors trayColors;
    tessivar::QtStatusMenu statusMenu(
        notifications, [&desktop, &shortcuts] { return currentMenu(desktop, shortcuts); },
        [&trayColors]() -> std::optional<QColor> {
            const auto rgb = trayColors.foreground();
            if (!rgb) return std::nullopt;
            return QColor::fromRgb(*rgb);
        });
    // Xlib may read the tray's notices into its queue while it waits for the
    // colours' answer, the socket then quiet: what is queued is taken in too.
    std::optional<QSocketNotifier> trayChanges;
    if (const int connection = trayColors.connectionNumber(); connection >= 0) {
        trayChanges.emplace(connection, QSocketNotifier::Read);
        QObject::connect(&*trayChanges, &QSocketNotifier::activated, [&trayColors, &statusMenu] {
            while (trayColors.takeChanges()) statusMenu.followTrayColours();
        });
    }
    // The analytics client runs its timers and reports on the event loop, from
    // threads of its own that may outlive main: its queue is never destroyed, and
    // does nothing once the application is gone.
    zerazov::ZeraZovSDK::shared().setEnvironment(
        {.mainQueue = new platform::QtMainQueue(),
         .notifications = &notifications,
         .makeReachabilityBackend = platform::LinuxReachabilityBackend::create,
         .keyWindowScreenSize = focusWindowScreenSize,
         .userDefaults = [&defaults]() -> platform::UserDefaults& { return defaults; },
         .bundle = bundle});
    platform::QtApplicationStateFeed applicationState(notifications);
    platform::QtWindowStateFeed windowState(notifications);
    // Given the main queue, jumps pressed back to back are written once the presses pause.
    tessivar::AnalyticsManager analytics(defaults,
                                         {TESSIVAR_ANALYTICS_HOST, bundle.shortVersion, bundle.build, kernelRelease()},
                                         zerazov::ZeraZovSDK::shared(), &mainQueue);

    tessivar::CursorHidingEpisode cursorHiding({defaults, desktop, cursorHider, mainQueue});
    tessivar::LocatingEffectPlayer effects({defaults, desktop, mainQueue, overlays, cursorHiding});
    tessivar::JumpEngine jumps({defaults, desktop, cursorHiding, effects});

    platform::GsettingsKeyBindings desktopBindings;
    hotkeys::SystemShortcuts systemShortcuts(&hotKeyService, &desktopBindings, &keyboardLayout);
    auto loginItem = platform::XdgAutostartLoginItem::forThisProgram(bundle);
    tessivar::QtAppWindows windows(
        {defaults,
         notifications,
         mainQueue,
         desktop,
         loginItem,
         bundle,
         {notifications,
          keyTranslator,
          [&desktop, &shortcuts] { return tessivar::appMenuShortcuts(currentMenu(desktop, shortcuts)); },
          &systemShortcuts,
          {}},
         tessivar::screenJumpNames()});

    // A part that cannot connect says what will not work: nothing else would.
    const auto prepareForJumps = [&pointerWarp, &cursorHider, &compositing, &cursorImages] {
        if (!pointerWarp.connect()) tessivar::appLog("✗ 无法连接 X 服务器，跳转无法移动指针。");
        if (!cursorHider.connect()) tessivar::appLog("⚠️ X 服务器不支持 XFixes，无法隐藏指针。");
        // Fails only without a server, which the pointer's line has told: no compositor is ever seen.
        (void)compositing.connect();
        // Fails only where hiding does (no server, no XFixes), which has been told: effects show no pointer picture.
        (void)cursorImages.connect();
    };
    auto app = tessivar::TessivarApp::create({defaults, notifications, mainQueue, desktop, jumps, cursorHiding,
                                              analytics, [&application] { application.terminate(); }, &hotkeys,
                                              &statusMenu, &windows, prepareForJumps});
    statusMenu.setActionHandler([weak = std::weak_ptr(app)](tessivar::MenuAction action, int tag) {
        if (auto self = weak.lock()) self->handleMenuAction(action, tag);
    });
    application.setDelegate(app.get());
    // Found inside an Xlib call: the ending runs once that call has returned.
    platform::X11ConnectionLoss::setHandler(
        [&mainQueue, &application] { mainQueue.async([&application] { application.connectionBroke(); }); });
    return application.run();
}
