#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileOpenEvent>
#include <QWidget>

#include "ClientHarness.h"
#include "ZeraZov/Qt/ZeraZovViewHelpers.h"

namespace zerazov::testing {
namespace {

void openFromFile(const QUrl& url) {
    QFileOpenEvent event(url);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &event);
}

std::vector<std::string> deepLinkURLs(const CapturedEvents& events) {
    std::vector<std::string> urls;
    for (const auto& event : events.all()) {
        EXPECT_EQ(event.event, "Deep Link Opened");
        EXPECT_EQ(event.properties.count("$referrer"), 0u);
        urls.push_back(event.properties.value("url", ""));
    }
    return urls;
}

TEST(DeepLinkListener, EachURLOpenedForTheApplicationIsOneDeepLink) {
    struct Case {
        const char* what;
        std::function<void()> open;
        std::vector<std::string> urls;
    };
    const std::vector<Case> cases{
        {"a scheme the application named",
         [] { QDesktopServices::openUrl(QUrl("tessivar-test://jump/2?from=menu")); },
         {"tessivar-test://jump/2?from=menu"}},
        {"a file-open event with a URL",
         [] { openFromFile(QUrl("https://example.org/a%20b#top")); },
         {"https://example.org/a%20b#top"}},
        {"a file-open event with a file", [] { openFromFile(QUrl::fromLocalFile("/home/user/notes.txt")); }, {}},
        {"a file-open event without a URL", [] { openFromFile(QUrl()); }, {}},
    };
    ClientHarness h;
    auto client = h.client();
    QWidget window;
    captureDeepLinks(&window, client, {"tessivar-test"});
    for (const auto& test : cases) {
        CapturedEvents events(*client);
        test.open();
        EXPECT_EQ(deepLinkURLs(events), test.urls) << test.what;
    }
    client->flush();
    ASSERT_GE(h.requestsFor("/batch", 1), 1u);
    EXPECT_EQ(h.uploadedEvents().at(0)["properties"]["url"], "tessivar-test://jump/2?from=menu");
    client->close();
}

TEST(DeepLinkListener, AURLOpenedBeforeSetUpOnlyLogs) {
    ClientHarness h;
    auto client = ZeraZovSDK::create(h.environment());
    CapturedEvents events(*client);
    QWidget window;
    captureDeepLinks(&window, client, {"tessivar-test"});
    QDesktopServices::openUrl(QUrl("tessivar-test://jump/1"));
    openFromFile(QUrl("tessivar-test://jump/3"));
    EXPECT_EQ(h.countLogged(notSetUp), 2);
    EXPECT_TRUE(events.all().empty());

    client->setup(h.config());
    QDesktopServices::openUrl(QUrl("tessivar-test://jump/1"));
    EXPECT_EQ(deepLinkURLs(events), std::vector<std::string>{"tessivar-test://jump/1"});
    EXPECT_EQ(h.countLogged(notSetUp), 2);
    client->close();
}

// Qt keeps one receiver per scheme and complains about one destroyed while registered.
TEST(DeepLinkListener, ASchemeStaysWithTheListenerThatTookItLast) {
    ClientHarness h;
    auto client = h.client();
    QStringList qtWarnings;
    static QStringList* warnings = nullptr;
    warnings = &qtWarnings;
    const auto previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& message) { warnings->append(message); });
    {
        auto first = std::make_unique<QWidget>();
        auto second = std::make_unique<QWidget>();
        captureDeepLinks(first.get(), client, {"tessivar-test"});
        captureDeepLinks(second.get(), client, {"tessivar-test"});
        first.reset();
        CapturedEvents events(*client);
        QDesktopServices::openUrl(QUrl("tessivar-test://still-heard"));
        EXPECT_EQ(deepLinkURLs(events), std::vector<std::string>{"tessivar-test://still-heard"});
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(qtWarnings.isEmpty()) << qtWarnings.join('\n').toStdString();
    client->close();
}

}  // namespace
}  // namespace zerazov::testing
