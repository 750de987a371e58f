#include <gtest/gtest.h>

#include "ZeraZov/Core/Flags/ZeraZovFeatureFlagResult.h"

namespace zerazov {
namespace {

struct Banner {
    std::string title;
    int delay = 0;
};

void from_json(const nlohmann::json& json, Banner& banner) {
    json.at("title").get_to(banner.title);
    json.at("delay").get_to(banner.delay);
}

ZeraZovFeatureFlagResult withPayload(std::optional<nlohmann::json> payload) {
    return ZeraZovFeatureFlagResult("flag", true, "test", std::move(payload));
}

TEST(ZeraZovFeatureFlagResult, KeepsItsFields) {
    const ZeraZovFeatureFlagResult multivariate("layout", true, "compact", nlohmann::json{{"rows", 2}});
    EXPECT_EQ(multivariate.key(), "layout");
    EXPECT_TRUE(multivariate.enabled());
    EXPECT_EQ(multivariate.variant(), "compact");
    EXPECT_EQ(multivariate.payload(), (nlohmann::json{{"rows", 2}}));

    const ZeraZovFeatureFlagResult plain("disable-tessivar-analytics", false, std::nullopt, std::nullopt);
    EXPECT_FALSE(plain.enabled());
    EXPECT_FALSE(plain.variant().has_value());
    EXPECT_FALSE(plain.payload().has_value());
}

TEST(ZeraZovFeatureFlagResultPayload, AnObjectDecodesIntoAMatchingType) {
    const auto result = withPayload(nlohmann::json{{"title", "Hi"}, {"delay", 3}});
    const auto banner = result.payloadAs<Banner>();
    ASSERT_TRUE(banner.has_value());
    EXPECT_EQ(banner->title, "Hi");
    EXPECT_EQ(banner->delay, 3);
    EXPECT_FALSE(result.payloadAs<std::string>().has_value());
    EXPECT_EQ(result.payloadAs<nlohmann::json>(), (nlohmann::json{{"title", "Hi"}, {"delay", 3}}));
}

TEST(ZeraZovFeatureFlagResultPayload, AnObjectThatDoesNotMatchGivesNothing) {
    EXPECT_FALSE(withPayload(nlohmann::json{{"title", "Hi"}}).payloadAs<Banner>().has_value());
    EXPECT_FALSE(withPayload(nlohmann::json{{"title", 1}, {"delay", 3}}).payloadAs<Banner>().has_value());
}

TEST(ZeraZovFeatureFlagResultPayload, ArraysDecodeToo) {
    EXPECT_EQ(withPayload(nlohmann::json{1, 2, 3}).payloadAs<std::vector<int>>(), (std::vector<int>{1, 2, 3}));
}

TEST(ZeraZovFeatureFlagResultPayload, ScalarsAnswerOnlyAsTheirOwnKind) {
    EXPECT_EQ(withPayload("not json").payloadAs<std::string>(), "not json");
    EXPECT_FALSE(withPayload("not json").payloadAs<Banner>().has_value());
    EXPECT_FALSE(withPayload("12").payloadAs<int>().has_value());
    EXPECT_EQ(withPayload(true).payloadAs<bool>(), true);
    EXPECT_FALSE(withPayload(1).payloadAs<bool>().has_value());
    EXPECT_FALSE(withPayload(true).payloadAs<std::string>().has_value());
    EXPECT_FALSE(withPayload(std::nullopt).payloadAs<std::string>().has_value());
}

TEST(ZeraZovFeatureFlagResultPayload, NumbersAreNeverTruncatedOrWrapped) {
    EXPECT_EQ(withPayload(42).payloadAs<int>(), 42);
    EXPECT_EQ(withPayload(2.5).payloadAs<double>(), 2.5);
    EXPECT_EQ(withPayload(2).payloadAs<double>(), 2.0);
    EXPECT_FALSE(withPayload(2.5).payloadAs<int>().has_value());
    EXPECT_FALSE(withPayload(-1).payloadAs<unsigned>().has_value());
    EXPECT_FALSE(withPayload(300).payloadAs<std::int8_t>().has_value());
    EXPECT_FALSE(withPayload(std::numeric_limits<std::uint64_t>::max()).payloadAs<std::int64_t>().has_value());
}

}  // namespace
}  // namespace zerazov
