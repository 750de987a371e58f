#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "LoopbackServer.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "tests/EndToEnd/DesktopSession.h"
#include "tests/support/DesktopCommands.h"
#include "tests/support/FolderChanges.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/X11WindowTree.h"
#include "tests/support/XorgDummyServer.h"

using namespace std::chrono_literals;
using nlohmann::json;
using tessivar::testing::TessivarProcess;
using zerazov::testing::LoopbackServer;

namespace {

constexpr const char* kToken = "zzk_Qw7TmR2vKx9bLp4NzHs6DfYc3JgUe8WaMk5VtXr1BnEk";

// Every event of every batch the server was sent, each with the batch's request.
struct ReceivedEvent {
    json event;
    zerazov::testing::RecordedRequest request;
};

std::vector<ReceivedEvent> receivedEvents(const LoopbackServer& server) {
    std::vector<ReceivedEvent> events;
    for (const auto& request : server.requests()) {
        if (request.path != "/batch") continue;
        const auto body = json::parse(request.body);
        for (const auto& event : body["batch"]) events.push_back({event, request});
    }
    return events;
}

std::optional<ReceivedEvent> received(const LoopbackServer& server, const std::string& name) {
    for (auto& event : receivedEvents(server)) {
        if (event.event["event"] == name) return event;
    }
    return std::nullopt;
}

std::filesystem::path projectFolder(const std::filesystem::path& home) {
    return home / "data" / "com.brel.tessivar" / kToken;
}

std::filesystem::path queueFolder(const std::filesystem::path& home) {
    return projectFolder(home) / "zerazov.queueFolder.uuid";
}

long receivedCount(const LoopbackServer& server, const std::string& name) {
    const auto events = receivedEvents(server);
    return std::count_if(events.begin(), events.end(),
                         [&](const ReceivedEvent& event) { return event.event["event"] == name; });
}

// Every stored event, as the queue left it on disk: in its folder, or in the
// one beside it while a file stands in the folder's place.
std::vector<json> queuedRecords(const std::filesystem::path& home) {
    std::vector<json> records;
    for (auto folder : {queueFolder(home), queueFolder(home) += ".aside"}) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
            if (!entry.is_regular_file()) continue;  // the queue's folder of spare files
            auto event = json::parse(std::ifstream(entry.path()), nullptr, false);
            if (event.is_object()) records.push_back(std::move(event));
        }
    }
    return records;
}

// The stored events with that name.
std::vector<json> queuedEvents(const std::filesystem::path& home, const std::string& name) {
    std::vector<json> events;
    for (auto& event : queuedRecords(home)) {
        if (event.value("event", "") == name) events.push_back(std::move(event));
    }
    return events;
}

std::vector<std::string> queuedUuids(const std::filesystem::path& home, const std::string& name) {
    std::vector<std::string> uuids;
    for (const auto& event : queuedEvents(home, name)) uuids.push_back(event["uuid"]);
    return uuids;
}

// The onboarding window (640 x 460) once it is shown; the program's class is its file's name.
std::optional<unsigned long> onboardingWindowId(const tessivar::testing::X11WindowTree& tree) {
    for (const auto& window : tree.windows()) {
        if (window.viewable && window.topLevel && !window.overrideRedirect && window.width == 640 &&
            window.height == 460) {
            return window.id;
        }
    }
    return std::nullopt;
}

// However busy the machine: a guard against a hang, not a pace.
constexpr auto kDeliveryBound = 30s;

// Waits until the server has taken the launch's first batch, and every batch
// since, and the program has had the answers (no event of those batches is on
// disk any more). The quit asks for one flush, and a flush asked for while an
// upload is on its way is not made: a test that expects the quit to send its
// events must not quit before this, whatever the log already says.
bool batchesTaken(const LoopbackServer& server, const std::filesystem::path& home) {
    return tessivar::testing::waitUntil(
        [&] {
            const auto sent = receivedEvents(server);
            if (sent.empty()) return false;
            std::set<std::string> queued;
            for (const auto& record : queuedRecords(home)) queued.insert(record.value("uuid", ""));
            return std::none_of(sent.begin(), sent.end(), [&](const ReceivedEvent& event) {
                return queued.contains(event.event["uuid"].get<std::string>());
            });
        },
        kDeliveryBound);
}

int quit(TessivarProcess& tessivar) {
    const int status = tessivar.terminate();
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The program built to send its analytics to a loopback host: its events arrive in
// a gzip batch, and an "app_quit" that could not go out before the program ended
// goes out with the next launch.
TEST(TessivarProgram, SendsItsEventsAndWhatQuittingCouldNotSendGoesOutWithTheNextLaunch) {
    tessivar::testing::XorgDummyServer display;
    if (auto error = display.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}})) {
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    }
    platform::TemporaryDirectory home;
    const TessivarProcess::Home sameHome{home.path()};
    {
        LoopbackServer ingestion(LoopbackServer::Scheme::http, TESSIVAR_TEST_ANALYTICS_PORT);
        TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(), sameHome);
        ASSERT_TRUE(tessivar.waitForLine("✓ Hotkeys 监听已启动", 15s));
        ASSERT_TRUE(tessivar.waitForLine("[Tessivar-Analytics] Captured: app_opened", 15s));
        ASSERT_EQ(tessivar::testing::pressKeys(display.displayName(), "alt+2"), "");
        ASSERT_TRUE(tessivar.waitForLine("Captured: jump_triggered (trigger: hotkey, bucket: 2)", 5s));
        ASSERT_TRUE(batchesTaken(ingestion, home.path()));
        EXPECT_EQ(quit(tessivar), 0);

        EXPECT_TRUE(received(ingestion, "app_opened"));
        const auto jump = received(ingestion, "jump_triggered");
        ASSERT_TRUE(jump) << "sent at quit, within its bounded wait";
        EXPECT_EQ(jump->event["properties"]["trigger"], "hotkey");
        EXPECT_EQ(jump->event["properties"]["display_count_bucket"], "2");
        EXPECT_EQ(jump->event["properties"]["product"], "Tessivar");
        EXPECT_TRUE(jump->event["distinct_id"].get<std::string>().starts_with("instance_tv_"));
        EXPECT_EQ(jump->request.header("Content-Encoding"), "gzip");
        EXPECT_EQ(json::parse(jump->request.body)["api_key"], kToken);
        EXPECT_TRUE(received(ingestion, "app_quit"));
    }
    std::vector<std::string> unsent;
    {
        // Nothing listens: the program keeps jumping, the quit's flush fails and its events stay on disk.
        tessivar::testing::X11Observer observer(display.displayName());
        ASSERT_TRUE(observer.warpPointer({300, 200}));
        TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(), sameHome);
        ASSERT_TRUE(tessivar.waitForLine("✓ Hotkeys 监听已启动", 15s));
        ASSERT_TRUE(tessivar.waitForLine("[Tessivar-Analytics] Captured: app_opened", 15s));
        ASSERT_EQ(tessivar::testing::pressKeys(display.displayName(), "alt+2"), "");
        EXPECT_TRUE(tessivar::testing::waitUntil(
            [&] {
                return observer.pointer() == tessivar::testing::PointerPosition{2880, 540};
            },
            5s));
        EXPECT_EQ(quit(tessivar), 0);
        unsent = queuedUuids(home.path(), "app_quit");
        ASSERT_EQ(unsent.size(), 1u);
    }
    LoopbackServer ingestion(LoopbackServer::Scheme::http, TESSIVAR_TEST_ANALYTICS_PORT);
    TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(), sameHome);
    const auto lastQuitSent = [&] {
        const auto events = receivedEvents(ingestion);
        return std::any_of(events.begin(), events.end(),
                           [&](const ReceivedEvent& event) { return event.event["uuid"] == unsent[0]; });
    };
    EXPECT_TRUE(tessivar::testing::waitUntil(lastQuitSent, kDeliveryBound))
        << "the last launch's app_quit went out with this one";
    EXPECT_EQ(quit(tessivar), 0);
}

// The ids of the events in the batches the server took, and how many batches
// held the refused event (each answered 413).
struct Deliveries {
    std::set<std::string> taken;
    long refusedBatches = 0;
    long refusedAlone = 0;
};

Deliveries deliveries(const LoopbackServer& server, const std::string& refused) {
    Deliveries seen;
    for (const auto& request : server.requests()) {
        if (request.path != "/batch") continue;
        const auto batch = json::parse(request.body)["batch"];
        if (request.body.find(refused) != std::string::npos) {
            ++seen.refusedBatches;
            seen.refusedAlone += batch.size() == 1 ? 1 : 0;
            continue;
        }
        for (const auto& event : batch) seen.taken.insert(event["uuid"].get<std::string>());
    }
    return seen;
}

// A server that answers 413 (too large) to every batch holding the refused event
// and takes every other. Until one is given, the refused event is the first of
// the first batch the server is sent: the head of the queue, as the queue sees it.
void refuseAsTooLarge(LoopbackServer& server, const std::shared_ptr<std::string>& refused) {
    auto lock = std::make_shared<std::mutex>();
    server.answer([refused, lock](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard guard(*lock);
        if (refused->empty() && request.path == "/batch") *refused = json::parse(request.body)["batch"][0]["uuid"];
        if (!refused->empty() && request.body.find(*refused) != std::string::npos) {
            response.status = 413;
            return;
        }
        response.set_content("{}", "application/json");
    });
}

// An event that no server takes (413 even alone) is let go once the batches are
// down to one event: the events behind it go out, and a later launch does not
// send it again.
TEST(TessivarProgram, AnEventTheServerRefusesAloneAsTooLargeHoldsBackNoOther) {
    tessivar::testing::XorgDummyServer display;
    if (auto error = display.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}})) {
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    }
    platform::TemporaryDirectory home;
    const TessivarProcess::Home sameHome{home.path()};
    // Nothing listens: enough events wait on disk that the next launch's first
    // event starts a flush (the queue flushes at 20).
    {
        TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(), sameHome);
        ASSERT_TRUE(tessivar.waitForLine("[Tessivar-Analytics] Captured: app_opened", 15s));
        for (long jumps = 1; jumps <= 20; ++jumps) {
            ASSERT_EQ(tessivar::testing::pressKeys(display.displayName(), jumps % 2 ? "alt+2" : "alt+1"), "");
            ASSERT_TRUE(tessivar::testing::waitUntil(
                [&] { return tessivar.countLines("Captured: jump_triggered") == jumps; }, 5s));
        }
        EXPECT_EQ(quit(tessivar), 0);
    }
    std::set<std::string> stored;
    for (const auto& event : queuedRecords(home.path())) stored.insert(event["uuid"].get<std::string>());
    ASSERT_GE(stored.size(), 22u);

    // Each 413 halves the batch, and each jump's event starts the next flush.
    const auto refused = std::make_shared<std::string>();
    Deliveries first;
    {
        LoopbackServer ingestion(LoopbackServer::Scheme::http, TESSIVAR_TEST_ANALYTICS_PORT);
        refuseAsTooLarge(ingestion, refused);
        TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(), sameHome);
        ASSERT_TRUE(tessivar.waitForLine("[Tessivar-Analytics] Captured: app_opened", 15s));
        for (long jumps = 1; jumps <= 12 && deliveries(ingestion, *refused).refusedAlone == 0; ++jumps) {
            ASSERT_EQ(tessivar::testing::pressKeys(display.displayName(), jumps % 2 ? "alt+2" : "alt+1"), "");
            tessivar::testing::waitUntil([&] { return tessivar.countLines("Captured: jump_triggered") == jumps; }, 5s);
            tessivar::testing::waitUntil(
                [&] { return ingestion.requests().size() >= static_cast<std::size_t>(jumps + 1); }, 2s);
        }
        EXPECT_EQ(quit(tessivar), 0);
        first = deliveries(ingestion, *refused);
    }
    ASSERT_TRUE(stored.contains(*refused)) << "the head was an event of the first launch";
    EXPECT_EQ(first.refusedAlone, 1) << "sent alone once, refused, and let go";
    for (const auto& event : queuedRecords(home.path())) EXPECT_NE(event["uuid"], *refused);

    LoopbackServer ingestion(LoopbackServer::Scheme::http, TESSIVAR_TEST_ANALYTICS_PORT);
    refuseAsTooLarge(ingestion, refused);
    TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(), sameHome);
    // Quit once every event of the first launch has arrived and this launch's
    // own have been taken: the quit's flush may find an upload on its way.
    ASSERT_TRUE(batchesTaken(ingestion, home.path()));
    const auto everyOtherArrived = [&] {
        const auto now = deliveries(ingestion, *refused);
        return std::all_of(stored.begin(), stored.end(), [&](const std::string& uuid) {
            return uuid == *refused || first.taken.contains(uuid) || now.taken.contains(uuid);
        });
    };
    EXPECT_TRUE(tessivar::testing::waitUntil(everyOtherArrived, kDeliveryBound));
    EXPECT_EQ(quit(tessivar), 0);
    const auto second = deliveries(ingestion, *refused);
    EXPECT_EQ(second.refusedBatches, 0) << "the refused event was sent again after a relaunch";
    EXPECT_FALSE(second.taken.empty());
    for (const auto& uuid : stored) {
        if (uuid == *refused) continue;
        EXPECT_TRUE(first.taken.contains(uuid) || second.taken.contains(uuid)) << uuid << " never arrived";
    }
}

// A first launch greets the user with the onboarding on the pointer's display, the
// primary here. Events sent before any window of the program had the keyboard carry
// no screen size; once the onboarding has it, they carry its display's size (the
// primary is the smaller display, so the size tells which was measured).
TEST(TessivarProgram, EventsOnceTheOnboardingHasTheKeyboardCarryItsDisplaysSize) {
    tessivar::testing::XorgDummyServer display;
    if (auto error = display.start({{1600, 900, 0, 0}, {1920, 1080, 1600, 0}})) {
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    }
    tessivar::testing::X11Observer observer(display.displayName());
    ASSERT_TRUE(observer.warpPointer({800, 450}));
    const tessivar::testing::X11WindowTree tree(display.displayName());
    const tessivar::testing::DesktopSession session(display.displayName());
    platform::TemporaryDirectory home;
    std::filesystem::create_directories(home.path() / "config" / "com.brel.tessivar");
    std::ofstream(home.path() / "config" / "com.brel.tessivar" / "defaults.json")
        << R"({"hasCompletedOnboarding": false})";
    LoopbackServer ingestion(LoopbackServer::Scheme::http, TESSIVAR_TEST_ANALYTICS_PORT);
    TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(),
                             TessivarProcess::Home{home.path()});
    ASSERT_TRUE(batchesTaken(ingestion, home.path()));
    std::optional<unsigned long> onboarding;
    ASSERT_TRUE(tessivar::testing::waitUntil([&] { return (onboarding = onboardingWindowId(tree)).has_value(); }, 15s));
    ASSERT_TRUE(tessivar::testing::waitUntil(
        [&] {
            auto focus = session.xdotool("getwindowfocus").output;
            return focus.substr(0, focus.find_first_of(" \n")) == std::to_string(*onboarding);
        },
        5s))
        << "the onboarding never got the keyboard";
    // The hot key comes on a connection of the program's own, so a jump may be
    // heard before Qt has taken in where the keyboard went: jump until one is
    // stored with a screen size.
    const auto measured = [&] {
        const auto jumps = queuedEvents(home.path(), "jump_triggered");
        return std::any_of(jumps.begin(), jumps.end(),
                           [](const json& jump) { return jump["properties"].contains("$screen_width"); });
    };
    for (long jumps = 1; jumps <= 5 && !measured(); ++jumps) {
        ASSERT_EQ(tessivar::testing::pressKeys(display.displayName(), jumps % 2 ? "alt+2" : "alt+1"), "");
        ASSERT_TRUE(
            tessivar::testing::waitUntil([&] { return tessivar.countLines("Captured: jump_triggered") == jumps; }, 5s));
        tessivar::testing::waitUntil(
            [&] { return static_cast<long>(queuedEvents(home.path(), "jump_triggered").size()) == jumps; }, 2s);
    }
    ASSERT_TRUE(batchesTaken(ingestion, home.path()));
    EXPECT_EQ(quit(tessivar), 0);

    const auto events = receivedEvents(ingestion);
    const auto opened = received(ingestion, "app_opened");
    ASSERT_TRUE(opened);
    EXPECT_FALSE(opened->event["properties"].contains("$screen_width")) << "sent before any window had the keyboard";
    long sized = 0;
    for (const auto& event : events) {
        const auto& properties = event.event["properties"];
        if (event.event["event"] != "jump_triggered" || !properties.contains("$screen_width")) continue;
        ++sized;
        EXPECT_EQ(properties["$screen_width"], 1600);
        EXPECT_EQ(properties["$screen_height"], 900);
    }
    EXPECT_GE(sized, 1) << "no jump carried a screen size";
}

// Every folder the program makes is its owner's alone, whatever the file-mode
// mask it was started with; its files too.
TEST(TessivarProgram, EveryFolderItMakesIsPrivateUnderAnOpenFileModeMask) {
    tessivar::testing::XorgDummyServer display;
    if (auto error = display.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    platform::TemporaryDirectory home;
    {
        LoopbackServer ingestion(LoopbackServer::Scheme::http, TESSIVAR_TEST_ANALYTICS_PORT);
        TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(),
                                 TessivarProcess::Home{home.path(), "tessivar.log", 0});
        ASSERT_TRUE(batchesTaken(ingestion, home.path()));
        EXPECT_EQ(quit(tessivar), 0);
        ASSERT_TRUE(received(ingestion, "app_quit")) << "a sent event's file is kept as a spare";
    }
    const auto project = std::filesystem::path("data") / "com.brel.tessivar" / kToken;
    const struct {
        std::filesystem::path path;
        mode_t mode;
    } expected[] = {
        {"config", 0700},
        {std::filesystem::path("config") / "com.brel.tessivar", 0700},
        {std::filesystem::path("config") / "com.brel.tessivar" / "defaults.json", 0600},
        {"data", 0700},
        {std::filesystem::path("data") / "com.brel.tessivar", 0700},
        {project, 0700},
        {project / "zerazov.queueFolder.uuid", 0700},
        {project / "zerazov.queueFolder.uuid" / ".spare", 0700},
        {project / "zerazov.logsFolder", 0700},
        {project / "zerazov.replayFolder.uuid", 0700},
        {project / "zerazov.replayBufferFolder", 0700},
        {project / "zerazov.anonymousId", 0600},
    };
    for (const auto& [path, mode] : expected) {
        struct stat info {};
        ASSERT_EQ(::lstat((home.path() / path).c_str(), &info), 0) << path << " was not made";
        EXPECT_EQ(info.st_mode & 07777, mode) << path;
    }
}

// A link where the queue's folder of spare files should be (to a folder of the
// user's) is left alone: nothing in what it names is deleted, and no record
// file is moved there.
TEST(TessivarProgram, LeavesAloneALinkWhereTheQueuesSpareFolderShouldBe) {
    tessivar::testing::XorgDummyServer display;
    if (auto error = display.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}})) {
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    }
    platform::TemporaryDirectory home;
    const auto elsewhere = home.path() / "elsewhere";
    std::filesystem::create_directories(elsewhere / "inner");
    std::ofstream(elsewhere / "notes.txt") << "mine";
    std::ofstream(elsewhere / "inner" / "more.txt") << "also mine";
    std::filesystem::create_directories(queueFolder(home.path()));
    std::filesystem::create_directory_symlink(elsewhere, queueFolder(home.path()) / ".spare");
    std::filesystem::create_directories(home.path() / "config" / "com.brel.tessivar");
    std::ofstream(home.path() / "config" / "com.brel.tessivar" / "defaults.json")
        << R"({"hasCompletedOnboarding": true})";

    for (int launch = 1; launch <= 2; ++launch) {
        LoopbackServer ingestion(LoopbackServer::Scheme::http, TESSIVAR_TEST_ANALYTICS_PORT);
        TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(),
                                 TessivarProcess::Home{home.path()});
        ASSERT_TRUE(tessivar.waitForLine("✓ Hotkeys 监听已启动", 15s));
        ASSERT_EQ(tessivar::testing::pressKeys(display.displayName(), "alt+2"), "");
        ASSERT_TRUE(tessivar.waitForLine("Captured: jump_triggered", 5s));
        ASSERT_TRUE(batchesTaken(ingestion, home.path())) << "launch " << launch;
        EXPECT_EQ(quit(tessivar), 0);
        EXPECT_TRUE(received(ingestion, "jump_triggered")) << "launch " << launch;
        EXPECT_TRUE(received(ingestion, "app_quit")) << "launch " << launch;
    }
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(elsewhere)) {
        left.push_back(std::filesystem::relative(entry.path(), elsewhere).string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"inner", "inner/more.txt", "notes.txt"}));
    EXPECT_TRUE(std::filesystem::is_symlink(queueFolder(home.path()) / ".spare"));
}

// What a folder holds, each file's path (relative to it) with its text.
std::map<std::string, std::string> contentsOf(const std::filesystem::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        contents[std::filesystem::relative(entry.path(), folder).string()] =
            entry.is_regular_file() ? std::string(std::istreambuf_iterator<char>(in), {}) : "(folder)";
    }
    return contents;
}

// A link where one of the program's own files should be never takes a write
// elsewhere: a stored value's link is replaced by the value's own file, a
// linked settings folder is left alone and saves nothing, and a linked lock file
// is left alone and the settings are saved unguarded, with a line that says so.
TEST(TessivarProgram, WritesNoFileThroughALinkWhereOneOfItsOwnShouldBe) {
    tessivar::testing::XorgDummyServer display;
    if (auto error = display.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    namespace fs = std::filesystem;
    const fs::path settings = fs::path("config") / "com.brel.tessivar";
    const fs::path project = fs::path("data") / "com.brel.tessivar" / kToken;
    struct Row {
        const char* what;
        fs::path link;      // below the home
        bool linksAFolder;  // else a file "mine" of the user's
        std::string line;   // logged, with the home's path for "~"
    };
    const std::vector<Row> rows{
        {"a stored value", project / "zerazov.distinctId", false, "✓ AnalyticsManager 初始化成功"},
        {"the anonymous id's file", project / "zerazov.anonymousId", false, "✓ AnalyticsManager 初始化成功"},
        {"the settings folder", settings, true,
         "[Tessivar] ✗ 无法写入设置文件 ~/config/com.brel.tessivar/defaults.json: ~/config/com.brel.tessivar is a "
         "symbolic link, not a folder; left alone"},
        {"the settings lock", settings / "defaults.json.lock", false,
         "[Tessivar] ⚠️ 设置文件未能加锁，已在无锁状态下保存 "
         "~/config/com.brel.tessivar/defaults.json: "
         "~/config/com.brel.tessivar/defaults.json.lock is a symbolic link, not a lock file; left alone"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        platform::TemporaryDirectory home;
        const fs::path elsewhere = home.path() / "elsewhere";
        fs::create_directories(elsewhere);
        fs::create_directories((home.path() / row.link).parent_path());
        fs::create_directories(home.path() / settings);
        std::ofstream((row.linksAFolder ? elsewhere : home.path() / settings) / "defaults.json")
            << R"({"hasCompletedOnboarding": true})";
        if (row.linksAFolder) {
            fs::remove_all(home.path() / row.link);
            fs::create_directory_symlink(elsewhere, home.path() / row.link);
        } else {
            std::ofstream(elsewhere / "mine") << "the user's own";
            fs::create_symlink(elsewhere / "mine", home.path() / row.link);
        }
        const auto before = contentsOf(elsewhere);
        std::string line = row.line;
        for (auto at = line.find('~'); at != std::string::npos; at = line.find('~')) line.replace(at, 1, home.path());

        LoopbackServer ingestion(LoopbackServer::Scheme::http, TESSIVAR_TEST_ANALYTICS_PORT);
        TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(),
                                 TessivarProcess::Home{home.path()});
        ASSERT_TRUE(tessivar.waitForLine("[Tessivar-Analytics] Captured: app_opened", 15s));
        EXPECT_EQ(quit(tessivar), 0);
        EXPECT_EQ(tessivar.countLines(line), 1) << line;
        const auto opened = received(ingestion, "app_opened");
        ASSERT_TRUE(opened);

        EXPECT_EQ(contentsOf(elsewhere), before) << "nothing written, made or renamed through the link";
        struct stat info {};
        ASSERT_EQ(::lstat((home.path() / row.link).c_str(), &info), 0);
        if (row.link.parent_path() == project) {
            EXPECT_TRUE(S_ISREG(info.st_mode)) << "the value's own file replaces the link";
            EXPECT_EQ(info.st_mode & 07777, 0600u);
            std::ifstream in(home.path() / row.link);
            const auto stored = json::parse(in, nullptr, false);
            ASSERT_TRUE(stored.is_object()) << stored.dump();
            if (row.link.filename() == "zerazov.distinctId") {
                EXPECT_EQ(stored.value("zerazov.distinctId", ""), opened->event["distinct_id"]);
            }
            continue;
        }
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << "the link is left alone";
        std::ifstream in(home.path() / settings / "defaults.json");
        const auto saved = json::parse(in, nullptr, false);
        EXPECT_EQ(saved.contains("Hotkeys_jumpToScreen1"), !row.linksAFolder) << saved.dump();
    }
}

// The queue's folder removed, or moved away and replaced, while the program
// runs: every jump after that and the quit still reach the server.
TEST(TessivarProgram, EventsAfterTheQueueFolderIsRemovedOrReplacedStillGoOut) {
    tessivar::testing::XorgDummyServer display;
    if (auto error = display.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}})) {
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    }
    namespace fs = std::filesystem;
    constexpr long jumps = 12;
    for (const auto& [change, apply] : tessivar::testing::folderChanges) {
        platform::TemporaryDirectory home;
        fs::create_directories(home.path() / "config" / "com.brel.tessivar");
        std::ofstream(home.path() / "config" / "com.brel.tessivar" / "defaults.json")
            << R"({"hasCompletedOnboarding": true})";
        LoopbackServer ingestion(LoopbackServer::Scheme::http, TESSIVAR_TEST_ANALYTICS_PORT);
        TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(),
                                 TessivarProcess::Home{home.path()});
        ASSERT_TRUE(tessivar.waitForLine("✓ Hotkeys 监听已启动", 15s));
        ASSERT_TRUE(batchesTaken(ingestion, home.path()));
        ASSERT_TRUE(fs::is_directory(queueFolder(home.path())));
        apply(queueFolder(home.path()));
        for (long jump = 1; jump <= jumps; ++jump) {
            ASSERT_EQ(tessivar::testing::pressKeys(display.displayName(), "alt+2"), "");
            ASSERT_TRUE(tessivar::testing::waitUntil(
                [&] { return tessivar.countLines("Captured: jump_triggered") == jump; }, 5s));
        }
        ASSERT_TRUE(batchesTaken(ingestion, home.path()));
        EXPECT_EQ(quit(tessivar), 0);
        EXPECT_EQ(receivedCount(ingestion, "jump_triggered"), jumps) << change;
        EXPECT_TRUE(received(ingestion, "app_quit")) << change;
    }
}

}  // namespace

namespace {

// Whether a server took the events of a quit right after the launch, and what the quit logged.
struct QuickQuit {
    bool serverUp;
    const char* line;
};

bool batchArrived(const LoopbackServer& server) {
    const auto requests = server.requests();
    return std::any_of(requests.begin(), requests.end(), [](const auto& request) { return request.path == "/batch"; });
}

// A quit right after the launch, while the launch's own first upload is under way
// (its answer held back until the quit has stored "app_quit"): the quit's bounded
// wait covers that upload and then sends the rest. Its line says "flushed
// successfully" only when the server answered.
TEST(TessivarProgram, AQuitRightAfterTheLaunchSaysWhetherItsEventsWentOut) {
    tessivar::testing::XorgDummyServer display;
    if (auto error = display.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}})) {
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    }
    constexpr const char* sent = "Captured: app_quit (flushed successfully)";
    constexpr const char* kept = "Captured: app_quit (not sent yet: the events wait on disk for the next launch)";
    for (const auto& row : {QuickQuit{true, sent}, QuickQuit{false, kept}}) {
        platform::TemporaryDirectory home;
        std::optional<LoopbackServer> ingestion;
        if (row.serverUp) ingestion.emplace(LoopbackServer::Scheme::http, TESSIVAR_TEST_ANALYTICS_PORT);
        if (ingestion) ingestion->holdAnswers();
        TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(),
                                 TessivarProcess::Home{home.path()});
        ASSERT_TRUE(tessivar.waitForLine("Tessivar 已启动", 15s));
        std::thread releaser;
        if (ingestion) {
            ASSERT_TRUE(tessivar::testing::waitUntil([&] { return batchArrived(*ingestion); }, 10s));
            releaser = std::thread([&] {
                tessivar::testing::waitUntil([&] { return !queuedEvents(home.path(), "app_quit").empty(); }, 10s);
                ingestion->release();
            });
        }
        EXPECT_EQ(quit(tessivar), 0);
        if (releaser.joinable()) releaser.join();
        EXPECT_EQ(tessivar.countLines(row.line), 1) << "server up: " << row.serverUp;
        EXPECT_EQ(tessivar.countLines(row.serverUp ? kept : sent), 0) << "server up: " << row.serverUp;
        EXPECT_EQ(queuedEvents(home.path(), "app_quit").empty(), row.serverUp) << "server up: " << row.serverUp;
        if (!ingestion) continue;
        EXPECT_TRUE(received(*ingestion, "app_opened"));
        EXPECT_TRUE(received(*ingestion, "app_quit"));
    }
}

// The X server going away ends the program (status 1, saying why) through its own
// shut-down: the jump it still held back (jumps are written once the presses
// pause) and "app_quit" go out before it ends.
TEST(TessivarProgram, WhenTheXServerGoesAwayTheHeldJumpAndTheQuitStillGoOut) {
    tessivar::testing::XorgDummyServer display;
    if (auto error = display.start({{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}})) {
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    }
    platform::TemporaryDirectory home;
    LoopbackServer ingestion(LoopbackServer::Scheme::http, TESSIVAR_TEST_ANALYTICS_PORT);
    TessivarProcess tessivar(TESSIVAR_LOOPBACK_ANALYTICS_BINARY, display.displayName(),
                             TessivarProcess::Home{home.path()});
    ASSERT_TRUE(tessivar.waitForLine("[Tessivar-Analytics] Captured: app_opened", 15s));
    ASSERT_EQ(tessivar::testing::pressKeys(display.displayName(), "alt+2"), "");
    ASSERT_TRUE(tessivar.waitForLine("移动成功", 5s));
    display.stop();
    const auto status = tessivar.waitForExit(15s);
    ASSERT_TRUE(status) << "still running without its X server";
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1) << "wait status " << *status;
    EXPECT_EQ(tessivar.countLines("与 X 服务器的连接已断开"), 1);
    EXPECT_EQ(receivedCount(ingestion, "jump_triggered"), 1);
    EXPECT_TRUE(received(ingestion, "app_quit"));
}

}  // namespace
