#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "ClientHarness.h"
#include "CrashReporter/Platform/zzcrash_exception_ports.h"
#include "CrashReporter/Platform/zzcrash_thread_stacks.h"
#include "CrashReporter/ZZCrashReporterBundle.h"
#include "Platform/Foundation/SerialQueue.h"
#include "Platform/Foundation/ThreadStart.h"
#include "ZeraZov/Client/Integrations/Private/ZeraZovErrorTrackingAutoCaptureIntegration.h"
#include "ZeraZov/Core/Flags/ZeraZovRemoteConfig.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Delivery/Api/ZeraZovHttpTransport.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueHousekeeper.h"
#include "tests/support/UnreadableFiles.h"
#include "tests/support/WaitUntil.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;
using Integration = ZeraZovErrorTrackingAutoCaptureIntegration;

constexpr const char* integrationName = "ZeraZovErrorTrackingAutoCaptureIntegration";
constexpr const char* debuggerLine =
    "Crash handler is disabled because a debugger is attached. Crashes will be caught by the debugger instead.";

json contextIn(const ZZCrashReporter& reporter) {
    const auto& data = reporter.customData();
    return data ? json::parse(data->begin(), data->end()) : json();
}

// Clients whose auto-capture integration keeps its reporter in the test's folder
// and holds a slot of the test's own. The reporter installs no handler, and unless
// a test says otherwise the integration believes a debugger is attached, so this
// process's crash handling is left alone.
class AutoCaptureTest : public ::testing::Test {
protected:
    // What an earlier run stored of the server's answer.
    void storeRemoteAnswer(bool autocaptureExceptions, const std::string& token = testProjectToken) {
        ZeraZovStorage(h.folder.path(), token)
            .setJSON(ZeraZovStorage::StorageKey::errorTracking, {{"autocaptureExceptions", autocaptureExceptions}});
    }

    std::unique_ptr<ZZCrashReporter> makeReporter() const {
        return ZZCrashReporter::withBundle({"com.brel.tessivar.tests", "7", std::nullopt},
                                           ZZCrashReporterConfig(handlerType, 0, false, h.folder.path().string()));
    }

    // With `lifecycle`, the application-lifecycle integration is asked for too; with
    // `remote`, the remote configuration is asked of the harness's server.
    std::shared_ptr<ZeraZovSDK> client(bool lifecycle = false, const std::string& token = testProjectToken,
                                       bool remote = false) {
        auto config = h.config(token);
        config->disableRemoteConfigForTesting = !remote;
        config->preloadFeatureFlags = !remote;
        config->errorTrackingConfig.autoCapture = true;
        config->captureApplicationLifecycleEvents = lifecycle;
        auto environment = h.environment();
        environment.makeIntegration = [this](ZeraZovIntegrationKind kind) -> std::shared_ptr<ZeraZovIntegration> {
            if (kind != ZeraZovIntegrationKind::errorTrackingAutoCapture) return nullptr;
            auto integration = std::make_shared<Integration>(
                Integration::Dependencies{slot,
                                          [this] {
                                              if (failReporter) throw std::runtime_error("no reporter today");
                                              auto reporter = makeReporter();
                                              reporters.push_back(reporter.get());
                                              return reporter;
                                          },
                                          [this] { return debuggerAttached; }});
            integrations.push_back(integration);
            return integration;
        };
        return ZeraZovSDK::with(config, environment);
    }

    // A report that a crash of an earlier run left: a live report of this process
    // carrying the crash context, when there is one.
    std::filesystem::path leavePendingReport(const std::optional<json>& context) {
        return leavePendingReportCarrying(context ? std::optional(context->dump()) : std::nullopt);
    }

    std::filesystem::path leavePendingReportCarrying(const std::optional<std::string>& customData) {
        const auto reporter = makeReporter();
        if (customData) reporter->setCustomData(std::vector<std::uint8_t>(customData->begin(), customData->end()));
        const auto bytes = reporter->generateLiveReport();
        EXPECT_TRUE(bytes && reporter->populateCrashReportDirectory());
        std::ofstream(reporter->crashReportPath(), std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
        return reporter->crashReportPath();
    }

    std::vector<std::string> loggedInOrder(const std::vector<std::string>& wanted) const {
        std::vector<std::string> found;
        for (const auto& line : h.logs.lines()) {
            for (const auto& text : wanted) {
                if (line == "[ZeraZov] " + text) found.push_back(text);
            }
        }
        return found;
    }

    ClientHarness h;
    ZeraZovInstallSlot slot;
    static constexpr unsigned noHandler = 2;
    unsigned handlerType = noHandler;
    bool debuggerAttached = true;
    bool failReporter = false;
    std::vector<ZZCrashReporter*> reporters;  // owned by the integrations
    std::vector<std::shared_ptr<Integration>> integrations;
};

TEST_F(AutoCaptureTest, InstallsOncePerProcessWhereTheRemoteConfigurationAllowsIt) {
    // No answer stored yet: the remote configuration does not allow it.
    auto first = client();
    EXPECT_TRUE(h.logged(std::string("Integration ") + integrationName + " skipped: Disabled in remote config"));
    EXPECT_TRUE(first->installedIntegrations().empty());
    first->close();

    storeRemoteAnswer(false);
    first = client();
    EXPECT_TRUE(first->installedIntegrations().empty()) << "an answer that turned it off";
    first->close();

    storeRemoteAnswer(true);
    storeRemoteAnswer(true, "zzk_second");
    first = client();
    EXPECT_TRUE(h.logged(std::string("Integration ") + integrationName + " installed"));
    EXPECT_TRUE(h.logged(debuggerLine));
    EXPECT_EQ(reporters.size(), 1u);

    auto second = client(false, "zzk_second");
    EXPECT_TRUE(h.logged(std::string("Integration ") + integrationName +
                         " skipped: Already installed to another ZeraZovSDK instance"));
    EXPECT_TRUE(second->installedIntegrations().empty());

    // Once the first lets go, the second's next installation takes it.
    first->optOut();
    second->optOut();
    second->optIn();
    EXPECT_EQ(second->installedIntegrations().size(), 1u);
    EXPECT_EQ(reporters.size(), 2u);
    first->close();
    second->close();
}

// Auto-capture is installed only at set-up, from the answer an earlier run stored:
// each launch's answer decides whether the next launch installs it.
TEST_F(AutoCaptureTest, TheServersAnswerDecidesWhetherTheNextLaunchInstalls) {
    struct Case {
        const char* what;
        json errorTracking;
        bool installs;
    };
    const std::vector<Case> cases{
        {"the Boolean form on", true, true},
        {"the Boolean form off, after one on", false, false},
        {"the object form on", {{"autocaptureExceptions", true}}, true},
        {"an object without the switch", json::object(), false},
        {"the Boolean form on again", true, true},
        {"neither form", "yes", true},  // storage is left alone
    };
    for (const auto& c : cases) {
        h.server.answer([&c](const httplib::Request&, httplib::Response& response) {
            response.set_content(json{{"errorTracking", c.errorTracking}}.dump(), "application/json");
        });
        auto answered = client(false, testProjectToken, true);
        ASSERT_TRUE(tessivar::testing::waitUntil([&] { return answered->remoteConfig()->remoteConfigDidFetch(); },
                                                 std::chrono::seconds(5), std::chrono::milliseconds(5)))
            << c.what;
        answered->close();

        auto next = client();
        EXPECT_EQ(next->installedIntegrations().size(), c.installs ? 1u : 0u) << c.what;
        next->close();
    }
}

TEST_F(AutoCaptureTest, APendingReportBecomesOneExceptionEventBeforeTheReporterIsEnabled) {
    storeRemoteAnswer(true);
    struct Case {
        const char* what;
        std::optional<json> context;
        std::optional<std::string> distinctId;  // nothing: the client's own
    };
    const std::vector<Case> cases{
        {"the context of the crash",
         json{{"distinct_id", "crash-user"},
              {"event_properties", {{"$exception_level", "error"}, {"$app_version", "0.9"}}}},
         "crash-user"},
        {"no context", std::nullopt, std::nullopt},
        {"a context that is no object", json::array({"crash-user"}), std::nullopt},
    };
    for (const auto& c : cases) {
        const auto pending = leavePendingReport(c.context);
        h.logs.clear();
        auto client = this->client();
        const auto events = h.queuedEvents();
        ASSERT_EQ(events.size(), 1u) << c.what;
        const auto& event = events[0];
        EXPECT_EQ(event.event, "$exception") << c.what;
        EXPECT_EQ(event.distinctId, c.distinctId.value_or(client->getDistinctId())) << c.what;
        EXPECT_EQ(event.properties["$exception_level"], "fatal") << c.what << ": the crash's level wins";
        EXPECT_EQ(event.properties.contains("$app_version"), c.distinctId.has_value()) << c.what;
        const auto entry = event.properties["$exception_list"][0];
        EXPECT_EQ(entry["type"], "SIGTRAP") << c.what;
        EXPECT_EQ(entry["mechanism"]["type"], "signal") << c.what;
        EXPECT_FALSE(entry["stacktrace"]["frames"].empty()) << c.what;
        EXPECT_FALSE(event.properties["$debug_images"].empty()) << c.what;
        // The time of the crash, which the report keeps in whole seconds.
        const auto age = std::chrono::system_clock::now() - event.timestamp;
        EXPECT_EQ(event.timestamp.time_since_epoch() % std::chrono::seconds(1), std::chrono::seconds(0)) << c.what;
        EXPECT_LT(age, std::chrono::minutes(1)) << c.what;

        EXPECT_FALSE(std::filesystem::exists(pending)) << c.what;
        EXPECT_EQ(loggedInOrder({"Found pending crash report, processing...", "Crash report processed and captured",
                                 debuggerLine}),
                  (std::vector<std::string>{"Found pending crash report, processing...",
                                            "Crash report processed and captured", debuggerLine}))
            << c.what;
        client->close();
        std::filesystem::remove_all(h.queueFolder());
    }

    // A report that does not decode is gone before it is read, and makes no event.
    const auto pending = leavePendingReport(std::nullopt);
    std::ofstream(pending, std::ios::binary | std::ios::trunc) << "zzcrash\x01 not a report";
    auto client = this->client();
    EXPECT_TRUE(h.waitForLogStartingWith("Failed to process crash report: "));
    EXPECT_TRUE(h.queuedEvents().empty());
    EXPECT_FALSE(std::filesystem::exists(pending));
    client->close();
}

// Nested 100,000 deep, the context parsed and then ran the stack out on its way
// into the event, at every launch while the report waited.
TEST_F(AutoCaptureTest, ACrashContextNestedTooDeepIsLeftOutAndTheCrashStillReported) {
    storeRemoteAnswer(true);
    const std::string deep(100'000, '[');
    const auto pending =
        leavePendingReportCarrying("{\"distinct_id\":\"crash-user\",\"event_properties\":{\"deep\":" + deep +
                                   std::string(deep.size(), ']') + "}}");
    auto client = this->client();
    const auto events = h.queuedEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].event, "$exception");
    EXPECT_EQ(events[0].distinctId, client->getDistinctId()) << "no context read";
    EXPECT_FALSE(events[0].properties.contains("deep"));
    EXPECT_FALSE(std::filesystem::exists(pending));
    client->close();
}

// Whatever took the pending report's place is refused without blocking or
// reading it whole, and removed, so that crashes can be written again; the
// reporter is still enabled and the integrations after it still installed.
TEST_F(AutoCaptureTest, WhatCannotBeAReportIsRefusedAndRemovedAndInstallationGoesOn) {
    storeRemoteAnswer(true);
    const auto pending = makeReporter()->crashReportPath();
    std::filesystem::create_directories(std::filesystem::path(pending).parent_path());
    for (const auto& kind : tessivar::testing::unreadableFiles()) {
        kind.make(pending);
        h.logs.clear();
        std::shared_ptr<ZeraZovSDK> client;
        {
            const tessivar::testing::StuckFifoRelease release(pending, std::chrono::seconds(10));
            client = this->client(true);
        }
        EXPECT_TRUE(h.logged("Failed to load crash report: " + pending + ": " + kind.refusal)) << kind.what;
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(pending))) << kind.what;
        EXPECT_TRUE(h.logged(debuggerLine)) << kind.what;
        EXPECT_EQ(client->installedIntegrations().size(), 2u) << kind.what << ": the lifecycle integration too";
        const auto events = h.queuedEvents();
        EXPECT_TRUE(std::none_of(events.begin(), events.end(), [](const auto& e) { return e.event == "$exception"; }))
            << kind.what;
        client->close();
        std::filesystem::remove_all(h.queueFolder());
    }
}

// An installation that fails on the way lets go of the slot, and the driver
// installs the integrations after it.
TEST_F(AutoCaptureTest, AnInstallationThatThrowsHoldsNothing) {
    storeRemoteAnswer(true);
    failReporter = true;
    auto first = client(true);
    EXPECT_TRUE(h.logged(std::string("Integration ") + integrationName + " install failed: no reporter today"));
    ASSERT_EQ(first->installedIntegrations().size(), 1u);
    EXPECT_EQ(first->installedIntegrations()[0]->typeName(), "ZeraZovAppLifeCycleIntegration");
    first->close();

    failReporter = false;
    auto second = client();
    EXPECT_EQ(second->installedIntegrations().size(), 1u) << "the slot is free again";
    second->close();
}

TEST_F(AutoCaptureTest, TheReporterCarriesTheClientsCurrentContext) {
    storeRemoteAnswer(true);
    auto client = this->client();
    ASSERT_EQ(reporters.size(), 1u);
    auto context = contextIn(*reporters[0]);
    EXPECT_EQ(context["distinct_id"], client->getDistinctId());
    EXPECT_EQ(context["event_properties"], client->buildProperties(client->getDistinctId(), std::nullopt, std::nullopt,
                                                                   std::nullopt, std::nullopt, true, std::nullopt));

    client->identify("user-2");
    client->registerProperties({{"plan", "pro"}});
    context = contextIn(*reporters[0]);
    EXPECT_EQ(context["distinct_id"], "user-2");
    EXPECT_EQ(context["event_properties"]["plan"], "pro");

    // A context that cannot be written as JSON leaves the last one in place.
    integrations[0]->updateContext({{"distinct_id", "\xff"}, {"event_properties", json::object()}});
    EXPECT_TRUE(h.waitForLogStartingWith("Failed to serialize crash context: "));
    EXPECT_EQ(contextIn(*reporters[0]), context);
    client->close();
}

// The only test that enables a reporter: one per process ever is. It does so
// as error tracking does, with the exception server, over a handler of the
// program's that exceptions went to before.
TEST_F(AutoCaptureTest, TheReporterIsEnabledOncePerProcess) {
    storeRemoteAnswer(true);
    debuggerAttached = false;
    handlerType = ZZCrashReporterConfig::signalHandlerTypeMach;
    zzcrash_port_t earlier = ZZCRASH_PORT_NULL;
    ASSERT_EQ(zzcrash_port_allocate(&earlier), ZZCRASH_KERN_SUCCESS);
    ASSERT_EQ(zzcrash_task_swap_exception_ports(zzcrash_exc_mask(ZZCRASH_EXC_BAD_ACCESS), earlier,
                                                ZZCRASH_EXCEPTION_DEFAULT, 0, nullptr),
              ZZCRASH_KERN_SUCCESS);
    auto client = this->client();
    EXPECT_TRUE(h.logged("ZZCrashReporter enabled successfully"));
    const std::int32_t held = zzcrash_port_send_refs(earlier);
    EXPECT_EQ(held, 1) << "the reporter holds the earlier handler's right, to pass exceptions on to it";
    // A thread the client starts after the enable has an alternate stack of its
    // own, so that an overflow of its stack is reported too.
    stack_t stack{};
    platform::SerialQueue("test.after-enable").sync([&stack] { sigaltstack(nullptr, &stack); });
    EXPECT_EQ(stack.ss_flags & SS_DISABLE, 0);
    EXPECT_GE(stack.ss_size, ZZCRASH_THREAD_STACK_BYTES);

    // A later installation makes a reporter of its own, which may not be enabled,
    // and still counts as installed.
    client->optOut();
    client->optIn();
    EXPECT_TRUE(h.logged("Failed to enable ZZCrashReporter: A ZZCrashReporter instance has already been enabled"));
    EXPECT_EQ(client->installedIntegrations().size(), 1u);
    client->close();
    EXPECT_EQ(zzcrash_port_send_refs(earlier), held) << "the enabled reporter stays for the rest of the process";
}

std::atomic<pid_t> hookedThread{0};
void recordTheThread() { hookedThread = gettid(); }

// Each thread the client starts runs the thread-start hook first: it is how the
// thread asks for an alternate signal stack once crash capture is on.
TEST(ClientThreads, EachRunsTheThreadStartHookFirst) {
    const struct {
        const char* what;
        std::function<std::shared_ptr<void>()> start;
    } starters[] = {
        {"a serial queue", [] { return std::make_shared<platform::SerialQueue>("test.hooked"); }},
        {"the HTTP worker", [] { return std::make_shared<ZeraZovHttpTransport>(std::nullopt); }},
        {"a queue housekeeper",
         [] {
             return std::make_shared<ZeraZovQueueHousekeeper>(
                 [] { return platform::Failure(); }, [](const std::string&) {}, ZeraZovQueueHousekeeper::Policy{});
         }},
    };
    const auto previous = platform::setThreadStartHook(recordTheThread);
    for (const auto& starter : starters) {
        hookedThread = 0;
        const auto started = starter.start();
        EXPECT_TRUE(tessivar::testing::waitUntil([] { return hookedThread != 0 && hookedThread != gettid(); },
                                                 std::chrono::seconds(10)))
            << starter.what;
    }
    platform::setThreadStartHook(previous);
}

}  // namespace
}  // namespace zerazov::testing
