#include <gtest/gtest.h>

#include <errno.h>  // program_invocation_short_name

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Testing/LogCapture.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Config/ZeraZovSurveysConfig.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov {
namespace {

using tessivar::testing::DebugLogSwitch;

const std::string defaultHost(ZeraZovConfig::defaultHost);

TEST(ZeraZovConfigDefaults, ScalarSettings) {
    const ZeraZovConfig config("token");
    EXPECT_EQ(config.host(), defaultHost);
    EXPECT_EQ(config.flushAt.load(), 20);
    EXPECT_EQ(config.maxQueueSize.load(), 1000);
    EXPECT_EQ(config.maxBatchSize.load(), 50);
    EXPECT_DOUBLE_EQ(config.flushIntervalSeconds.load(), 30.0);
    EXPECT_EQ(config.maxRetries.load(), 3);
    EXPECT_EQ(config.dataMode.load(), ZeraZovDataMode::any);
    EXPECT_TRUE(config.sendFeatureFlagEvent.load());
    EXPECT_TRUE(config.preloadFeatureFlags.load());
    EXPECT_TRUE(config.remoteConfig());
    EXPECT_TRUE(config.captureApplicationLifecycleEvents.load());
    EXPECT_TRUE(config.captureScreenViews.load());
    EXPECT_TRUE(config.enableSwizzling.load());
    EXPECT_FALSE(config.debug.load());
    EXPECT_FALSE(config.optOut.load());
    EXPECT_FALSE(config.reuseAnonymousId.load());
    EXPECT_EQ(config.personProfiles.load(), ZeraZovPersonProfiles::identifiedOnly);
    EXPECT_TRUE(config.setDefaultPersonProperties.load());
    EXPECT_TRUE(config.surveys.load());
    EXPECT_FALSE(config.disableReachabilityForTesting.load());
    EXPECT_FALSE(config.disableQueueTimerForTesting.load());
    EXPECT_FALSE(config.disableFlushOnBackgroundForTesting.load());
    EXPECT_FALSE(config.disableRemoteConfigForTesting.load());
}

TEST(ZeraZovConfigDefaults, OptionalSettingsAndClosures) {
    const ZeraZovConfig config("token");
    EXPECT_EQ(config.propertiesSanitizer.get(), nullptr);
    EXPECT_FALSE(config.evaluationContexts.get().has_value());
    EXPECT_FALSE(config.evaluationEnvironments().has_value());
    EXPECT_FALSE(config.appGroupIdentifier.get().has_value());
    EXPECT_EQ(config.snapshotEndpoint.get(), "/s/");
    EXPECT_EQ(config.storageManager.get(), nullptr);

    const auto id = UUID::fromString("0190A1B2-C3D4-7E5F-8A9B-0C1D2E3F4A5B").value();
    EXPECT_EQ(config.getAnonymousId.get()(id), id);
}

TEST(ZeraZovConfigDefaults, NestedSettings) {
    const platform::BundleInfo bundle{"org.example.viewer", "2.4.1", "7", "viewer"};
    const ZeraZovConfig config("token", ZeraZovConfig::defaultHost, bundle);

    EXPECT_FALSE(config.errorTrackingConfig.autoCapture);
    EXPECT_EQ(config.errorTrackingConfig.inAppIncludes,
              (std::vector<std::string>{bundle.identifier, bundle.executableName}));
    EXPECT_TRUE(config.errorTrackingConfig.inAppExcludes.empty());
    EXPECT_TRUE(config.errorTrackingConfig.inAppByDefault);

    const auto& logs = config.logs;
    EXPECT_DOUBLE_EQ(logs.flushIntervalSeconds, 30.0);
    EXPECT_EQ(logs.maxBufferSize, 1000);
    EXPECT_EQ(logs.flushAt, 20);
    EXPECT_EQ(logs.maxBatchSize, 50);
    EXPECT_EQ(logs.serviceName, bundle.identifier);
    EXPECT_EQ(logs.serviceVersion, bundle.shortVersion);
    EXPECT_FALSE(logs.environment.has_value());
    EXPECT_EQ(logs.resourceAttributes, nlohmann::json::object());
    EXPECT_EQ(logs.rateCapMaxLogs, 500);
    EXPECT_DOUBLE_EQ(logs.rateCapWindowSeconds, 10.0);
    ASSERT_NE(logs.beforeSend, nullptr);

    EXPECT_FALSE(config.surveysConfig.overrideDisplayLanguage.has_value());
    EXPECT_FALSE(config.urlSessionConfiguration.get().has_value());
}

// A program that names nothing: its modules are still this process's own, known
// here by the command that started this test.
TEST(ZeraZovConfigDefaults, WithoutAProgramTheRunningExecutableIsInApp) {
    const ZeraZovConfig config("token");
    EXPECT_EQ(config.errorTrackingConfig.inAppIncludes,
              (std::vector<std::string>{"com.zerazov.unknown", program_invocation_short_name}));
}

TEST(ZeraZovConfigDefaults, SurveysDelegateIsAFreshDoNothingDelegate) {
    const ZeraZovConfig config("token");
    const auto& delegate = config.surveysConfig.surveysDelegate;
    ASSERT_NE(dynamic_cast<ZeraZovSurveysDefaultDelegate*>(delegate.get()), nullptr);
    EXPECT_NE(delegate, ZeraZovConfig("token").surveysConfig.surveysDelegate);

    int callbacks = 0;
    delegate->renderSurvey(
        nullptr, [&callbacks](const auto&) { ++callbacks; },
        [&callbacks](const auto&, std::int64_t, const auto&) {
            ++callbacks;
            return nullptr;
        },
        [&callbacks](const auto&) { ++callbacks; });
    delegate->cleanupSurveys();
    EXPECT_EQ(callbacks, 0);
}

TEST(ZeraZovConfigDefaults, RawValuesOfTheEnumerations) {
    EXPECT_EQ(dataModeFromRawValue(0), ZeraZovDataMode::wifi);
    EXPECT_EQ(dataModeFromRawValue(1), ZeraZovDataMode::cellular);
    EXPECT_EQ(dataModeFromRawValue(2), ZeraZovDataMode::any);
    EXPECT_FALSE(dataModeFromRawValue(3).has_value());
    EXPECT_FALSE(dataModeFromRawValue(-1).has_value());
    EXPECT_EQ(personProfilesFromRawValue(0), ZeraZovPersonProfiles::never);
    EXPECT_EQ(personProfilesFromRawValue(2), ZeraZovPersonProfiles::identifiedOnly);
    EXPECT_FALSE(personProfilesFromRawValue(3).has_value());
}

// Token and host as pasted: surrounded by ASCII or Unicode white space and line
// breaks, which the server would not take as part of them.
TEST(ZeraZovConfigTrimming, TokenAndHostLoseSurroundingWhitespaceOfEveryKind) {
    struct Case {
        const char* name;
        std::string pad;
    };
    const Case cases[] = {
        {"ASCII", " \n\t\r\v\f"},
        {"no-break space", "\xC2\xA0"},
        {"line separator", "\xE2\x80\xA8"},
        {"paragraph separator", "\xE2\x80\xA9"},
        {"next line", "\xC2\x85"},
        {"ideographic space", "\xE3\x80\x80"},
        {"narrow no-break space", "\xE2\x80\xAF"},
        {"em space", "\xE2\x80\x83"},
    };
    for (const auto& c : cases) {
        const ZeraZovConfig config(c.pad + "token-1" + c.pad, c.pad + "https://eu.example.com" + c.pad + "\n");
        EXPECT_EQ(config.projectToken(), "token-1") << c.name;
        EXPECT_EQ(config.host(), "https://eu.example.com") << c.name;
    }
    // Only the ends: white space inside a token is the server's to judge.
    EXPECT_EQ(ZeraZovConfig("\xC2\xA0to ken\xE2\x80\xA8").projectToken(), "to ken");
    // A zero-width space is no white space.
    EXPECT_EQ(ZeraZovConfig("\xE2\x80\x8Btoken").projectToken(), "\xE2\x80\x8Btoken");
}

TEST(ZeraZovConfigTrimming, HostKeepsItsPathAsWritten) {
    EXPECT_EQ(ZeraZovConfig("t", "https://eu.example.com/").host(), "https://eu.example.com/");
    EXPECT_EQ(ZeraZovConfig("t", "https://eu.example.com/ingest//").host(), "https://eu.example.com/ingest//");
    EXPECT_EQ(ZeraZovConfig("t", "/").host(), "/");
}

TEST(ZeraZovConfigTrimming, UnusableHostsFallBackToTheDefault) {
    for (const char* host : {" \n\t ", "", "\xC2\xA0\xE2\x80\xA8", "https://exa mple.com", "https://example.com/{x}",
                             "https://ex\xC2\xA0"
                             "ample.com"}) {
        EXPECT_EQ(ZeraZovConfig("t", host).host(), defaultHost) << host;
    }
}

TEST(ZeraZovConfigTrimming, AnEmptyTokenIsKept) { EXPECT_EQ(ZeraZovConfig("  \n").projectToken(), ""); }

TEST(ZeraZovConfigDeprecations, ApiKeyReadsTheTrimmedTokenAndLogsEveryRead) {
    const DebugLogSwitch debug;
    const platform::LogCapture log;
    const auto config = ZeraZovConfig::withApiKey(" key \n", "https://h.example.com/");
    EXPECT_EQ(config->projectToken(), "key");
    EXPECT_EQ(config->host(), "https://h.example.com/");
    EXPECT_EQ(config->apiKey(), "key");
    EXPECT_EQ(config->apiKey(), "key");

    const std::string line =
        "[ZeraZov] apiKey is deprecated and will be removed in the next major version. Use projectToken instead.";
    EXPECT_EQ(log.lines(), (std::vector<std::string>{line, line, line}));
}

TEST(ZeraZovConfigDeprecations, NothingIsLoggedWhileDebugIsOff) {
    const DebugLogSwitch off(false);
    const platform::LogCapture capture;
    ZeraZovConfig config("t");
    (void)config.apiKey();
    config.setRemoteConfig(false);
    EXPECT_TRUE(capture.lines().empty());
}

TEST(ZeraZovConfigDeprecations, RemoteConfigStaysOn) {
    const DebugLogSwitch debug;
    const platform::LogCapture log;
    ZeraZovConfig config("t");
    config.setRemoteConfig(true);
    EXPECT_TRUE(log.lines().empty());
    config.setRemoteConfig(false);
    EXPECT_TRUE(config.remoteConfig());
    EXPECT_EQ(log.lines(),
              (std::vector<std::string>{"[ZeraZov] remoteConfig is deprecated and is now always enabled. Setting it "
                                        "to false has no effect."}));
}

TEST(ZeraZovConfigDeprecations, EvaluationEnvironmentsWriteEvaluationContexts) {
    const DebugLogSwitch debug;
    const platform::LogCapture log;
    ZeraZovConfig config("t");
    config.setEvaluationEnvironments(std::vector<std::string>{"web", "app"});
    EXPECT_EQ(config.evaluationContexts.get(), (std::vector<std::string>{"web", "app"}));
    config.setEvaluationEnvironments(std::vector<std::string>{});
    EXPECT_EQ(config.evaluationContexts.get(), std::vector<std::string>{});
    EXPECT_EQ(log.lines().size(), 2U);

    config.setEvaluationEnvironments(std::nullopt);
    EXPECT_FALSE(config.evaluationContexts.get().has_value());
    EXPECT_EQ(log.lines().size(), 2U);
    EXPECT_EQ(log.lines().front(), "[ZeraZov] evaluationEnvironments is deprecated. Use evaluationContexts instead.");
}

TEST(ZeraZovConfigIntegrations, TheApplicationsSettingsAskForNone) {
    ZeraZovConfig config("t");
    config.captureApplicationLifecycleEvents = false;
    config.captureScreenViews = false;
    EXPECT_TRUE(config.getIntegrations().empty());
}

TEST(ZeraZovConfigIntegrations, AllOnInInstallationOrder) {
    ZeraZovConfig config("t");
    config.errorTrackingConfig.autoCapture = true;
    EXPECT_EQ(config.getIntegrations(),
              (std::vector<ZeraZovIntegrationKind>{ZeraZovIntegrationKind::errorTrackingAutoCapture,
                                                   ZeraZovIntegrationKind::screenViews,
                                                   ZeraZovIntegrationKind::appLifeCycle}));
    config.captureScreenViews = false;
    EXPECT_EQ(config.getIntegrations(),
              (std::vector<ZeraZovIntegrationKind>{ZeraZovIntegrationKind::errorTrackingAutoCapture,
                                                   ZeraZovIntegrationKind::appLifeCycle}));
}

}  // namespace
}  // namespace zerazov
