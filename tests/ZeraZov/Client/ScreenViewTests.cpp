#include <gtest/gtest.h>

#include "ClientHarness.h"
#include "ZeraZov/Client/Integrations/Private/ZeraZovScreenViewIntegration.h"
#include "ZeraZov/Core/Publishing/Private/ApplicationScreenViewPublisher.h"
#include "ZeraZov/Core/Utilities/DIContainer.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;

TEST(ScreenViews, NamesAreNormalisedBeforeTheyAreRecorded) {
    ClientHarness h;
    auto client = h.client();
    CapturedEvents events(*client);
    std::vector<std::string> published;
    auto token = DI::main().screenViewPublisher().onScreenView().subscribe(
        [&](const std::string& name) { published.push_back(name); });
    for (const auto* title :
         {"UIHostingController<HomeView>", "UIHostingController<ModifiedContent<AnyView, B>>", "", "Settings"}) {
        client->screen(title, json{{"tab", "general"}});
    }
    EXPECT_EQ(published, (std::vector<std::string>{"HomeView", "Settings"}));
    ASSERT_EQ(events.names(), (std::vector<std::string>{"$screen", "$screen"}));
    EXPECT_EQ(events.all()[0].properties["$screen_name"], "HomeView");
    EXPECT_EQ(events.all()[1].properties["tab"], "general");
    client->capture("jump_triggered");
    EXPECT_EQ(events.last().properties["$screen_name"], "Settings") << "events carry the last screen";
    client->close();
}

// The integration that an automatic screen source would report through; one client
// per process holds it.
TEST(ScreenViews, TheIntegrationTurnsReportedScreensIntoScreenEvents) {
    ClientHarness h;
    ApplicationScreenViewPublisher publisher;
    ZeraZovInstallSlot slot;
    auto config = [&](const std::string& token) {
        auto screens = h.config(token);
        screens->captureScreenViews = true;
        return screens;
    };
    auto environment = h.environment();
    environment.makeIntegration = [&](ZeraZovIntegrationKind) {
        return std::make_shared<ZeraZovScreenViewIntegration>(
            ZeraZovScreenViewIntegration::Dependencies{publisher, slot});
    };
    auto first = ZeraZovSDK::with(config(testProjectToken), environment);
    auto second = ZeraZovSDK::with(config("zzk_second"), environment);
    EXPECT_TRUE(h.logged("Integration ZeraZovScreenViewIntegration installed"));
    EXPECT_TRUE(
        h.logged("Integration ZeraZovScreenViewIntegration skipped: Already installed to another ZeraZovSDK "
                 "instance"));
    CapturedEvents events(*first);
    publisher.autoCaptureHandler()("UIHostingController<Onboarding>");
    ASSERT_EQ(events.names(), (std::vector<std::string>{"$screen"}));
    EXPECT_EQ(events.last().properties["$screen_name"], "Onboarding");

    // Another live client cannot take it away from its holder.
    const auto held = first->installedIntegrations().front();
    held->uninstall(*second);
    ASSERT_TRUE(publisher.autoCaptureHandler());
    first->close();
    EXPECT_FALSE(publisher.autoCaptureHandler());
    second->optOut();
    second->optIn();
    EXPECT_EQ(second->installedIntegrations().size(), 1u) << "free again once its holder let go";
    second->close();
}

TEST(ScreenViews, WithoutSwizzlingTheScreenViewIntegrationIsSkipped) {
    ClientHarness h;
    auto config = h.config();
    config->captureScreenViews = true;
    config->enableSwizzling = false;
    auto client = h.client(config);
    EXPECT_TRUE(
        h.logged("Integration ZeraZovScreenViewIntegration skipped. Integration requires swizzling but "
                 "enableSwizzling is disabled in config"));
    EXPECT_TRUE(client->installedIntegrations().empty());
    client->close();
}

}  // namespace
}  // namespace zerazov::testing
