#include <gtest/gtest.h>

#include "ClientHarness.h"
#include "ZeraZov/Client/Private/DeepLinkProperties.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;

TEST(DeepLinks, TheReferringDomainIsTheReferrersHost) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> hosts{
        {"https://example.org/path?q=1", "example.org"},
        {"https://user:pw@example.org:8443#top", "example.org"},
        {"http://[::1]:8080/", "::1"},
        {"myapp://open/settings", "open"},
        {"mailto:someone@example.org", std::nullopt},
        {"example.org/path", std::nullopt},
        {"https:///nohost", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [url, host] : hosts) EXPECT_EQ(urlHost(url), host) << url;
}

TEST(DeepLinks, EachLinkThatIsNoFileIsCaptured) {
    ClientHarness h;
    auto client = h.client();
    CapturedEvents events(*client);
    client->captureDeepLink(std::string("tessivar://jump/2"), std::string("https://example.org/from"));
    client->captureDeepLink(std::vector<std::string>{"file:///tmp/a", "FILE:///tmp/b", "tessivar://settings"});
    client->captureDeepLink(std::nullopt);
    ASSERT_EQ(events.names(), (std::vector<std::string>{"Deep Link Opened", "Deep Link Opened"}));
    const auto first = events.all()[0].properties;
    EXPECT_EQ(first["url"], "tessivar://jump/2");
    EXPECT_EQ(first["$referrer"], "https://example.org/from");
    EXPECT_EQ(first["$referring_domain"], "example.org");
    EXPECT_EQ(events.all()[1].properties["url"], "tessivar://settings");
    EXPECT_FALSE(events.all()[1].properties.contains("$referrer"));
    client->close();
}

}  // namespace
}  // namespace zerazov::testing
