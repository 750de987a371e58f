#include "Tessivar/AnalyticsManager.h"

#include <chrono>
#include <random>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/MainQueue.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Tessivar/AppDefaults.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"

namespace tessivar {

namespace {
constexpr const char* kIdPrefix = "instance_tv_";

std::string randomHex32() {
    std::random_device device;
    std::uniform_int_distribution<int> nibble(0, 15);
    std::string hex(32, '0');
    for (auto& c : hex) c = "0123456789abcdef"[nibble(device)];
    // Version 4, variant 10, like any random UUID written without its hyphens.
    hex[12] = '4';
    hex[16] = "89ab"[nibble(device) & 3];
    return hex;
}
}  // namespace

AnalyticsManager::AnalyticsManager(platform::UserDefaults& defaults, Settings settings, zerazov::ZeraZovSDK& client,
                                   platform::MainQueue* mainQueue)
    : defaults_(defaults), settings_(std::move(settings)), client_(client), mainQueue_(mainQueue) {}

AnalyticsManager::~AnalyticsManager() { releaseHeldIfStillEnabled(); }

void AnalyticsManager::log(const std::string& message) { platform::Log::write("[Tessivar-Analytics] %@", message); }

bool AnalyticsManager::isEnabled() const {
    const auto stored = defaults_.object(AppDefaults::analyticsEnabled);
    if (stored && !defaults_.boolValue(AppDefaults::analyticsEnabled)) return false;
    // Before the client is set up there is nothing to ask.
    return !(isConfigured_ && client_.isFeatureEnabled(remoteSwitch));
}

void AnalyticsManager::configure() {
    if (!isEnabled()) {
        log("AnalyticsManager: Analytics are disabled, skipping configuration.");
        return;
    }
    if (isConfigured_) return;
    const auto distinctId = anonymousDistinctID();
    auto config = std::make_shared<zerazov::ZeraZovConfig>(projectToken, settings_.host, platform::BundleInfo::main());
    config->flushAt = 20;
    config->flushIntervalSeconds = 30.0;
    config->captureApplicationLifecycleEvents = false;
    config->captureScreenViews = false;
    client_.setup(config);
    client_.identify(
        distinctId,
        nlohmann::json{
            {"app_version", settings_.appVersion}, {"app_build", settings_.build}, {"os_version", settings_.osVersion}},
        nlohmann::json{{"first_app_version", settings_.appVersion}});
    client_.registerProperties({{"product", "Tessivar"},
                                {"app_id", "com.brel.tessivar"},
                                {"instance_name", "Tessivar"},
                                {"source", "early_access"}});
    isConfigured_ = true;
    log("✓ AnalyticsManager 初始化成功，匿名 distinctId (PERSON): " + distinctId);
}

bool AnalyticsManager::capture(const std::string& event, nlohmann::json properties, std::string capturedLine,
                               std::chrono::system_clock::time_point recordedAt, bool mayWait) {
    if (!isEnabled()) return false;
    configure();
    held_.push_back({event, std::move(properties), recordedAt, std::move(capturedLine)});
    if (mayWait && mainQueue_ && held_.size() < maxHeldJumps) {
        releaseLater();
    } else {
        releaseHeld();
    }
    return true;
}

// Every jump puts the release off again: it comes once the presses pause.
void AnalyticsManager::releaseLater() {
    if (release_) release_->cancel();
    release_ = mainQueue_->asyncAfter(jumpQuietSeconds, [this] { releaseHeldIfStillEnabled(); });
}

// Analytics switched off (by the user or remotely) while jumps were held: the
// held jumps are dropped as they would have been had the switch come first.
void AnalyticsManager::releaseHeldIfStillEnabled() {
    if (!held_.empty() && !isEnabled()) held_.clear();
    releaseHeld();
}

void AnalyticsManager::releaseHeld() {
    if (release_) release_->cancel();
    release_.reset();
    if (held_.empty()) return;
    for (const auto& held : held_) {
        if (!held.capturedLine.empty()) log(held.capturedLine);
    }
    recorder_.async([&client = client_, events = std::move(held_)] {
        for (const auto& held : events) {
            client.capture(held.event, held.properties, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                           held.recordedAt);
        }
    });
    held_.clear();
}

void AnalyticsManager::trackAppOpened() {
    capture(
        "app_opened",
        {{"app_version", settings_.appVersion}, {"build_number", settings_.build}, {"os_version", settings_.osVersion}},
        "Captured: app_opened");
}

void AnalyticsManager::trackJump(const std::string& trigger, int displayCount,
                                 std::chrono::system_clock::time_point triggeredAt) {
    const auto bucket = displayCountBucket(displayCount);
    capture("jump_triggered",
            {{"trigger", trigger}, {"display_count_bucket", bucket}, {"app_version", settings_.appVersion}},
            "Captured: jump_triggered (trigger: " + trigger + ", bucket: " + bucket + ")", triggeredAt, true);
}

void AnalyticsManager::trackSettingsOpened() {
    capture("settings_opened", {{"app_version", settings_.appVersion}}, "Captured: settings_opened");
}

// The program ends right after this: the events still being written go first, then
// the flush gets a bounded chance to be answered.
void AnalyticsManager::trackAppQuit() {
    if (!capture("app_quit", {{"app_version", settings_.appVersion}}, "")) return;
    recorder_.sync([] {});
    // Its line says whether the flush was answered, so it comes after the flush.
    if (client_.flushAndWait(quitUploadLimit)) {
        log("Captured: app_quit (flushed successfully)");
    } else {
        log("Captured: app_quit (not sent yet: the events wait on disk for the next launch)");
    }
}

std::string AnalyticsManager::anonymousDistinctID() {
    const auto stored = defaults_.stringValue(AppDefaults::anonymousDistinctId);
    if (stored && stored->starts_with(kIdPrefix)) return *stored;
    const std::string id = kIdPrefix + randomHex32();
    defaults_.set(AppDefaults::anonymousDistinctId, id);
    return id;
}

std::string AnalyticsManager::displayCountBucket(int displayCount) {
    if (displayCount < 2) return "1";
    if (displayCount == 2) return "2";
    if (displayCount == 3) return "3";
    return "4+";
}

}  // namespace tessivar
