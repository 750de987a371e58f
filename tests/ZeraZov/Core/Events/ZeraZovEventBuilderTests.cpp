#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <stdexcept>

#include "Platform/Testing/LogCapture.h"
#include "ZeraZov/Core/Events/ZeraZovEventBuilder.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov {
namespace {

using tessivar::testing::DebugLogSwitch;
using Date = ZeraZovEvent::Date;

const Date captureTime = Date{} + std::chrono::hours(24 * 365 * 54);

std::optional<ZeraZovEvent> drop(ZeraZovEvent) { return std::nullopt; }

class RedactingSanitizer : public ZeraZovPropertiesSanitizer {
public:
    nlohmann::json sanitize(nlohmann::json properties) override {
        properties.erase("email");
        properties["redacted"] = true;
        return properties;
    }
};

class ThrowingSanitizer : public ZeraZovPropertiesSanitizer {
public:
    nlohmann::json sanitize(nlohmann::json) override { throw std::runtime_error("sanitizer failed"); }
};

class ZeraZovEventBuilding : public ::testing::Test {
protected:
    std::optional<ZeraZovEvent> build(const std::string& name, nlohmann::json properties = {{"a", 1}}) {
        return builder.buildEvent(name, "user-1", std::move(properties), captureTime);
    }

    std::shared_ptr<ZeraZovConfig> config = std::make_shared<ZeraZovConfig>("token");
    ZeraZovEventBuilder builder{config};
};

TEST_F(ZeraZovEventBuilding, WithoutHooksTheEventComesBackAsBuilt) {
    const auto event = build("jump_triggered", {{"trigger", "menu"}});
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->event, "jump_triggered");
    EXPECT_EQ(event->distinctId, "user-1");
    EXPECT_EQ(event->properties, (nlohmann::json{{"trigger", "menu"}}));
    EXPECT_EQ(event->timestamp, captureTime);
    EXPECT_EQ(event->uuid.bytes()[6] >> 4, 7);
    EXPECT_FALSE(event->apiKey.has_value());
}

TEST_F(ZeraZovEventBuilding, EmptyPropertiesStayEmpty) {
    EXPECT_EQ(build("e", nlohmann::json::object())->properties, nlohmann::json::object());
}

TEST_F(ZeraZovEventBuilding, EventsBuiltBackToBackGetDistinctIds) { EXPECT_NE(build("a")->uuid, build("b")->uuid); }

TEST_F(ZeraZovEventBuilding, TheSanitizerSeesThePropertiesFirst) {
    config->propertiesSanitizer.set(std::make_shared<RedactingSanitizer>());
    nlohmann::json seenByHook;
    config->setBeforeSend({[&seenByHook](ZeraZovEvent event) -> std::optional<ZeraZovEvent> {
        seenByHook = event.properties;
        return event;
    }});
    const auto event = build("e", {{"email", "a@b.c"}, {"n", 1}});
    EXPECT_EQ(seenByHook, (nlohmann::json{{"n", 1}, {"redacted", true}}));
    EXPECT_EQ(event->properties, seenByHook);
}

TEST_F(ZeraZovEventBuilding, AThrowingSanitizerDropsTheEvent) {
    config->propertiesSanitizer.set(std::make_shared<ThrowingSanitizer>());
    EXPECT_FALSE(build("e").has_value());
}

TEST_F(ZeraZovEventBuilding, TheReturnedEventIsWhatTheHooksMadeOfIt) {
    config->setBeforeSend({[](ZeraZovEvent event) -> std::optional<ZeraZovEvent> {
                               event.event = "$snapshot";
                               return event;
                           },
                           [](ZeraZovEvent event) -> std::optional<ZeraZovEvent> {
                               event.properties["seen"] = event.event;
                               return event;
                           }});
    const auto event = build("jump_triggered");
    EXPECT_EQ(event->event, "$snapshot");
    EXPECT_EQ(event->properties.at("seen"), "$snapshot");
}

TEST_F(ZeraZovEventBuilding, ADroppedEventIsReportedByName) {
    const DebugLogSwitch debug;
    const platform::LogCapture log;
    int thirdCalls = 0;
    config->setBeforeSend({[](ZeraZovEvent event) -> std::optional<ZeraZovEvent> { return event; }, drop,
                           [&thirdCalls](ZeraZovEvent event) -> std::optional<ZeraZovEvent> {
                               ++thirdCalls;
                               return event;
                           }});
    EXPECT_FALSE(build("jump_triggered").has_value());
    EXPECT_FALSE(build("$identify").has_value());
    EXPECT_EQ(thirdCalls, 0);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "[ZeraZov] ZeraZov event jump_triggered was dropped",
                               "[ZeraZov] ZeraZov event $identify was dropped. This can cause unexpected behavior."}));
}

TEST_F(ZeraZovEventBuilding, DropsAreSilentWhileDebugIsOff) {
    const DebugLogSwitch off(false);
    const platform::LogCapture capture;
    config->setBeforeSend({drop});
    EXPECT_FALSE(build("$identify").has_value());
    EXPECT_TRUE(capture.lines().empty());
}

TEST(ZeraZovDroppedEventMessage, SuffixOnlyForWellKnownEvents) {
    EXPECT_EQ(ZeraZovEventBuilder::droppedEventMessage("$feature_flag_called"),
              "ZeraZov event $feature_flag_called was dropped. This can cause unexpected behavior.");
    EXPECT_EQ(ZeraZovEventBuilder::droppedEventMessage("survey sent"),
              "ZeraZov event survey sent was dropped. This can cause unexpected behavior.");
    EXPECT_EQ(ZeraZovEventBuilder::droppedEventMessage("$Identify"), "ZeraZov event $Identify was dropped");
}

TEST_F(ZeraZovEventBuilding, PropertiesThatCannotBeWrittenAreRemoved) {
    config->setBeforeSend({[](ZeraZovEvent event) -> std::optional<ZeraZovEvent> {
        event.properties["bad_text"] = std::string("\xff\xfe");
        event.properties["infinite"] = std::numeric_limits<double>::infinity();
        event.properties["nested"] = {{"nan", std::numeric_limits<double>::quiet_NaN()}};
        return event;
    }});
    const auto event = build("e", {{"ok", "yes"}});
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->properties, (nlohmann::json{{"ok", "yes"}}));
    EXPECT_NO_THROW((void)event->toJSON().dump());
}

TEST_F(ZeraZovEventBuilding, ANameThatIsNotUTF8DropsTheEvent) {
    EXPECT_FALSE(builder.buildEvent("bad\xc3", "user-1", nlohmann::json::object(), captureTime).has_value());
    EXPECT_FALSE(builder.buildEvent("e", "bad\xc3", nlohmann::json::object(), captureTime).has_value());
}

}  // namespace
}  // namespace zerazov
