// The onboarding window on Qt's offscreen platform with three screens: where
// it opens, its look, its buttons and pages, and how its owner lets it go.
#include <QCheckBox>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

#include "HotkeysTestEnvironment.h"
#include "PictureExtent.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Testing/FakeDesktop.h"
#include "Platform/Testing/FakeLoginItem.h"
#include "Platform/Testing/FakeNativeKeyTranslator.h"
#include "Tessivar/Onboarding/OnboardingWindow.h"
#include "Tessivar/Onboarding/Private/HeroIcon.h"
#include "Tessivar/Onboarding/Private/JumpTestPage.h"
#include "Tessivar/Onboarding/Private/LaunchAtLoginPage.h"
#include "Tessivar/Onboarding/Private/OnboardingCard.h"
#include "Tessivar/Onboarding/Private/OnboardingHeader.h"
#include "Tessivar/Onboarding/Private/PageDots.h"
#include "Tessivar/Onboarding/Private/SwitchToggle.h"
#include "Tessivar/ScreenJumpNames.h"
#include "Tessivar/Settings/Private/SettingsView.h"
#include "Tessivar/Settings/SettingsWindowController.h"
#include "Tessivar/StatusMenu/SymbolIcons.h"
#include "Tessivar/Windows/QtAppWindows.h"

namespace tessivar {
namespace {

using testing::HotkeysTestEnvironment;

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// Where the tests leave pictures of the steps for a person to look at.
QString screenshotPath(const QString& name) {
    QDir().mkpath(QStringLiteral(TESSIVAR_SCREENSHOT_DIR));
    return QStringLiteral(TESSIVAR_SCREENSHOT_DIR) + QLatin1Char('/') + name;
}

QScreen* screenNamed(const char* name) {
    for (auto* screen : QGuiApplication::screens()) {
        if (screen->name() == QLatin1String(name)) return screen;
    }
    return nullptr;
}

// The application as the windows reach it: the test jump answers as told, the
// settings open in the windows under test.
struct FakeApp : AppActions {
    bool jumpToNextScreen() override {
        ++jumps;
        return jumpSucceeds;
    }
    void openHotKeySettings() override {
        ++settingsOpened;
        if (windows) windows->showSettings();
    }
    bool jumpSucceeds = true;
    int jumps = 0;
    int settingsOpened = 0;
    AppWindows* windows = nullptr;
};

struct OnboardingWindowTest : ::testing::Test {
    OnboardingWindowTest() {
        hotkeys::reset(names);
        app->windows = &windows;
        QCursor::setPos(screenNamed("DP-1"), QPoint(100, 100));
    }
    ~OnboardingWindowTest() override { hotkeys::reset(names); }

    SettingsEnvironment environment() {
        auto& notifications = shortcuts.hotkeys().notifications;
        return {defaults, notifications, queue, desktop, login, bundle, {notifications, keys, {}, nullptr, {}}, names};
    }
    OnboardingWindow& open() {
        windows.showOnboarding(app);
        EXPECT_NE(windows.onboarding(), nullptr);
        return *windows.onboarding();
    }
    OnboardingCard& card() { return *windows.onboarding()->card(); }
    // The onboarding open on step 1 in the given look, its blocks come in and still.
    LaunchAtLoginPage* openOnSettledLaunchPage(bool dark) {
        if (dark) defaults.set("AppleInterfaceStyle", std::string("Dark"));
        OnboardingWindow& window = open();
        if (!QTest::qWaitForWindowExposed(&window)) return nullptr;
        click(card().primaryButton());
        auto* page = qobject_cast<LaunchAtLoginPage*>(card().page());
        const bool settled = page && QTest::qWaitFor(
                                         [&] {
                                             for (const Entrance* entrance : page->entrances()) {
                                                 if (entrance->isPlaying()) return false;
                                             }
                                             return true;
                                         },
                                         1500);
        return settled ? page : nullptr;
    }
    // The onboarding open on its last step.
    JumpTestPage* openOnTestPage() {
        open().view().advance();
        windows.onboarding()->view().advance();
        return qobject_cast<JumpTestPage*>(card().page());
    }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Runs what the window left for later (its own release among it).
    static void runDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    struct Shortcuts {
        HotkeysTestEnvironment& hotkeys() const { return HotkeysTestEnvironment::instance(); }
        HotkeysTestEnvironment::OwnRegistry registry;
    } shortcuts;
    const std::vector<hotkeys::Name>& names = screenJumpNames();
    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::ManualMainQueue queue;
    platform::FakeDesktop desktop;
    platform::FakeLoginItem login;
    platform::FakeNativeKeyTranslator keys;
    platform::BundleInfo bundle{"com.brel.tessivar", "1.0.0", "1", "tessivar"};
    std::shared_ptr<FakeApp> app = std::make_shared<FakeApp>();
    QtAppWindows windows{environment()};
};

// DP-1 primary 1920x1080 at (0, 0); DP-2 1280x1024 at (-1280, 300); HDMI-1
// 1920x1080 at (1920, 0). Offscreen screens have no panels: the visible area
// is the whole screen.
TEST_F(OnboardingWindowTest, OpensBorderlessAndCentredOnTheDisplayUnderThePointer) {
    struct Case {
        const char* what;
        QPoint pointer;
        QPoint topLeft;
    };
    const Case cases[] = {
        {"on the primary", {100, 100}, {640, 310}},
        {"on the display to the left, lower down", {-1000, 900}, {-960, 582}},
        {"on the right one", {2500, 1000}, {2560, 310}},
        {"in the gap above DP-2: the primary", {-500, 100}, {640, 310}},
    };
    for (const auto& c : cases) {
        QCursor::setPos(screenNamed("DP-1"), c.pointer);  // the screens share one pointer
        OnboardingWindow& window = open();
        EXPECT_EQ(window.pos(), c.topLeft) << c.what;
        EXPECT_EQ(window.size(), QSize(640, 460)) << c.what;
    }
    OnboardingWindow& window = open();
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(window.windowTitle(), text("欢迎使用 Tessivar"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.mask().contains(QPoint(1, 1))) << "the corners are cut to the card's rounding";
    EXPECT_TRUE(window.mask().contains(QPoint(320, 230)));
    EXPECT_EQ(QApplication::topLevelWidgets().count(&window), 1);
}

// The welcome page shows the application's one icon, and its feature symbols
// are drawn large enough to make out (they were 8 points across).
TEST_F(OnboardingWindowTest, TheWelcomePageShowsTheApplicationIconAndReadableFeatureSymbols) {
    open();
    OnboardingPage* welcome = card().page();
    ASSERT_NE(welcome, nullptr);
    auto* hero = welcome->findChild<HeroIcon*>();
    ASSERT_NE(hero, nullptr);
    EXPECT_EQ(hero->picture().toImage(), ApplicationIcon::pixmap(56).toImage());
    int symbols = 0;
    for (auto* badge : welcome->findChildren<QLabel*>()) {
        if (badge->pixmap().isNull()) continue;
        ++symbols;
        const QSizeF drawn = testing::drawnExtent(badge->pixmap());
        EXPECT_GE(std::max(drawn.width(), drawn.height()), 13) << drawn.width() << " x " << drawn.height() << " points";
    }
    EXPECT_EQ(symbols, 3) << "a symbol for each feature";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto& entrances = welcome->entrances();
            return std::none_of(entrances.begin(), entrances.end(), [](const Entrance* e) { return e->isPlaying(); });
        },
        3000))
        << "the page still coming in";
    EXPECT_TRUE(windows.onboarding()->grab().save(screenshotPath(QStringLiteral("onboarding-welcome.png"))));
}

TEST_F(OnboardingWindowTest, ShowingItAgainBringsTheSameWindowForward) {
    OnboardingWindow* first = &open();
    first->view().advance();
    EXPECT_EQ(&open(), first);
    EXPECT_EQ(first->view().currentStep(), 1) << "the open onboarding keeps its step";
}

// The owner lets the window go from inside the window's own close, so only
// once that close is over; the next request makes a new one at step 0.
TEST_F(OnboardingWindowTest, SkippingClosesAndTheWindowIsReleasedOnlyAfterItsCloseReturns) {
    QPointer<OnboardingWindow> window = &open();
    click(card().leftButton());
    EXPECT_EQ(windows.onboarding(), nullptr);
    ASSERT_FALSE(window.isNull()) << "released while its own close still ran";
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->didFinishOrSkip());
    EXPECT_TRUE(defaults.boolValue("hasCompletedOnboarding"));
    runDeferred();
    EXPECT_TRUE(window.isNull());

    OnboardingWindow& again = open();
    EXPECT_NE(&again, window.data());
    EXPECT_EQ(again.view().currentStep(), 0);
}

// A close from elsewhere (the window manager, the application quitting) is
// not the user finishing; every close is told, also of a window shown again.
TEST_F(OnboardingWindowTest, EveryCloseTellsTheOwnerWithWhetherTheUserFinished) {
    std::vector<bool> heard;
    OnboardingWindow window({defaults, shortcuts.hotkeys().notifications, queue, login}, app,
                            [&heard](bool finished) { heard.push_back(finished); });
    window.show();
    window.close();
    window.show();
    window.view().skip();
    EXPECT_EQ(heard, (std::vector<bool>{false, true}));
}

TEST_F(OnboardingWindowTest, TheButtonsWalkTheStepsAndTheDotsFollow) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&open()));
    struct Expected {
        int step;
        const char* left;
        const char* primary;
        bool chevron;
    };
    const Expected steps[] = {
        {0, "跳过", "下一步", true}, {1, "上一步", "跳过", true}, {2, "上一步", "立即开启", false}};
    for (const auto& expected : steps) {
        EXPECT_EQ(card().page()->step(), expected.step);
        EXPECT_EQ(card().header()->dots()->current(), expected.step);
        EXPECT_EQ(card().leftButton()->text(), text(expected.left)) << expected.step;
        EXPECT_EQ(card().primaryButton()->text(), text(expected.primary)) << expected.step;
        EXPECT_EQ(!card().primaryButton()->icon().isNull(), expected.chevron) << expected.step;
        EXPECT_EQ(card().leftButton()->focusPolicy(), Qt::NoFocus);
        EXPECT_EQ(card().primaryButton()->focusPolicy(), Qt::NoFocus);
        const auto* page = card().page();
        ASSERT_TRUE(QTest::qWaitFor([page] { return !page->entrances().back()->isPlaying(); }, 3000));
        const QString name = QStringLiteral("onboarding-offscreen-step%1.png").arg(expected.step);
        EXPECT_TRUE(windows.onboarding()->grab().save(screenshotPath(name))) << name.toStdString();
        if (expected.step < 2) click(card().primaryButton());
    }
    click(card().leftButton());
    EXPECT_EQ(card().page()->step(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return card().header()->dots()->dotWidth(1) == 16; }, 2000))
        << "the pill springs to the current dot";
    EXPECT_EQ(card().header()->dots()->dotWidth(2), 7);
    EXPECT_FALSE(defaults.contains("hasCompletedOnboarding"));
}

TEST_F(OnboardingWindowTest, EachPagePlaysItsEntranceWhenItComes) {
    open();
    OnboardingPage* welcome = card().page();
    ASSERT_EQ(welcome->entrances().size(), 3);
    EXPECT_LT(welcome->entrances()[2]->opacity(), 1) << "the feature cards come in last";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !welcome->entrances()[2]->isPlaying(); }, 3000));
    for (const Entrance* entrance : welcome->entrances()) {
        EXPECT_EQ(entrance->scale(), 1);
        EXPECT_EQ(entrance->opacity(), 1);
    }
    click(card().primaryButton());
    click(card().leftButton());
    EXPECT_TRUE(card().page()->entrances()[0]->isPlaying()) << "back on the welcome page, it plays again";
}

TEST_F(OnboardingWindowTest, TheLaunchSwitchTurnsIntoABadgeOnceTheLoginItemIsOn) {
    open();
    click(card().primaryButton());
    auto* page = qobject_cast<LaunchAtLoginPage*>(card().page());
    ASSERT_NE(page, nullptr);
    ASSERT_NE(page->toggle(), nullptr);
    EXPECT_FALSE(page->toggle()->isChecked());
    EXPECT_EQ(page->toggle()->text(), text("登录时启动"));

    login.afterRegister = platform::LoginItemStatus::requiresApproval;
    page->toggle()->click();
    EXPECT_FALSE(page->showsBadge()) << "waiting for approval is not on";
    EXPECT_FALSE(page->toggle()->isChecked()) << "the switch goes back to what the login item reports";

    login.afterRegister = platform::LoginItemStatus::enabled;
    page->toggle()->click();
    EXPECT_TRUE(page->showsBadge());
    EXPECT_EQ(page->toggle(), nullptr);
    EXPECT_EQ(card().primaryButton()->text(), text("下一步"));
    QList<QString> texts;
    for (auto* label : page->findChildren<QLabel*>()) texts << label->text();
    EXPECT_TRUE(texts.contains(text("登录时自动启动已成功开启")));
}

// The relative luminance of a colour, as contrast ratios are defined on it.
double luminance(QRgb pixel) {
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(pixel)) + 0.7152 * channel(qGreen(pixel)) + 0.0722 * channel(qBlue(pixel));
}

// The switch's label reads well in both looks: its strongest text pixel
// against the card behind it, at least 4.5 : 1.
TEST_F(OnboardingWindowTest, TheLaunchSwitchLabelStandsOutInBothLooks) {
    for (const bool dark : {false, true}) {
        LaunchAtLoginPage* page = openOnSettledLaunchPage(dark);
        ASSERT_NE(page, nullptr);
        QCheckBox* toggle = page->toggle();
        ASSERT_NE(toggle, nullptr);
        OnboardingWindow& window = *windows.onboarding();
        const QImage picture = window.grab().toImage();
        const QRect area(toggle->mapTo(&window, QPoint(0, 0)), toggle->size());
        const double background = luminance(picture.pixel(area.left() - 4, area.center().y()));
        double contrast = 1;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left() + area.width() / 3; x <= area.right(); ++x) {
                const double l = luminance(picture.pixel(x, y));
                contrast = std::max(contrast, (std::max(l, background) + 0.05) / (std::min(l, background) + 0.05));
            }
        }
        EXPECT_GE(contrast, 4.5) << (dark ? "dark" : "light") << " look";
        window.close();
        QCoreApplication::processEvents();
    }
}

// Step 1's toggle is a switch in the look's colours: its track shows on the
// card, never as a white box on the dark one, and fills with the accent when on.
TEST_F(OnboardingWindowTest, TheLaunchToggleIsASwitchInBothLooks) {
    for (const bool dark : {false, true}) {
        LaunchAtLoginPage* page = openOnSettledLaunchPage(dark);
        ASSERT_NE(page, nullptr);
        SwitchToggle* toggle = page->toggle();
        ASSERT_NE(toggle, nullptr);
        OnboardingWindow& window = *windows.onboarding();
        const QRect track = toggle->trackRect();
        const auto at = [&](QPoint point) { return toggle->mapTo(&window, point); };
        // Right of the knob when off, left of it when on; the card just above.
        const QPoint offSpot = at({track.right() - 4, track.center().y()});
        const QPoint onSpot = at({track.left() + 4, track.center().y()});
        const QPoint cardSpot = at({track.center().x(), -3});
        const char* look = dark ? "dark" : "light";

        const QImage off = window.grab().toImage();
        EXPECT_NE(off.pixel(offSpot), off.pixel(cardSpot)) << look << ": the off track shows on the card";
        if (dark) {
            EXPECT_LT(qGray(off.pixel(offSpot)), 160) << "no white box";
        }
        toggle->setChecked(true);
        const QImage on = window.grab().toImage();
        EXPECT_EQ(on.pixel(onSpot) & 0xffffff, window.appearance().accent.rgb() & 0xffffff) << look;
        window.close();
        QCoreApplication::processEvents();
    }
}

// The success line shows only after a jump that moved the pointer, for three seconds.
TEST_F(OnboardingWindowTest, TheTestButtonJumpsAndSaysSoForThreeSeconds) {
    JumpTestPage* page = openOnTestPage();
    ASSERT_NE(page, nullptr);
    // Led by the emoji, or by a drawn bulb beside the line where no font has it.
    const QString hint = page->statusLine()->text();
    EXPECT_TRUE(hint.endsWith(text("点击左侧测试光标跳转，或点击右侧配置专属快捷键"))) << hint.toStdString();

    app->jumpSucceeds = false;
    click(page->testButton());
    EXPECT_EQ(app->jumps, 1);
    EXPECT_EQ(page->statusLine()->text(), hint);

    app->jumpSucceeds = true;
    click(page->testButton());
    EXPECT_EQ(page->statusLine()->text(), text("✓ 光标已瞬间跳转至目标中心并播放定位特效"));
    queue.advance(3.0);
    EXPECT_EQ(page->statusLine()->text(), hint);

    // A success line whose window closes before it ends: its job finds nothing.
    click(page->testButton());
    QPointer<OnboardingWindow> window = windows.onboarding();
    window->close();
    runDeferred();
    ASSERT_TRUE(window.isNull());
    EXPECT_EQ(queue.pendingCount(), 1u);
    queue.advance(3.0);
    EXPECT_EQ(queue.pendingCount(), 0u);
}

// The request goes before the settings open, so the new settings window comes
// up on the Shortcuts pane; the onboarding closes, not completed.
TEST_F(OnboardingWindowTest, TheShortcutSettingsButtonOpensTheShortcutsPaneAndCloses) {
    JumpTestPage* page = openOnTestPage();
    ASSERT_NE(page, nullptr);
    click(page->settingsButton());

    EXPECT_EQ(app->settingsOpened, 1);
    ASSERT_NE(windows.settings(), nullptr);
    EXPECT_EQ(windows.settings()->view()->history().selectedPane(), SettingsPane::shortcuts);
    EXPECT_FALSE(defaults.boolValue("shouldShowShortcutsPaneOnOpen")) << "the settings took the request";
    EXPECT_EQ(windows.onboarding(), nullptr);
    EXPECT_FALSE(defaults.contains("hasCompletedOnboarding"));
    windows.settings()->settingsWindow()->close();
}

TEST_F(OnboardingWindowTest, TheLookIsDarkForTheDarkStyleAndLightOtherwise) {
    struct Case {
        std::optional<const char*> style;
        bool dark;
    };
    const bool desktopDark = OnboardingAppearance::isDarkPalette(QGuiApplication::palette());
    const Case cases[] = {{"Dark", true}, {"dark", false}, {"Light", false}, {std::nullopt, desktopDark}};
    for (const auto& c : cases) {
        if (c.style) defaults.set("AppleInterfaceStyle", *c.style);
        if (!c.style) defaults.removeObject("AppleInterfaceStyle");
        OnboardingWindow window({defaults, shortcuts.hotkeys().notifications, queue, login}, app, {});
        EXPECT_EQ(window.appearance().dark, c.dark) << c.style.value_or("(none)");
        const QColor background = window.palette().color(QPalette::Window);
        EXPECT_EQ(background.lightness() < 128, c.dark) << c.style.value_or("(none)");
    }
}

// The header moves the window, from a press anywhere on it, title included,
// once the pointer has gone a few pixels with the button held; a press on the
// page does not, nor does a release that comes with its move in one event (a
// tap, and the pointer moved on before the release was read).
TEST_F(OnboardingWindowTest, DraggingTheHeaderMovesTheWindow) {
    OnboardingWindow& window = open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QPoint start = window.pos();
    OnboardingHeader* header = card().header();
    QTest::mousePress(header, Qt::LeftButton, {}, QPoint(40, 40));
    QTest::mouseMove(header, QPoint(140, 90));
    QCoreApplication::processEvents();
    QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(140, 90));
    EXPECT_EQ(window.pos(), start + QPoint(100, 50));

    QTest::mousePress(card().page(), Qt::LeftButton, {}, QPoint(40, 40));
    QTest::mouseMove(card().page(), QPoint(140, 90));
    QCoreApplication::processEvents();
    QTest::mouseRelease(card().page(), Qt::LeftButton, {}, QPoint(140, 90));
    EXPECT_EQ(window.pos(), start + QPoint(100, 50));

    QTest::mousePress(header, Qt::LeftButton, {}, QPoint(40, 40));
    QTest::mouseMove(header, QPoint(140, 90));
    QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(140, 90));
    QCoreApplication::processEvents();
    EXPECT_EQ(window.pos(), start + QPoint(100, 50)) << "a tap moved the window";
}

}  // namespace
}  // namespace tessivar
