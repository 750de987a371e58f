#include "ZeraZov/Core/Config/ZeraZovConfig.h"

#include <utility>

#include "ZeraZov/Core/Utilities/UnicodeText.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

constexpr std::string_view apiKeyDeprecation =
    "apiKey is deprecated and will be removed in the next major version. Use projectToken instead.";

// What a URL parser would take as an absolute or relative reference: printable ASCII
// without spaces or the characters that are never legal in one.
bool isParsableURL(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f) return false;
        if (c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' || c == '{' || c == '|' || c == '}')
            return false;
    }
    return true;
}

std::string hostOrDefault(std::string_view host) {
    const auto candidate = trimmedWhitespaceAndNewlines(host);
    if (candidate.empty() || !isParsableURL(candidate)) return std::string(ZeraZovConfig::defaultHost);
    return std::string(candidate);
}

}  // namespace

ZeraZovConfig::ZeraZovConfig(std::string_view projectToken, std::string_view host, const platform::BundleInfo& program)
    : errorTrackingConfig(program),
      logs(program),
      host_(hostOrDefault(host)),
      projectToken_(trimmedWhitespaceAndNewlines(projectToken)) {}

std::shared_ptr<ZeraZovConfig> ZeraZovConfig::withApiKey(std::string_view apiKey, std::string_view host) {
    ZeraZovDebugLog::write(apiKeyDeprecation);
    return std::make_shared<ZeraZovConfig>(apiKey, host);
}

const std::string& ZeraZovConfig::apiKey() const {
    ZeraZovDebugLog::write(apiKeyDeprecation);
    return projectToken_;
}

void ZeraZovConfig::setRemoteConfig(bool enabled) {
    if (enabled) return;
    ZeraZovDebugLog::write("remoteConfig is deprecated and is now always enabled. Setting it to false has no effect.");
}

void ZeraZovConfig::setEvaluationEnvironments(std::optional<std::vector<std::string>> environments) {
    if (environments) ZeraZovDebugLog::write("evaluationEnvironments is deprecated. Use evaluationContexts instead.");
    evaluationContexts.set(std::move(environments));
}

std::vector<ZeraZovIntegrationKind> ZeraZovConfig::getIntegrations() const {
    std::vector<ZeraZovIntegrationKind> kinds;
    if (errorTrackingConfig.autoCapture) kinds.push_back(ZeraZovIntegrationKind::errorTrackingAutoCapture);
    if (captureScreenViews) kinds.push_back(ZeraZovIntegrationKind::screenViews);
    if (captureApplicationLifecycleEvents) kinds.push_back(ZeraZovIntegrationKind::appLifeCycle);
    return kinds;
}

void ZeraZovConfig::setBeforeSend(std::vector<BeforeSendBlock> blocks) { beforeSend_->set(std::move(blocks)); }

}  // namespace zerazov
