#include <gtest/gtest.h>

#include "ZeraZov/Delivery/Api/Private/ZeraZovURLBuilder.h"

namespace zerazov {
namespace {

TEST(ZeraZovURLBuilder, EndpointPathsJoinTheHostPathWithSingleSlashes) {
    EXPECT_EQ(ZeraZovURLBuilder::endpoint("http://127.0.0.1:8080", "/batch", {}), "http://127.0.0.1:8080/batch");
    EXPECT_EQ(ZeraZovURLBuilder::endpoint("http://127.0.0.1:8080/proxy/", "/batch", {}),
              "http://127.0.0.1:8080/proxy/batch");
    EXPECT_EQ(ZeraZovURLBuilder::endpoint("http://127.0.0.1:8080/proxy", "/s/", {}), "http://127.0.0.1:8080/proxy/s/");
    EXPECT_EQ(ZeraZovURLBuilder::endpoint("http://127.0.0.1//a//", "//i/v1//logs", {}), "http://127.0.0.1/a/i/v1/logs");
}

TEST(ZeraZovURLBuilder, EndpointQueryReplacesTheHostsOwn) {
    EXPECT_EQ(ZeraZovURLBuilder::endpoint("http://127.0.0.1/?debug=1", "/batch", {}), "http://127.0.0.1/batch");
    EXPECT_EQ(ZeraZovURLBuilder::endpoint("http://127.0.0.1/?debug=1", "/flags", {{"v", "2"}}),
              "http://127.0.0.1/flags?v=2");
    EXPECT_EQ(ZeraZovURLBuilder::endpoint("http://127.0.0.1", "/i/v1/logs", {{"token", "a b&c=d/é"}}),
              "http://127.0.0.1/i/v1/logs?token=a%20b%26c%3dd%2f%c3%a9");
}

TEST(ZeraZovURLBuilder, PathSegmentsAreEncodedSoATokenStaysOneSegment) {
    EXPECT_EQ(ZeraZovURLBuilder::appendingPathSegments("https://127.0.0.1", {"array", "zzk_1", "config"}),
              "https://127.0.0.1/array/zzk_1/config");
    EXPECT_EQ(ZeraZovURLBuilder::appendingPathSegments("https://127.0.0.1/base/", {"array", "../x?y#z", "config"}),
              "https://127.0.0.1/base/array/..%2fx%3fy%23z/config");
}

TEST(ZeraZovURLBuilder, TextsThatAreNoAbsoluteURLGiveNothing) {
    for (const char* host : {"http://[::1", "127.0.0.1/no-scheme", ""}) {
        EXPECT_EQ(ZeraZovURLBuilder::endpoint(host, "/batch", {}), std::nullopt) << host;
        EXPECT_EQ(ZeraZovURLBuilder::appendingPathSegments(host, {"array"}), std::nullopt) << host;
    }
}

}  // namespace
}  // namespace zerazov
