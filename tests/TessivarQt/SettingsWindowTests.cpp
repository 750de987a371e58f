// The settings window on Qt's offscreen platform: the window, the sidebar and
// its history, the locked divider, the three panes and the recorders in them.
#include <gtest/gtest.h>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QSplitter>
#include <QTest>
#include <QTextLayout>
#include <QToolButton>
#include <QUrl>

#include <fstream>
#include <functional>

#include "Hotkeys/SystemShortcuts.h"
#include "HotkeysTestEnvironment.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Testing/FakeDesktop.h"
#include "Platform/Testing/FakeLoginItem.h"
#include "Platform/Testing/FakeNativeKeyTranslator.h"
#include "Platform/Testing/LogCapture.h"
#include "Tessivar/ScreenJumpNames.h"
#include "Tessivar/Settings/Private/AboutSettingsView.h"
#include "Tessivar/Settings/Private/GeneralSettingsView.h"
#include "Tessivar/Settings/Private/LockedSplitter.h"
#include "Tessivar/Settings/Private/SettingsView.h"
#include "Tessivar/Settings/Private/ShortcutSettingsView.h"
#include "Tessivar/Settings/SettingsWindowController.h"
#include "Tessivar/StatusMenu/SymbolIcons.h"

namespace {

using hotkeys::Shortcut;
using platform::FakeNativeKeyTranslator;
using tessivar::SettingsPane;
using tessivar::testing::HotkeysTestEnvironment;

constexpr const char* kLockLine = "[Tessivar] ✓ 成功将 NSSplitView 动态子类化为 LockedSplitView，安全锁定拖拽交互";
constexpr const char* kDividerLine = "[Tessivar] [LockedSplitView] 拦截并丢弃分割线 mouseDown 事件，成功阻止拖拽";

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// Where the tests leave pictures of the panes for a person to look at.
QString screenshotPath(const char* name) {
    QDir().mkpath(QStringLiteral(TESSIVAR_SCREENSHOT_DIR));
    return QStringLiteral(TESSIVAR_SCREENSHOT_DIR) + QLatin1Char('/') + QLatin1String(name);
}

struct SettingsWindowTest : ::testing::Test {
    SettingsWindowTest() {
        hotkeys::reset(names);
        desktop.screenList = {platform::makeScreen(1, "Color LCD", {{0, 0}, {1512, 982}}),
                              platform::makeScreen(2, "DELL U2720Q", {{1512, 0}, {2560, 1440}})};
    }
    ~SettingsWindowTest() override { hotkeys::reset(names); }

    tessivar::SettingsEnvironment environment() {
        return {defaults,
                shortcuts.hotkeys().notifications,
                queue,
                desktop,
                login,
                bundle,
                {shortcuts.hotkeys().notifications, keys, [this] { return menu; }, &systemShortcuts, {}},
                names};
    }
    tessivar::SettingsWindowController& controller() {
        if (!made) made.emplace(environment());
        return *made;
    }
    tessivar::SettingsView& view() { return *controller().view(); }
    template <typename Pane>
    Pane* pane() {
        return qobject_cast<Pane*>(view().pane());
    }
    void clickSidebar(SettingsPane pane, Qt::KeyboardModifiers modifiers = {}) {
        QListWidget* sidebar = view().sidebar();
        const QRect row = sidebar->visualItemRect(sidebar->item(static_cast<int>(pane)));
        QTest::mouseClick(sidebar->viewport(), Qt::LeftButton, modifiers, row.center());
    }
    void showWindow() {
        controller().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller().settingsWindow()));
    }

    struct Shortcuts {
        HotkeysTestEnvironment& hotkeys() const { return HotkeysTestEnvironment::instance(); }
        HotkeysTestEnvironment::OwnRegistry registry;
    } shortcuts;
    const std::vector<hotkeys::Name>& names = tessivar::screenJumpNames();
    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::ManualMainQueue queue;
    platform::FakeDesktop desktop;
    platform::FakeLoginItem login;
    FakeNativeKeyTranslator keys;
    hotkeys::SystemShortcuts systemShortcuts{&shortcuts.registry.service, nullptr, &shortcuts.hotkeys().layout};
    std::vector<hotkeys::MenuItem> menu{{"退出", "q", hotkeys::ModifierFlags{hotkeys::ModifierFlags::command}, {}}};
    platform::BundleInfo bundle{"com.brel.tessivar", "1.0.0", "1", "tessivar"};
    platform::LogCapture log;
    std::optional<tessivar::SettingsWindowController> made;
};

// Takes the links the desktop would open.
class OpenedLinks : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

// The faces Qt draws the text in with this font; a missing glyph (a box) fails the test.
QStringList facesDrawing(const QString& shown, const QFont& font) {
    QTextLayout layout(shown, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    QStringList faces;
    for (const auto& run : layout.glyphRuns()) {
        faces << run.rawFont().familyName();
        for (quint32 glyph : run.glyphIndexes()) EXPECT_NE(glyph, 0u) << "a missing glyph in " << shown.toStdString();
    }
    return faces;
}

long count(const std::vector<std::string>& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
}

TEST_F(SettingsWindowTest, AFixedFloatingWindowThatClosingOnlyHides) {
    showWindow();
    QWidget* window = controller().settingsWindow();
    EXPECT_EQ(window->windowTitle(), text("Tessivar 设置"));
    EXPECT_EQ(window->size(), QSize(620, 400));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(view().sidebar()->width(), 188);

    clickSidebar(SettingsPane::about);
    window->close();
    EXPECT_FALSE(window->isVisible());
    showWindow();
    EXPECT_EQ(controller().settingsWindow(), window) << "the same window comes back";
    EXPECT_EQ(view().history().selectedPane(), SettingsPane::about) << "on the pane it showed";
    showWindow();
    EXPECT_EQ(count(log.lines(), kLockLine), 1) << "the divider is locked once, however often it shows";
}

TEST_F(SettingsWindowTest, TheSidebarNavigatesAndTheButtonsWalkTheHistory) {
    showWindow();
    QToolButton* back = view().backButton();
    QToolButton* forward = view().forwardButton();
    EXPECT_NE(pane<tessivar::GeneralSettingsView>(), nullptr);
    EXPECT_FALSE(back->isEnabled());
    EXPECT_FALSE(forward->isEnabled());

    clickSidebar(SettingsPane::shortcuts);
    clickSidebar(SettingsPane::about);
    EXPECT_NE(pane<tessivar::AboutSettingsView>(), nullptr);
    EXPECT_TRUE(back->isEnabled());
    EXPECT_FALSE(forward->isEnabled());

    QTest::mouseClick(back, Qt::LeftButton);
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_NE(pane<tessivar::GeneralSettingsView>(), nullptr);
    EXPECT_EQ(view().sidebar()->currentRow(), 0);
    EXPECT_FALSE(back->isEnabled());
    EXPECT_TRUE(forward->isEnabled());
    QTest::mouseClick(forward, Qt::LeftButton);
    EXPECT_NE(pane<tessivar::ShortcutSettingsView>(), nullptr);

    clickSidebar(SettingsPane::shortcuts, Qt::ControlModifier);  // would clear the selection
    EXPECT_EQ(view().sidebar()->selectedItems().size(), 1) << "the highlight cannot be cleared";
    EXPECT_EQ(view().history().entries().size(), 3u);
}

TEST_F(SettingsWindowTest, TheDividerCannotBeDraggedAndEachPressIsLogged) {
    showWindow();
    QSplitter* splitter = view().splitter();
    QSplitterHandle* divider = splitter->handle(1);
    const QList<int> sizes = splitter->sizes();
    EXPECT_EQ(divider->cursor().shape(), Qt::ArrowCursor);
    for (int drag = 0; drag < 2; ++drag) {
        QTest::mousePress(divider, Qt::LeftButton, {}, QPoint(1, 50));
        QTest::mouseMove(divider, QPoint(120, 50));
        QTest::mouseRelease(divider, Qt::LeftButton, {}, QPoint(120, 50));
    }
    EXPECT_EQ(splitter->sizes(), sizes);
    EXPECT_EQ(view().sidebar()->width(), 188);
    EXPECT_EQ(count(log.lines(), kDividerLine), 2) << "one line per press";
}

// The switch shows what the login item says, also when it was turned on
// elsewhere after the pane came on screen.
TEST_F(SettingsWindowTest, TheGeneralPaneShowsAndChangesTheSettings) {
    defaults.set("visualEffectType", "sparkle");
    showWindow();
    auto* general = pane<tessivar::GeneralSettingsView>();
    ASSERT_NE(general, nullptr);
    EXPECT_FALSE(general->launchAtLoginToggle()->isChecked());
    EXPECT_TRUE(general->rememberPositionToggle()->isChecked());
    EXPECT_EQ(general->effectPicker()->currentIndex(), -1) << "a stored value no choice matches";

    login.current = platform::LoginItemStatus::enabled;
    login.calls.clear();
    general->launchAtLoginToggle()->click();
    EXPECT_TRUE(general->launchAtLoginToggle()->isChecked());
    EXPECT_EQ(login.calls, (std::vector<std::string>{"status", "status"})) << "nothing to register";

    login.nextFailure = "无法移除自启动项 /x: 权限不够";
    general->launchAtLoginToggle()->click();
    EXPECT_TRUE(general->launchAtLoginToggle()->isChecked()) << "still registered after the failure";
    EXPECT_TRUE(log.contains("[Tessivar] 切换开机自启动失败: 无法移除自启动项 /x: 权限不够"));

    general->rememberPositionToggle()->click();
    EXPECT_EQ(defaults.object("rememberLastPosition"), nlohmann::json(false));
    general->effectPicker()->activated(1);
    EXPECT_EQ(defaults.stringValue("visualEffectType"), "ripple");
    EXPECT_EQ(general->effectPicker()->currentText(), text("定位环"));
}

// Edited by hand while the window is open: the edit survives the next change
// made in it and shows the next time the window opens.
TEST_F(SettingsWindowTest, ASettingsFileEditedWhileTheWindowIsOpenKeepsTheEdit) {
    defaults.set("visualEffectType", "scale");
    showWindow();
    std::ofstream(defaults.file()) << R"({"visualEffectType": "off", "myNote": "kept"})";
    pane<tessivar::GeneralSettingsView>()->rememberPositionToggle()->click();
    EXPECT_EQ(defaults.object("myNote"), nlohmann::json("kept"));
    EXPECT_EQ(defaults.object("rememberLastPosition"), nlohmann::json(false));
    EXPECT_TRUE(
        log.contains("[Tessivar] ⚠️ 设置文件已在别处修改，已重新读取 " + defaults.file().string()));

    controller().settingsWindow()->close();
    std::ofstream(defaults.file()) << R"({"visualEffectType": "ripple"})";
    showWindow();
    EXPECT_EQ(pane<tessivar::GeneralSettingsView>()->effectPicker()->currentText(), text("定位环"));
}

TEST_F(SettingsWindowTest, TheShortcutsPaneRecordsEachDisplaysShortcut) {
    showWindow();
    clickSidebar(SettingsPane::shortcuts);
    auto* shortcutsPane = pane<tessivar::ShortcutSettingsView>();
    ASSERT_NE(shortcutsPane, nullptr);
    const auto& recorders = shortcutsPane->recorders();
    ASSERT_EQ(recorders.size(), 2u);
    QStringList labels;
    for (auto* label : shortcutsPane->findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains(text("屏幕 2")));
    EXPECT_TRUE(labels.contains(text("DELL U2720Q (2560 x 1440)")));
    EXPECT_EQ(recorders[0]->shortcutName().rawValue, "jumpToScreen1");
    EXPECT_EQ(recorders[1]->stringValue(), text("⌥2"));
    EXPECT_EQ(recorders[0]->size(), QSize(180, 24));

    QTest::mouseClick(recorders[0], Qt::LeftButton);
    queue.drain();
    EXPECT_EQ(recorders[0]->stringValue(), text("按下快捷键..."));
    EXPECT_EQ(recorders[1]->stringValue(), text("⌥2")) << "only the focused recorder prompts";

    QKeyEvent press(QEvent::KeyPress, Qt::Key_Percent, Qt::NoModifier, 23 + FakeNativeKeyTranslator::kKeyCodeOffset, 0,
                    FakeNativeKeyTranslator::kAlt | FakeNativeKeyTranslator::kShift);
    QApplication::sendEvent(recorders[0], &press);
    queue.drain();
    EXPECT_EQ(hotkeys::getShortcut(names[0]), Shortcut(23, 2048 | 512));
    EXPECT_EQ(recorders[0]->stringValue(), text("⌥⇧5"));
    EXPECT_TRUE(shortcuts.registry.service.isGrabbed(23, 2048 | 512));

    // Delete while recording removes the shortcut and recording goes on, prompting.
    QTest::mouseClick(recorders[0], Qt::LeftButton);
    queue.drain();
    QKeyEvent remove(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, 117 + FakeNativeKeyTranslator::kKeyCodeOffset, 0,
                     0);
    QApplication::sendEvent(recorders[0], &remove);
    queue.drain();
    EXPECT_EQ(hotkeys::getShortcut(names[0]), std::nullopt);
    EXPECT_TRUE(recorders[0]->isRecording());
    EXPECT_EQ(recorders[0]->stringValue(), text("按下快捷键...")) << "after Delete";
    QKeyEvent again(QEvent::KeyPress, Qt::Key_Percent, Qt::NoModifier, 23 + FakeNativeKeyTranslator::kKeyCodeOffset, 0,
                    FakeNativeKeyTranslator::kAlt | FakeNativeKeyTranslator::kShift);
    QApplication::sendEvent(recorders[0], &again);
    queue.drain();
    EXPECT_EQ(recorders[0]->stringValue(), text("⌥⇧5"));

    QTest::mouseClick(recorders[1], Qt::LeftButton);
    queue.drain();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, 53 + FakeNativeKeyTranslator::kKeyCodeOffset, 0,
                     0);
    QApplication::sendEvent(recorders[1], &escape);
    queue.drain();
    EXPECT_EQ(recorders[1]->stringValue(), text("⌥2")) << "leaving without a key shows the old shortcut again";

    QTest::mouseClick(recorders[1], Qt::LeftButton);
    clickSidebar(SettingsPane::general);
    EXPECT_FALSE(hotkeys::isPaused()) << "leaving the pane while recording ends the recording";
}

// Removed by Backspace or by the clear button, then left with Escape: the
// empty field shows the placeholder and no clear button, at once and after the
// prompt has come and gone.
TEST_F(SettingsWindowTest, AFieldLeftEmptyShowsNoClearButton) {
    showWindow();
    clickSidebar(SettingsPane::shortcuts);
    hotkeys::RecorderCocoa* field = pane<tessivar::ShortcutSettingsView>()->recorders()[0];
    const auto key = [&](int qtKey, int carbonKeyCode) {
        QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier,
                        carbonKeyCode + FakeNativeKeyTranslator::kKeyCodeOffset, 0, 0);
        QApplication::sendEvent(field, &press);
        queue.drain();
    };
    const std::pair<const char*, std::function<void()>> removals[] = {
        {"Backspace", [&] { key(Qt::Key_Backspace, 51); }},
        {"the clear button", [&] { QTest::mouseClick(field->cancelButton(), Qt::LeftButton); }},
    };
    for (const auto& [how, remove] : removals) {
        hotkeys::setShortcut(Shortcut(18, 2048), names[0]);
        QTest::mouseClick(field, Qt::LeftButton);
        queue.drain();
        EXPECT_TRUE(field->showsCancelButton()) << how << ": a shortcut under the prompt can be removed";
        remove();
        queue.drain();
        EXPECT_EQ(hotkeys::getShortcut(names[0]), std::nullopt) << how;
        EXPECT_EQ(field->stringValue(), text("按下快捷键...")) << how;
        EXPECT_FALSE(field->showsCancelButton()) << how << ", while prompting";
        key(Qt::Key_Escape, 53);
        EXPECT_FALSE(field->isRecording()) << how;
        EXPECT_TRUE(field->stringValue().isEmpty()) << how;
        EXPECT_EQ(field->placeholderText(), text("录制快捷键")) << how;
        EXPECT_FALSE(field->showsCancelButton()) << how << ", then Escape";
    }
    EXPECT_TRUE(field->grab().save(screenshotPath("recorder-emptied.png")));
}

// A keypad key reads as one, in letters the desktop's own fonts draw (not
// only an emoji font), as do the other keys' symbols.
TEST_F(SettingsWindowTest, EveryKeyAFieldShowsIsDrawnInTheDesktopsFonts) {
    const std::pair<Shortcut, const char*> shown[] = {
        {Shortcut(83, 256), "⌘Num1"},      {Shortcut(76, 4096), "⌃Num↩"}, {Shortcut(71, 2048), "⌥Num☒"},
        {Shortcut(124, 512 | 256), "⇧⌘→"}, {Shortcut(96, 6144), "⌃⌥F5"},
    };
    showWindow();
    clickSidebar(SettingsPane::shortcuts);
    hotkeys::RecorderCocoa* field = pane<tessivar::ShortcutSettingsView>()->recorders()[0];
    for (const auto& [shortcut, description] : shown) {
        hotkeys::setShortcut(shortcut, names[0]);
        EXPECT_EQ(field->stringValue(), text(description));
        const QStringList faces = facesDrawing(field->stringValue(), field->font());
        EXPECT_FALSE(faces.contains(QStringLiteral("Noto Color Emoji"))) << description;
    }
    hotkeys::setShortcut(Shortcut(83, 256), names[0]);
    QApplication::processEvents();
    EXPECT_TRUE(controller().settingsWindow()->grab().save(screenshotPath("recorder-keypad.png")));
}

TEST_F(SettingsWindowTest, WithoutDisplaysThePaneSaysSoAndPastEightThereAreNoRows) {
    desktop.screenList.clear();
    showWindow();
    clickSidebar(SettingsPane::shortcuts);
    QStringList labels;
    for (auto* label : pane<tessivar::ShortcutSettingsView>()->findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains(text("未检测到显示器")));
    EXPECT_TRUE(pane<tessivar::ShortcutSettingsView>()->recorders().empty());

    for (int i = 0; i < 10; ++i)
        desktop.screenList.push_back(platform::makeScreen(10 + i, "X", {{1000.0 * i, 0}, {1000, 800}}));
    clickSidebar(SettingsPane::about);
    clickSidebar(SettingsPane::shortcuts);
    EXPECT_EQ(pane<tessivar::ShortcutSettingsView>()->recorders().size(), 8u) << "rows follow the displays when made";
}

TEST_F(SettingsWindowTest, TheOnboardingCanAskForTheShortcutsPane) {
    defaults.set("shouldShowShortcutsPaneOnOpen", true);
    showWindow();
    EXPECT_NE(pane<tessivar::ShortcutSettingsView>(), nullptr);
    EXPECT_TRUE(view().backButton()->isEnabled());
    EXPECT_EQ(defaults.object("shouldShowShortcutsPaneOnOpen"), nlohmann::json(false));

    clickSidebar(SettingsPane::about);
    shortcuts.hotkeys().notifications.post(tessivar::kSelectShortcutsPane);
    EXPECT_NE(pane<tessivar::ShortcutSettingsView>(), nullptr);
    EXPECT_EQ(view().history().entries(), (std::vector<SettingsPane>{SettingsPane::general, SettingsPane::shortcuts,
                                                                     SettingsPane::about, SettingsPane::shortcuts}));
}

TEST_F(SettingsWindowTest, ShowingBringsTheWindowToTheDisplayUnderThePointer) {
    QScreen* primary = QGuiApplication::primaryScreen();
    QCursor::setPos(primary, 100, 100);
    showWindow();
    QWidget* window = controller().settingsWindow();
    EXPECT_TRUE(primary->geometry().contains(window->geometry().center()));
    window->move(window->pos() + QPoint(-200, 30));
    const QPoint placed = window->pos();
    showWindow();
    EXPECT_EQ(window->pos(), placed) << "on the pointer's display already: it stays where the user left it";

    QScreen* hdmi = QGuiApplication::screens().at(2);
    QCursor::setPos(primary, 2880, 540);
    showWindow();
    const QRect available = hdmi->availableGeometry();
    using Controller = tessivar::SettingsWindowController;
    // Not framed here: centred with room for the frame a window manager adds.
    const QMargins frame = Controller::kUnframedAllowance;
    EXPECT_EQ(window->pos(), QPoint(available.x() + (available.width() - 620 - frame.left() - frame.right()) / 2,
                                    available.y() + (available.height() - 400 - frame.top() - frame.bottom()) / 2));
    EXPECT_EQ(window->size(), QSize(620, 400));

    EXPECT_EQ(Controller::placement(0, std::nullopt, {}, {620, 400}), std::nullopt) << "no display under the pointer";
    EXPECT_EQ(Controller::placement(-1, 1, {-1280, 300, 1280, 1024}, {620, 400}), QPoint(-950, 612));
    // The title bar stays on a display smaller than the window (1024 x 768 at twice the scale).
    const struct {
        QRect available;
        QPoint origin;
    } small[] = {
        {{0, 0, 512, 384}, {0, 0}},
        {{0, 24, 512, 360}, {0, 24}},
        {{1024, 0, 512, 700}, {1024, 150}},
        {{0, -300, 700, 384}, {40, -300}},
    };
    for (const auto& c : small)
        EXPECT_EQ(Controller::placement(-1, 1, c.available, {620, 400}), c.origin) << c.available.y();
    // It is made as large as such a display holds, its frame included.
    const struct {
        QRect available;
        QMargins frame;
        QSize size;
    } fitted[] = {
        {{0, 0, 512, 384}, {1, 20, 1, 1}, {510, 363}},
        {{0, 0, 1024, 384}, {1, 20, 1, 1}, {620, 363}},
        {{0, 0, 512, 768}, {0, 0, 0, 0}, {512, 400}},
        {{0, 0, 1920, 1080}, frame, {620, 400}},
    };
    for (const auto& c : fitted) EXPECT_EQ(Controller::fittedSize(c.available, c.frame), c.size) << c.available.width();
    QCursor::setPos(primary, 100, 100);
}

// Whether a picture shows anything: a theme's icon or the symbol drawn.
bool drawsSomething(const QPixmap& picture) {
    const QImage image = picture.toImage();
    int seen = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) seen += qAlpha(image.pixel(x, y)) > 64 ? 1 : 0;
    }
    return seen >= 10;
}

// The sidebar's rows, the Shortcuts footer and the About links each lead with
// their symbol, whether the desktop's icon theme has one or not.
TEST_F(SettingsWindowTest, EveryRowFooterAndLinkShowsItsSymbol) {
    showWindow();
    QListWidget* sidebar = view().sidebar();
    for (int row = 0; row < sidebar->count(); ++row) {
        EXPECT_TRUE(drawsSomething(sidebar->item(row)->icon().pixmap(16))) << "sidebar row " << row;
    }
    clickSidebar(SettingsPane::shortcuts);
    auto* shortcutsPane = pane<tessivar::ShortcutSettingsView>();
    ASSERT_NE(shortcutsPane, nullptr);
    int footerSymbols = 0;
    for (auto* label : shortcutsPane->findChildren<QLabel*>()) footerSymbols += drawsSomething(label->pixmap()) ? 1 : 0;
    EXPECT_EQ(footerSymbols, 1) << "the footer's information symbol";

    clickSidebar(SettingsPane::about);
    auto* about = pane<tessivar::AboutSettingsView>();
    ASSERT_NE(about, nullptr);
    ASSERT_EQ(about->links().size(), 3u);
    for (auto* link : about->links()) {
        int symbols = 0;
        for (auto* label : link->findChildren<QLabel*>()) symbols += drawsSomething(label->pixmap()) ? 1 : 0;
        EXPECT_EQ(symbols, 1) << link->findChildren<QLabel*>().size() << " labels";
    }
}

TEST_F(SettingsWindowTest, TheAboutPaneShowsTheVersionAndOpensItsLinks) {
    showWindow();
    clickSidebar(SettingsPane::about);
    auto* about = pane<tessivar::AboutSettingsView>();
    ASSERT_NE(about, nullptr);
    QStringList labels;
    for (auto* label : about->findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains(text("版本 1.0.0")));
    EXPECT_TRUE(labels.contains(text("Tessivar 是一款多屏光标跳转工具。")));
    const auto pictures = about->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(pictures.begin(), pictures.end(), [](const QLabel* label) {
        return label->pixmap().toImage() == tessivar::ApplicationIcon::pixmap(56).toImage();
    })) << "the application's icon, as the onboarding and the desktop show it";

    OpenedLinks opened;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &opened, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &opened, "open");
    for (auto* link : about->links()) QTest::mouseClick(link, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    ASSERT_EQ(opened.urls.size(), 3);
    EXPECT_EQ(opened.urls[2].scheme(), QStringLiteral("mailto"));
}

// The faces the window really draws its Chinese with, and a picture of each
// pane left beside the build for review.
TEST_F(SettingsWindowTest, TheChineseTextsRenderInTheCjkFaceAndThePanesArePictured) {
    showWindow();
    const QStringList faces = facesDrawing(text("通用设置 屏幕跳转快捷键"), controller().settingsWindow()->font());
    EXPECT_TRUE(faces.contains(QStringLiteral("Noto Sans CJK SC"))) << faces.join(QStringLiteral(", ")).toStdString();

    const std::pair<SettingsPane, const char*> panes[] = {
        {SettingsPane::general, "settings-general.png"},
        {SettingsPane::shortcuts, "settings-shortcuts.png"},
        {SettingsPane::about, "settings-about.png"},
    };
    for (const auto& [settingsPane, file] : panes) {
        clickSidebar(settingsPane);
        QApplication::processEvents();
        EXPECT_TRUE(controller().settingsWindow()->grab().save(screenshotPath(file))) << file;
    }
}

}  // namespace

#include "SettingsWindowTests.moc"
