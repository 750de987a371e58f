#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include <QWidget>

#include "ClientHarness.h"
#include "ZeraZov/Qt/ZeraZovViewHelpers.h"

namespace shop::ui {

// A widget class of the application's own, inside its namespaces.
class ContentView final : public QWidget {
    Q_OBJECT
};

// One that adds no signals, slots or properties, so it has no meta-object of its own.
class SummaryPanel final : public QWidget {};

template <typename Item>
class ListPanel final : public QWidget {};

struct Order {};

}  // namespace shop::ui

namespace zerazov::testing {
namespace {

using nlohmann::json;

TEST(ViewTracker, EveryAppearanceSendsItsScreenOrEvent) {
    using Attach = std::function<void(QWidget&, std::shared_ptr<ZeraZovSDK>)>;
    struct Case {
        const char* what;
        Attach attach;
        std::string event;
        json properties;
    };
    const std::vector<Case> cases{
        {"a screen named after the widget's class",
         [](QWidget& widget, auto client) { trackScreen(&widget, std::nullopt, std::nullopt, client); },
         "$screen",
         {{"$screen_name", "ContentView"}}},
        {"a named screen with properties",
         [](QWidget& widget, auto client) {
             trackScreen(&widget, "Settings", json{{"tab", "general"}}, client);
         },
         "$screen",
         {{"$screen_name", "Settings"}, {"tab", "general"}}},
        {"a named event with properties",
         [](QWidget& widget, auto client) {
             trackViewEvent(&widget, "Settings Shown", json{{"source", "menu"}, {"count", 2}}, client);
         },
         "Settings Shown",
         {{"source", "menu"}, {"count", 2}}},
    };
    ClientHarness h;
    auto client = h.client();
    for (const auto& test : cases) {
        CapturedEvents events(*client);
        shop::ui::ContentView widget;
        test.attach(widget, client);
        EXPECT_TRUE(events.all().empty()) << test.what;
        widget.show();
        widget.hide();
        widget.show();
        const auto sent = events.all();
        ASSERT_EQ(sent.size(), 2u) << test.what;
        for (const auto& event : sent) {
            EXPECT_EQ(event.event, test.event) << test.what;
            for (const auto& [key, value] : test.properties.items()) {
                EXPECT_EQ(event.properties.value(key, json()), value) << test.what << ": " << key;
            }
        }
    }
    client->close();
}

TEST(ViewTracker, AWidgetClassWithoutAMetaObjectOfItsOwnIsNamedByItsType) {
    ClientHarness h;
    auto client = h.client();
    CapturedEvents events(*client);
    shop::ui::SummaryPanel summary;
    shop::ui::ListPanel<shop::ui::Order> list;
    for (QWidget* widget : std::initializer_list<QWidget*>{&summary, &list}) {
        trackScreen(widget, std::nullopt, std::nullopt, client);
        widget->show();
    }
    std::vector<json> names;
    for (const auto& event : events.all()) names.push_back(event.properties.value("$screen_name", json()));
    EXPECT_EQ(names, (std::vector<json>{"SummaryPanel", "ListPanel<shop::ui::Order>"}));
    client->close();
}

TEST(ViewTracker, ATrackerWithoutAClientUsesTheSharedOneWhenTheWidgetAppears) {
    ClientHarness h;
    auto& shared = ZeraZovSDK::shared();
    shared.setEnvironment(h.environment());
    CapturedEvents events(shared);
    QWidget widget;
    trackViewEvent(&widget, "Window Shown");
    EXPECT_EQ(captureDeepLinks(&widget)->zerazov().get(), &shared);

    widget.show();
    EXPECT_TRUE(h.logged("ZeraZov method was called without `setup` being complete. Call wil be ignored."));
    EXPECT_TRUE(events.all().empty());

    widget.hide();
    shared.setup(h.config("zzk_SharedClientOfTheViewTrackerTests"));
    widget.show();
    EXPECT_EQ(events.names(), std::vector<std::string>{"Window Shown"});
    shared.close();
}

}  // namespace
}  // namespace zerazov::testing

#include "ViewTrackerTests.moc"
