#pragma once
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "LoopbackServer.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "tests/ZeraZov/TestLifecyclePublisher.h"
#include "tests/ZeraZov/TestToken.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov::testing {

// What a client logs when it is used before its setup completed.
inline const std::string notSetUp = "ZeraZov method was called without `setup` being complete. Call wil be ignored.";

// The events a client announced, in order, from any thread.
class CapturedEvents {
public:
    explicit CapturedEvents(ZeraZovSDK& client);
    std::vector<ZeraZovEvent> all() const;
    std::vector<std::string> names() const;
    ZeraZovEvent last() const;

private:
    mutable std::mutex lock_;
    std::vector<ZeraZovEvent> events_;
    RegistrationTokenPtr token_;
};

// Clients over one folder of their own, sending to a loopback server, with a manual
// main queue and lifecycle, no timers and no reachability: nothing happens that
// the test does not ask for. The debug log is on and collected.
class ClientHarness {
public:
    // The configuration every test starts from: the loopback host, remote
    // configuration off, queue timer, reachability and background flush off.
    // Sends to the harness's server unless another host is given.
    std::shared_ptr<ZeraZovConfig> config(const std::string& token = testProjectToken,
                                          const std::optional<std::string>& host = std::nullopt) const;
    ZeraZovSDK::Environment environment();
    // A client set up with the configuration (the default one when none is given).
    std::shared_ptr<ZeraZovSDK> client(std::shared_ptr<ZeraZovConfig> config = nullptr);

    std::filesystem::path projectFolder(const std::string& token = testProjectToken) const;
    std::filesystem::path queueFolder(const std::string& token = testProjectToken) const;
    // The events stored in the events queue's folder, oldest first.
    std::vector<ZeraZovEvent> queuedEvents(const std::string& token = testProjectToken) const;
    // The events of every batch the server received, in order.
    std::vector<nlohmann::json> uploadedEvents() const;

    // How many requests for the path the server has seen, once there are at least
    // `atLeast` of them or a few seconds have passed.
    std::size_t requestsFor(const std::string& path, std::size_t atLeast = 0) const;

    bool logged(const std::string& line) const { return logs.contains("[ZeraZov] " + line); }
    long countLogged(const std::string& line) const;
    // Whether a diagnostic starting with the text was logged, waiting a few seconds for one.
    bool waitForLogStartingWith(const std::string& text) const;

    platform::TemporaryDirectory folder;
    platform::ManualMainQueue mainQueue;
    platform::NotificationCenter center;
    TestLifecyclePublisher lifecycle;
    LoopbackServer server;
    platform::LogCapture logs;
    // Last: on once the rest is made, back off before the rest goes.
    tessivar::testing::DebugLogSwitch debugLog;
};

}  // namespace zerazov::testing
