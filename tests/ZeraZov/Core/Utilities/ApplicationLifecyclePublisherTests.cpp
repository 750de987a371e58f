#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ZeraZov/Core/Publishing/Private/ApplicationLifecyclePublisher.h"
#include "ZeraZov/Core/Publishing/Private/ApplicationScreenViewPublisher.h"

namespace zerazov {
namespace {

class ApplicationLifecyclePublisherTest : public ::testing::Test {
protected:
    platform::NotificationCenter center;
    std::vector<std::string> heard;

    std::vector<RegistrationTokenPtr> listenTo(AppLifecyclePublishing& publisher, const std::string& who) {
        return {publisher.onDidFinishLaunching().subscribe([this, who] { heard.push_back(who + " launched"); }),
                publisher.onDidBecomeActive().subscribe([this, who] { heard.push_back(who + " active"); }),
                publisher.onDidEnterBackground().subscribe([this, who] { heard.push_back(who + " background"); })};
    }
};

TEST_F(ApplicationLifecyclePublisherTest, EachNotificationReachesEverySubscriberOfItsSignal) {
    ApplicationLifecyclePublisher publisher(center);
    const auto session = listenTo(publisher, "session");
    const auto client = listenTo(publisher, "client");

    center.post(kApplicationDidFinishLaunchingNotification);
    center.post(kApplicationDidBecomeActiveNotification);
    center.post(kApplicationDidResignActiveNotification);
    center.post("SomethingElse");

    EXPECT_EQ(heard, (std::vector<std::string>{"session launched", "client launched", "session active", "client active",
                                               "session background", "client background"}));
}

TEST_F(ApplicationLifecyclePublisherTest, StopsListeningWhenDestroyed) {
    {
        ApplicationLifecyclePublisher publisher(center);
        const auto tokens = listenTo(publisher, "x");
        publisher.appDidEnterBackground();
    }
    center.post(kApplicationDidResignActiveNotification);
    EXPECT_EQ(heard, std::vector<std::string>{"x background"});
}

TEST(ApplicationScreenViewPublisher, FansOutNamesAndKeepsTheCaptureHandler) {
    ApplicationScreenViewPublisher publisher;
    std::vector<std::string> screens;
    auto token = publisher.onScreenView().subscribe([&](const std::string& name) { screens.push_back(name); });
    publisher.onScreenView().invoke("Settings");
    EXPECT_EQ(screens, std::vector<std::string>{"Settings"});

    EXPECT_FALSE(publisher.autoCaptureHandler());
    publisher.setAutoCaptureHandler([&](const std::string& name) { screens.push_back("auto " + name); });
    publisher.autoCaptureHandler()("About");
    EXPECT_EQ(screens.back(), "auto About");
    publisher.setAutoCaptureHandler(nullptr);
    EXPECT_FALSE(publisher.autoCaptureHandler());
}

}  // namespace
}  // namespace zerazov
