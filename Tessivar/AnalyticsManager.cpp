#include "Tessivar/AnalyticsManager.h"

#include <random>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Tessivar/Private/AppDefaults.h"

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

AnalyticsManager::AnalyticsManager(platform::UserDefaults& defaults, std::string appVersion, std::string build,
                                   std::string osVersion, AnalyticsClient* client)
    : defaults_(defaults),
      appVersion_(std::move(appVersion)),
      build_(std::move(build)),
      osVersion_(std::move(osVersion)),
      client_(client) {}

void AnalyticsManager::log(const std::string& message) { platform::Log::write("[Tessivar-Analytics] %@", message); }

bool AnalyticsManager::isEnabled() const {
    const auto stored = defaults_.object(AppDefaults::analyticsEnabled);
    return !(stored && !defaults_.boolValue(AppDefaults::analyticsEnabled));
}

void AnalyticsManager::configure() {
    if (!isEnabled()) {
        log("AnalyticsManager: Analytics are disabled, skipping configuration.");
        return;
    }
    if (isConfigured_ || !client_) return;
    const auto distinctId = anonymousDistinctID();
    isConfigured_ = true;
    log("✓ AnalyticsManager 初始化成功，匿名 distinctId (PERSON): " + distinctId);
}

bool AnalyticsManager::capture(const std::string& event, const nlohmann::json& properties) {
    if (!isEnabled()) return false;
    configure();
    if (!client_) return false;
    client_->capture(event, properties);
    return true;
}

void AnalyticsManager::trackAppOpened() {
    if (!capture("app_opened", {{"app_version", appVersion_}, {"build_number", build_}, {"os_version", osVersion_}}))
        return;
    log("Captured: app_opened");
}

void AnalyticsManager::trackJump(const std::string& trigger, int displayCount) {
    const auto bucket = displayCountBucket(displayCount);
    if (!capture("jump_triggered",
                 {{"trigger", trigger}, {"display_count_bucket", bucket}, {"app_version", appVersion_}}))
        return;
    log("Captured: jump_triggered (trigger: " + trigger + ", bucket: " + bucket + ")");
}

void AnalyticsManager::trackSettingsOpened() {
    if (!capture("settings_opened", {{"app_version", appVersion_}})) return;
    log("Captured: settings_opened");
}

void AnalyticsManager::trackAppQuit() {
    if (!capture("app_quit", {{"app_version", appVersion_}})) return;
    client_->flush();
    log("Captured: app_quit (flushed successfully)");
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
