#include <gtest/gtest.h>

#include "ClientHarness.h"
#include "Platform/Foundation/ApplicationNotifications.h"
#include "Platform/Foundation/UserDefaults.h"
#include "ZeraZov/Client/Integrations/Private/ZeraZovAppLifeCycleIntegration.h"
#include "ZeraZov/Core/Publishing/Private/ApplicationLifecyclePublisher.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;
using platform::ApplicationNotifications;

// Clients whose lifecycle integration hears the notifications the application's
// state feed posts, keeps its versions in a defaults file of the test and counts
// as installed in a process of the test's own; `relaunch()` starts a new process.
class AppLifeCycleTest : public ::testing::Test {
protected:
    std::shared_ptr<ZeraZovSDK> client(const std::string& token = testProjectToken) {
        auto config = h.config(token);
        config->captureApplicationLifecycleEvents = true;
        auto environment = h.environment();
        environment.makeIntegration = [this](ZeraZovIntegrationKind kind) -> std::shared_ptr<ZeraZovIntegration> {
            if (kind != ZeraZovIntegrationKind::appLifeCycle) return nullptr;
            return std::make_shared<ZeraZovAppLifeCycleIntegration>(
                ZeraZovAppLifeCycleIntegration::Dependencies{publisher, defaults, bundle, *process});
        };
        return ZeraZovSDK::with(config, environment);
    }

    void relaunch() { process = std::make_unique<ZeraZovAppLifeCycleIntegration::ProcessState>(); }
    void post(const char* notification) { h.center.post(notification); }

    ClientHarness h;
    ApplicationLifecyclePublisher publisher{h.center};
    platform::TemporaryDirectory settingsFolder;
    platform::UserDefaults defaults{settingsFolder.path() / "defaults.json"};
    platform::BundleInfo bundle{"com.brel.tessivar", "1.2.0", "42", "tessivar"};
    std::unique_ptr<ZeraZovAppLifeCycleIntegration::ProcessState> process =
        std::make_unique<ZeraZovAppLifeCycleIntegration::ProcessState>();
};

TEST_F(AppLifeCycleTest, InstallsAndUpdatesAreToldOncePerNewBuild) {
    struct Launch {
        const char* what;
        const char* version;
        const char* build;
        std::optional<json> expected;  // the install or update event, when one is due
    };
    const std::vector<Launch> launches{
        {"first run", "1.2.0", "42", json{{"event", "Application Installed"}, {"version", "1.2.0"}, {"build", 42}}},
        {"same build, new version text", "1.2.1", "42", std::nullopt},
        {"new build that is no number", "2.0.0", "1.2.3",
         json{{"event", "Application Updated"},
              {"previous_version", "1.2.0"},
              {"previous_build", 42},
              {"version", "2.0.0"},
              {"build", "1.2.3"}}},
        {"no version given", "", "-7",
         json{{"event", "Application Updated"},
              {"previous_version", "2.0.0"},
              {"previous_build", "1.2.3"},
              {"build", -7}}},
    };
    for (const auto& launch : launches) {
        relaunch();
        bundle.shortVersion = launch.version;
        bundle.build = launch.build;
        auto app = client();
        CapturedEvents events(*app);
        post(ApplicationNotifications::didFinishLaunching);  // the check ran at install already
        std::vector<ZeraZovEvent> told;
        for (const auto& event : h.queuedEvents()) {
            if (event.event.starts_with("Application ")) told.push_back(event);
        }
        if (!launch.expected) {
            EXPECT_TRUE(told.empty()) << launch.what;
            EXPECT_EQ(defaults.stringValue(ZeraZovAppLifeCycleIntegration::versionKey), "1.2.0")
                << launch.what << ": nothing is stored either";
        } else {
            ASSERT_EQ(told.size(), 1u) << launch.what;
            auto expected = *launch.expected;
            EXPECT_EQ(told[0].event, expected["event"]) << launch.what;
            for (const auto& [key, value] : expected.items()) {
                if (key == "event") continue;
                EXPECT_EQ(told[0].properties[key], value) << launch.what << " " << key;
            }
            for (const auto* key : {"previous_version", "previous_build", "version"}) {
                EXPECT_EQ(told[0].properties.contains(key), expected.contains(key)) << launch.what << " " << key;
            }
            EXPECT_EQ(defaults.stringValue(ZeraZovAppLifeCycleIntegration::buildKey), launch.build) << launch.what;
        }
        app->close();
        std::filesystem::remove_all(h.queueFolder());
    }
}

TEST_F(AppLifeCycleTest, OpeningsAndBackgroundingsFollowTheApplicationsActivation) {
    auto app = client();
    CapturedEvents events(*app);
    for (const auto* notification :
         {ApplicationNotifications::didBecomeActive, ApplicationNotifications::didBecomeActive,
          ApplicationNotifications::didResignActive, ApplicationNotifications::didResignActive,
          ApplicationNotifications::didBecomeActive}) {
        post(notification);
    }
    ASSERT_EQ(events.names(),
              (std::vector<std::string>{"Application Opened", "Application Backgrounded", "Application Opened"}));
    const auto first = events.all()[0].properties;
    EXPECT_EQ(first["from_background"], false);
    EXPECT_EQ(first["version"], "1.2.0");
    EXPECT_EQ(first["build"], 42);
    const auto again = events.all()[2].properties;
    EXPECT_EQ(again["from_background"], true);
    EXPECT_FALSE(again.contains("version"));
    EXPECT_FALSE(again.contains("build"));
    EXPECT_EQ(h.countLogged("Skipping Application Opened event - app already in foreground"), 1);
    app->close();
}

// Switched off, the handlers still follow the activation; the first opening that is
// captured is the one that counts as the fresh launch.
TEST_F(AppLifeCycleTest, WithCaptureSwitchedOffTheStateStillFollows) {
    auto app = client();
    CapturedEvents events(*app);
    app->config()->captureApplicationLifecycleEvents = false;
    post(ApplicationNotifications::didBecomeActive);
    EXPECT_TRUE(
        h.logged("Skipping Application Opened event - captureApplicationLifecycleEvents is disabled in "
                 "configuration"));
    app->config()->captureApplicationLifecycleEvents = true;
    post(ApplicationNotifications::didBecomeActive);
    EXPECT_TRUE(events.all().empty()) << "still active: no opening";
    post(ApplicationNotifications::didResignActive);
    post(ApplicationNotifications::didBecomeActive);
    ASSERT_EQ(events.names(), (std::vector<std::string>{"Application Backgrounded", "Application Opened"}));
    EXPECT_EQ(events.all()[1].properties["from_background"], false);
    EXPECT_EQ(events.all()[1].properties["version"], "1.2.0");

    app->config()->captureApplicationLifecycleEvents = false;
    post(ApplicationNotifications::didResignActive);
    EXPECT_TRUE(
        h.logged("Skipping Application Backgrounded event - captureApplicationLifecycleEvents is disabled "
                 "in configuration"));
    EXPECT_EQ(events.all().size(), 2u);
    app->close();
}

TEST_F(AppLifeCycleTest, OneClientPerProcessHoldsItAndTheInstallCheckNeverRunsTwice) {
    auto first = client();
    auto second = client("zzk_second");
    EXPECT_TRUE(
        h.logged("Integration ZeraZovAppLifeCycleIntegration skipped: Already installed to another "
                 "ZeraZovSDK instance"));
    EXPECT_TRUE(second->installedIntegrations().empty());
    // Only the holder hears the activation.
    CapturedEvents secondEvents(*second);
    post(ApplicationNotifications::didBecomeActive);
    EXPECT_TRUE(secondEvents.all().empty());

    first->close();
    defaults.removeObject(ZeraZovAppLifeCycleIntegration::buildKey);
    second->optOut();
    second->optIn();
    EXPECT_EQ(second->installedIntegrations().size(), 1u);
    post(ApplicationNotifications::didFinishLaunching);
    EXPECT_TRUE(secondEvents.all().empty()) << "no install event: the check ran in this process already";
    post(ApplicationNotifications::didResignActive);
    post(ApplicationNotifications::didBecomeActive);
    EXPECT_EQ(secondEvents.names(), (std::vector<std::string>{"Application Opened"}))
        << "a fresh integration starts in the background";
    second->close();
}

}  // namespace
}  // namespace zerazov::testing
