// The onboarding's steps, buttons and actions, driven without a window.
#include <gtest/gtest.h>

#include <algorithm>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/FakeLoginItem.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "Tessivar/Onboarding/OnboardingView.h"

namespace tessivar {
namespace {

using platform::LoginItemStatus;

// The application as the onboarding reaches it; writes what happens into the
// test's one list of events.
struct FakeApp : AppActions {
    explicit FakeApp(std::vector<std::string>& events) : events_(events) {}
    bool jumpToNextScreen() override {
        events_.push_back("jump");
        return jumpSucceeds;
    }
    void openHotKeySettings() override { events_.push_back("open settings"); }

    bool jumpSucceeds = true;

private:
    std::vector<std::string>& events_;
};

struct OnboardingViewTest : ::testing::Test {
    OnboardingViewTest() {
        view.setChangeHandler([this] { ++changes; });
        postObserver = notifications.addObserver("SelectShortcutsPane", nullptr, [this](const platform::Notification&) {
            events.push_back(std::string("post, request ") +
                             (defaults.boolValue("shouldShowShortcutsPaneOnOpen") ? "set" : "unset"));
        });
    }

    std::optional<bool> completed() const {
        const auto stored = defaults.object("hasCompletedOnboarding");
        if (!stored) return std::nullopt;
        return stored->get<bool>();
    }

    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::NotificationCenter notifications;
    platform::ManualMainQueue queue;
    platform::FakeLoginItem loginItem;
    std::vector<std::string> events;
    std::shared_ptr<FakeApp> app = std::make_shared<FakeApp>(events);
    OnboardingView view{{defaults, notifications, queue, loginItem}, app, [this](bool finished) {
                            events.push_back(finished ? "close, finished" : "close");
                        }};
    platform::ObserverTokenPtr postObserver;
    int changes = 0;
};

// The bottom bar on each step, with the login item off and on; moving forward
// on step 1 writes nothing even when its button reads "跳过".
TEST_F(OnboardingViewTest, EachStepShowsItsButtonsAndOnlyFinishingOrSkippingCompletes) {
    struct Row {
        int step;
        LoginItemStatus login;
        const char* left;
        const char* primary;
        bool chevron;
    };
    const Row rows[] = {
        {0, LoginItemStatus::notRegistered, "跳过", "下一步", true},
        {1, LoginItemStatus::notRegistered, "上一步", "跳过", true},
        {1, LoginItemStatus::requiresApproval, "上一步", "跳过", true},
        {1, LoginItemStatus::enabled, "上一步", "下一步", true},
        {2, LoginItemStatus::enabled, "上一步", "立即开启", false},
    };
    for (const auto& row : rows) {
        while (view.currentStep() < row.step) view.advance();
        loginItem.current = row.login;
        EXPECT_EQ(view.leftButtonTitle(), row.left) << "step " << row.step;
        EXPECT_EQ(view.leftButtonSkips(), row.step == 0) << "step " << row.step;
        EXPECT_EQ(view.primaryButtonTitle(), row.primary) << "step " << row.step;
        EXPECT_EQ(view.primaryButtonHasChevron(), row.chevron) << "step " << row.step;
    }
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(completed(), std::nullopt) << "moving forward writes nothing";
    EXPECT_TRUE(events.empty());

    view.goBack();
    view.goBack();
    view.goBack();
    EXPECT_EQ(view.currentStep(), 0) << "back stops at the first step";
    view.advance();
    view.advance();
    view.advance();
    EXPECT_EQ(view.currentStep(), 2) << "finishing does not move past the last step";
    EXPECT_EQ(completed(), true);
    EXPECT_EQ(events, (std::vector<std::string>{"close, finished"}));
}

TEST_F(OnboardingViewTest, SkippingOnTheFirstStepCompletesAndCloses) {
    view.skip();
    EXPECT_EQ(completed(), true);
    EXPECT_EQ(events, (std::vector<std::string>{"close, finished"}));
    EXPECT_EQ(view.currentStep(), 0);
}

// The success line stays 3 s after the first successful press; a failed jump
// or a missing application shows nothing.
TEST_F(OnboardingViewTest, TheTestJumpShowsItsLineForThreeSecondsOnlyWhenThePointerMoved) {
    app->jumpSucceeds = false;
    view.testJump();
    EXPECT_FALSE(view.showWarpIndicator());
    EXPECT_EQ(queue.pendingCount(), 0u);
    EXPECT_EQ(changes, 0);

    app->jumpSucceeds = true;
    view.testJump();
    EXPECT_TRUE(view.showWarpIndicator());
    EXPECT_EQ(changes, 1);
    queue.advance(1.0);
    view.testJump();
    queue.advance(1.99);
    EXPECT_TRUE(view.showWarpIndicator());
    queue.advance(0.02);
    EXPECT_FALSE(view.showWarpIndicator()) << "the first press's job ends the line";
    EXPECT_EQ(changes, 3);
    queue.advance(1.0);
    EXPECT_EQ(changes, 4) << "the second job runs as well";
    EXPECT_EQ(std::count(events.begin(), events.end(), "jump"), 3);

    app.reset();
    view.testJump();
    EXPECT_FALSE(view.showWarpIndicator());
}

TEST_F(OnboardingViewTest, AHideJobThatOutlivesTheViewDoesNothing) {
    {
        int closedChanges = 0;
        OnboardingView shortLived({defaults, notifications, queue, loginItem}, app, [](bool) {});
        shortLived.setChangeHandler([&closedChanges] { ++closedChanges; });
        shortLived.testJump();
        EXPECT_EQ(closedChanges, 1);
    }
    EXPECT_EQ(queue.pendingCount(), 1u);
    queue.advance(3.0);  // would touch the destroyed view
    EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST_F(OnboardingViewTest, LeavingTheTestPageClearsTheLineAtOnce) {
    view.advance();
    view.advance();
    view.pageAppeared(2);
    view.testJump();
    view.goBack();
    view.pageDisappeared(2);
    EXPECT_FALSE(view.showWarpIndicator());
    EXPECT_FALSE(view.animateStep(2));
    view.pageAppeared(1);
    EXPECT_TRUE(view.animateStep(1));
}

// The request is stored before the settings open, the notification follows,
// and the window closes last; onboarding is not complete.
TEST_F(OnboardingViewTest, OpeningTheShortcutSettingsAsksForThePaneOpensThenCloses) {
    view.openShortcutSettings();
    EXPECT_EQ(events, (std::vector<std::string>{"open settings", "post, request set", "close, finished"}));
    EXPECT_TRUE(defaults.boolValue("shouldShowShortcutsPaneOnOpen"));
    EXPECT_EQ(completed(), std::nullopt);

    events.clear();
    defaults.removeObject("shouldShowShortcutsPaneOnOpen");
    app.reset();
    view.openShortcutSettings();
    EXPECT_EQ(events, (std::vector<std::string>{"close, finished"})) << "without the application it only closes";
    EXPECT_FALSE(defaults.contains("shouldShowShortcutsPaneOnOpen"));
}

TEST_F(OnboardingViewTest, TheLaunchSwitchShowsWhatTheLoginItemReportsAfterwards) {
    struct Case {
        const char* what;
        LoginItemStatus before;
        LoginItemStatus afterRegister;
        platform::Failure failure;
        bool on;
        std::vector<std::string> calls;
        bool shown;
        const char* logged;
    };
    const Case cases[] = {
        {"on",
         LoginItemStatus::notRegistered,
         LoginItemStatus::enabled,
         {},
         true,
         {"status", "register", "status"},
         true,
         nullptr},
        {"on, waiting for approval",
         LoginItemStatus::notRegistered,
         LoginItemStatus::requiresApproval,
         {},
         true,
         {"status", "register", "status"},
         false,
         nullptr},
        {"on, refused",
         LoginItemStatus::notRegistered,
         LoginItemStatus::enabled,
         "无法写入自启动文件",
         true,
         {"status", "register", "status"},
         false,
         "[Tessivar] 引导页切换开机自启动失败: 无法写入自启动文件"},
        {"on while on already",
         LoginItemStatus::enabled,
         LoginItemStatus::enabled,
         {},
         true,
         {"status"},
         false,
         nullptr},
        {"off, whatever the status",
         LoginItemStatus::notFound,
         LoginItemStatus::enabled,
         {},
         false,
         {"unregister", "status"},
         false,
         nullptr},
    };
    for (const auto& c : cases) {
        platform::LogCapture logs;
        platform::FakeLoginItem item;
        item.current = c.before;
        item.afterRegister = c.afterRegister;
        item.nextFailure = c.failure;
        OnboardingView page({defaults, notifications, queue, item}, app, [](bool) {});
        int rendered = 0;
        page.setChangeHandler([&rendered] { ++rendered; });
        page.setLaunchAtLogin(c.on);
        EXPECT_EQ(item.calls, c.calls) << c.what;
        EXPECT_EQ(page.launchAtLogin(), c.shown) << c.what;
        EXPECT_EQ(rendered, 1) << c.what << ": the switch is drawn again either way";
        const auto expectedLog = c.logged ? std::vector<std::string>{c.logged} : std::vector<std::string>{};
        EXPECT_EQ(logs.lines(), expectedLog) << c.what;
    }
}

TEST_F(OnboardingViewTest, TheLaunchPageReadsTheLoginItemEachTimeItAppears) {
    loginItem.current = LoginItemStatus::enabled;
    view.pageAppeared(1);
    EXPECT_TRUE(view.launchAtLogin());
    loginItem.current = LoginItemStatus::requiresApproval;
    view.pageAppeared(1);
    EXPECT_FALSE(view.launchAtLogin());
    view.pageAppeared(7);
    EXPECT_FALSE(view.animateStep(7));
}

}  // namespace
}  // namespace tessivar
