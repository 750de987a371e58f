#include "ZeraZov/Core/Events/ZeraZovContext.h"

#include <initializer_list>
#include <string>
#include <utility>

#include "Platform/Foundation/ApplicationNotifications.h"
#include "ZeraZov/Core/Config/ZeraZovClientDefaults.h"
#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/Utils.h"

namespace zerazov {
namespace {

// Firmware strings and environment variables are not always UTF-8; such a value
// would make every event unwritable, so it is left out instead.
void setWhenPresent(nlohmann::json& context, const char* key, const std::optional<std::string>& value) {
    if (!value) return;
    nlohmann::json text = *value;
    if (isValidJSONValue(text)) context[key] = std::move(text);
}

// The first of the answers that can be written, else the fallback: for keys that
// every event carries whatever the machine tells.
std::string firstText(std::initializer_list<std::optional<std::string>> answers, const char* fallback) {
    for (const auto& answer : answers) {
        if (answer && isValidUTF8(*answer)) return *answer;
    }
    return fallback;
}

// What a machine that names neither its maker nor itself is sent as.
constexpr const char* unknownDevice = "Unknown";

void setWhenNotEmpty(nlohmann::json& context, const char* key, const std::string& value) {
    if (!value.empty()) context[key] = value;
}

// Screen sizes go out with single precision, as every platform's client sends them.
double singlePrecision(double value) { return static_cast<double>(static_cast<float>(value)); }

}  // namespace

ZeraZovContext::ZeraZovContext(std::shared_ptr<ZeraZovReachabilitySource> reachability, platform::SystemInfo system,
                               platform::BundleInfo bundle, ScreenWatch screenWatch)
    : reachability_(std::move(reachability)),
      system_(std::move(system)),
      bundle_(std::move(bundle)),
      screenWatch_(std::move(screenWatch)) {}

ZeraZovContext::ZeraZovContext(std::shared_ptr<ZeraZovReachabilitySource> reachability, platform::SystemInfo system,
                               platform::BundleInfo bundle)
    : ZeraZovContext(std::move(reachability), std::move(system), std::move(bundle), ScreenWatch{}) {}

ZeraZovContext::~ZeraZovContext() { unregisterNotifications(); }

const nlohmann::json& ZeraZovContext::theStaticContext() const {
    std::call_once(staticContextOnce_, [this] { staticContext_ = buildStaticContext(); });
    return staticContext_;
}

const nlohmann::json& ZeraZovContext::theSdkInfo() const {
    std::call_once(sdkInfoOnce_, [this] { sdkInfo_ = buildSdkInfo(); });
    return sdkInfo_;
}

const nlohmann::json& ZeraZovContext::thePersonPropertiesContext() const {
    std::call_once(personPropertiesOnce_, [this] { personPropertiesContext_ = buildPersonPropertiesContext(); });
    return personPropertiesContext_;
}

// The Apple-only facts (TestFlight, side-loading, Catalyst, iOS apps on a Mac) are
// kept with their "no" answers so that every platform sends the same keys.
nlohmann::json ZeraZovContext::buildStaticContext() const {
    nlohmann::json context = nlohmann::json::object();
    setWhenNotEmpty(context, "$app_name", bundle_.executableName);
    setWhenNotEmpty(context, "$app_version", bundle_.shortVersion);
    if (!bundle_.build.empty()) context["$app_build"] = propertyValueFromString(bundle_.build);
    context["$is_testflight"] = false;
    context["$is_sideloaded"] = false;
    context["$app_namespace"] = ZeraZovClientDefaults::logsServiceName(bundle_.identifier);
    context["$device_manufacturer"] = firstText({system_.systemVendor(), system_.boardVendor()}, unknownDevice);
    setWhenPresent(context, "$device_model", system_.machine());
    context["$device_type"] = "Desktop";
    context["$is_emulator"] = false;
    context["$is_ios_running_on_mac"] = false;
    context["$is_mac_catalyst_app"] = false;
    // Without a model name, the computer's own name, as other platforms send it.
    context["$device_name"] = firstText({system_.productName(), system_.hostName()}, unknownDevice);
    context["$os_name"] = "Linux";
    context["$os_version"] = operatingSystemVersionString(system_.operatingSystemVersion());
    return context;
}

nlohmann::json ZeraZovContext::buildSdkInfo() const {
    return {{"$lib", ZeraZovLibraryInfo::name()}, {"$lib_version", ZeraZovLibraryInfo::version}};
}

nlohmann::json ZeraZovContext::buildPersonPropertiesContext() const {
    const auto& source = theStaticContext();
    nlohmann::json context = nlohmann::json::object();
    for (const char* key :
         {"$app_version", "$app_build", "$app_namespace", "$os_name", "$os_version", "$device_type"}) {
        if (const auto found = source.find(key); found != source.end()) context[key] = *found;
    }
    context.update(theSdkInfo());
    return context;
}

nlohmann::json ZeraZovContext::dynamicContext() const {
    nlohmann::json context = nlohmann::json::object();
    if (const auto size = screenSize()) {
        context["$screen_width"] = singlePrecision(size->width);
        context["$screen_height"] = singlePrecision(size->height);
    }
    setWhenPresent(context, "$locale", system_.languageCode());
    // With no zone configured anywhere the C library keeps time in UTC.
    context["$timezone"] = timeZone_.identifier().value_or("UTC");
    addNetwork(context);
    return context;
}

void ZeraZovContext::addNetwork(nlohmann::json& context) const {
    if (!reachability_) return;
    context["$network_wifi"] = ZeraZovReachabilitySource::isUsable(currentFlags());
    context["$network_cellular"] = false;
}

// A monitor that fails to read its flags reports an unknown network, as one that
// has no flags yet does.
std::optional<std::uint32_t> ZeraZovContext::currentFlags() const {
    try {
        return reachability_->reachabilityFlags();
    } catch (...) {
        return std::nullopt;
    }
}

// The observers hold the context weakly: the last call using it may release it on
// any thread while a notification is being posted on the main one.
void ZeraZovContext::registerNotifications() {
    if (!screenWatch_.notifications || !screenWatch_.mainQueue || !screenWatch_.keyWindowScreenSize) return;
    const std::weak_ptr<ZeraZovContext> weak = weak_from_this();
    const auto handler = [weak](const platform::Notification&) {
        if (const auto self = weak.lock()) self->onShouldUpdateScreenSize();
    };
    std::vector<platform::ObserverTokenPtr> observers;
    for (const char* name :
         {platform::WindowNotifications::didBecomeKey, platform::WindowNotifications::didChangeScreen,
          platform::ApplicationNotifications::didBecomeActive}) {
        observers.push_back(screenWatch_.notifications->addObserver(name, nullptr, handler));
    }
    std::lock_guard guard(observersLock_);
    observers_ = std::move(observers);
}

void ZeraZovContext::unregisterNotifications() {
    std::vector<platform::ObserverTokenPtr> observers;
    {
        std::lock_guard guard(observersLock_);
        observers.swap(observers_);
    }
}

void ZeraZovContext::onShouldUpdateScreenSize() { updateScreenSize(); }

void ZeraZovContext::updateScreenSize() {
    if (!screenWatch_.mainQueue || !screenWatch_.keyWindowScreenSize) return;
    if (screenWatch_.mainQueue->isMainThread()) return measureScreenSize();
    screenWatch_.mainQueue->async([weak = weak_from_this()] {
        if (const auto self = weak.lock()) self->measureScreenSize();
    });
}

void ZeraZovContext::measureScreenSize() {
    const auto size = screenWatch_.keyWindowScreenSize();
    std::lock_guard guard(screenSizeLock_);
    screenSize_ = size;
}

std::optional<ZeraZovScreenSize> ZeraZovContext::screenSize() const {
    std::lock_guard guard(screenSizeLock_);
    return screenSize_;
}

}  // namespace zerazov
