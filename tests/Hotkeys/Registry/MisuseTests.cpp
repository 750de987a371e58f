// The package is main-thread only and works through the registry the program
// made. Both rules are checked in every kind of build: a test takes the reports
// that would stop a debug build.
#include <cstdlib>
#include <fstream>
#include <thread>

#include "HotkeysFixture.h"
#include "MisuseRecorder.h"
#include "Platform/Testing/LogCapture.h"

using hotkeys::Name;
using hotkeys::Shortcut;
using nlohmann::json;

namespace {

bool mentions(const std::vector<std::string>& reports, const std::string& text) {
    return std::any_of(reports.begin(), reports.end(),
                       [&](const std::string& report) { return report.find(text) != std::string::npos; });
}

// Runs the work on a thread of its own and waits for it.
void onAnotherThread(const std::function<void()>& work) { std::thread(work).join(); }

class OffTheMainThread : public HotkeysFixture {
protected:
    MisuseRecorder misuse;
};

// Each entry into the package from another thread is reported, naming the
// operation: the free functions, the registry's own operations, and the key
// events the hot-key service and the menu hand over.
TEST_F(OffTheMainThread, EveryWayInIsReportedWithItsName) {
    const Name name("name", optionDigit(1));
    int presses = 0;
    hotkeys::onKeyDown(name, [&presses] { ++presses; });
    openMenu();
    closeMenu();
    ASSERT_EQ(misuse.take(), std::vector<std::string>{}) << "the main thread is the owner";

    struct Row {
        std::string operation;
        std::function<void()> call;
    };
    const std::vector<Row> rows{
        {"onKeyDown", [&] { hotkeys::onKeyDown(name, [] {}); }},
        {"loadShortcut", [&] { hotkeys::getShortcut(name); }},
        {"isPaused", [&] { registry->isPaused(); }},
        {"setEnabled", [&] { registry->setEnabled(true); }},
        {"keyboardLayout", [&] { optionDigit(1).description(); }},
        {"handleEvent", [&] { press(optionDigit(1)); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.operation);
        onAnotherThread(row.call);
        const auto reports = misuse.take();
        ASSERT_FALSE(reports.empty());
        EXPECT_TRUE(mentions(reports, row.operation + " was called off the thread")) << reports.front();
        EXPECT_TRUE(mentions(reports,
                             "was called off the thread that made the shortcut registry; the package is "
                             "main-thread only"));
    }
    EXPECT_EQ(presses, 1) << "a release build carries on after the report";
}

TEST_F(OffTheMainThread, AStreamTokenMayBeDroppedAnywhere) {
    auto stream = hotkeys::events(Name("name", optionDigit(1)), [](hotkeys::EventType) {});
    mainQueue.drain();

    onAnotherThread([&stream] { stream.reset(); });
    mainQueue.drain();

    EXPECT_EQ(misuse.take(), std::vector<std::string>{}) << "only the main queue touches the registry";
}

// A settings file where the program's real one would be. Were the package to
// fall back to it, the record below would read as Option-1.
class NoRegistry : public ::testing::Test {
protected:
    NoRegistry() {
        const char* previous = std::getenv("XDG_CONFIG_HOME");
        if (previous != nullptr) previousConfigHome_ = previous;
        setenv("XDG_CONFIG_HOME", home_.path().c_str(), 1);
        std::filesystem::create_directories(realFile().parent_path());
        std::ofstream(realFile()) << json{{"Hotkeys_name", optionOne().encoded()}}.dump();
    }
    ~NoRegistry() override {
        if (previousConfigHome_) {
            setenv("XDG_CONFIG_HOME", previousConfigHome_->c_str(), 1);
        } else {
            unsetenv("XDG_CONFIG_HOME");
        }
    }
    std::filesystem::path realFile() const { return home_.path() / "com.brel.tessivar" / "defaults.json"; }
    static Shortcut optionOne() { return Shortcut(18, 2048); }
    std::string realSettings() const {
        std::ifstream file(realFile());
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

private:
    platform::TemporaryDirectory home_;
    std::optional<std::string> previousConfigHome_;
};

TEST_F(NoRegistry, EveryCallIsReportedAndDoesNothing) {
    MisuseRecorder misuse;
    const std::string settings = realSettings();
    const Name name("name");
    EXPECT_TRUE(mentions(misuse.take(), "initializeOnce was called")) << "making a name starts following the menus";
    struct Row {
        std::string function;
        std::function<bool()> answeredNothing;
    };
    const std::vector<Row> rows{
        {"getShortcut", [&] { return !hotkeys::getShortcut(name); }},
        {"loadShortcut", [&] { return !hotkeys::loadShortcut(name); }},
        {"hasStoredValue", [&] { return !hotkeys::hasStoredValue(name); }},
        {"storedNames", [] { return hotkeys::storedNames().empty(); }},
        {"saveShortcut",
         [&] {
             hotkeys::saveShortcut(Shortcut(19, 2048), name);
             return true;
         }},
        {"resetAll",
         [] {
             hotkeys::resetAll();
             return true;
         }},
        {"onKeyDown",
         [&] {
             hotkeys::onKeyDown(name, [] {});
             return true;
         }},
        {"isEnabled", [] { return !hotkeys::isEnabled(); }},
        {"pause", [] { return !hotkeys::pause(nullptr); }},
        {"events", [&] { return hotkeys::events(name, [](hotkeys::EventType) {}) == nullptr; }},
        {"registeredShortcuts", [] { return hotkeys::registeredShortcuts().empty(); }},
        {"keyToCharacter", [] { return optionOne().description() == "⌥\uFFFD"; }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.function);
        EXPECT_TRUE(row.answeredNothing());
        const auto reports = misuse.take();
        ASSERT_FALSE(reports.empty());
        EXPECT_TRUE(mentions(reports, row.function + " was called with no shortcut registry installed"))
            << reports.front();
    }
    EXPECT_EQ(realSettings(), settings) << "the real settings file is neither read nor written";
}

// The default handler logs the report and asserts: a debug build stops there,
// a release build logs the line and goes on.
TEST_F(NoRegistry, TheDefaultHandlerStopsADebugBuild) {
    platform::LogCapture log;
    EXPECT_DEBUG_DEATH(hotkeys::isMenuOpen(), "the shortcut package was used against its rules");
#ifdef NDEBUG
    EXPECT_TRUE(
        log.contains("[Hotkeys] isMenuOpen was called with no shortcut registry installed; "
                     "the program makes one at start-up, before the first shortcut name"));
#endif
}

}  // namespace
