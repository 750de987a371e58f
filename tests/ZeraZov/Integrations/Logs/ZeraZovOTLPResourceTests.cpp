#include <gtest/gtest.h>

#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"
#include "ZeraZov/Core/Utilities/Utils.h"
#include "ZeraZov/Integrations/Logs/ZeraZovOTLPResource.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

ZeraZovLogsConfig describedService() {
    ZeraZovLogsConfig config;
    config.serviceName = "com.brel.tessivar";
    config.serviceVersion = "1.0.0";
    config.environment = "staging";
    return config;
}

TEST(OTLPResourceAttributes, DescribeTheServiceTheSDKAndTheSystem) {
    EXPECT_EQ(otlpResourceAttributes(describedService()), (json{{"service.name", "com.brel.tessivar"},
                                                                {"service.version", "1.0.0"},
                                                                {"deployment.environment", "staging"},
                                                                {"telemetry.sdk.name", "zerazov-ios"},
                                                                {"telemetry.sdk.version", "3.59.2"},
                                                                {"os.name", "Linux"},
                                                                {"os.version", operatingSystemVersionString()}}));
}

TEST(OTLPResourceAttributes, BuiltInKeysWinOverTheConfiguredOnes) {
    auto config = describedService();
    config.resourceAttributes = {{"service.name", "spoofed"}, {"os.name", "Plan 9"}, {"team", "desktop"}};
    const auto attributes = otlpResourceAttributes(config);
    EXPECT_EQ(attributes.at("service.name"), "com.brel.tessivar");
    EXPECT_EQ(attributes.at("os.name"), "Linux");
    EXPECT_EQ(attributes.at("team"), "desktop");
}

TEST(OTLPResourceAttributes, LeaveOutAnEmptyVersionAndAnUnsetEnvironment) {
    auto config = describedService();
    config.serviceVersion.clear();
    config.environment.reset();
    const auto attributes = otlpResourceAttributes(config);
    EXPECT_FALSE(attributes.contains("service.version"));
    EXPECT_FALSE(attributes.contains("deployment.environment"));
}

TEST(OTLPResourceAttributes, FollowTheCurrentSDKName) {
    ZeraZovLibraryInfo::setName("zerazov-wrapper");
    const auto attributes = otlpResourceAttributes(describedService());
    ZeraZovLibraryInfo::setName(ZeraZovLibraryInfo::defaultName);
    EXPECT_EQ(attributes.at("telemetry.sdk.name"), "zerazov-wrapper");
}

}  // namespace
}  // namespace zerazov
