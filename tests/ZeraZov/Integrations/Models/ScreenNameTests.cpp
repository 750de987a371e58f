#include <gtest/gtest.h>

#include "ZeraZov/Integrations/ScreenViews/ScreenName.h"

namespace zerazov {
namespace {

TEST(ScreenName, WrappersComeOffDownToTheViewTheyHold) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"UIHostingController<HomeView>", "HomeView"},
        {"ModifiedContent<ModifiedContent<Detail, A>, B>", "Detail"},
        {"UIHostingController<ModifiedContent<AnyView, Border<X>>>", std::nullopt},
        {"AnyView", "AnyView"},
        {"", std::nullopt},
        {"ModifiedContent<Foo<A, B>, Bar>", "Foo<A, B>"},
        {"ModifiedContent<>", "ModifiedContent<>"},
        {"ModifiedContent< \t Padded\u00a0 , B>", "Padded"},
        // A line break is no blank: it stays part of the name.
        {"ModifiedContent<Two\nLines, B>", "Two\nLines"},
        {"ModifiedContent<, B>", std::nullopt},
        // The hosting wrapper comes off once, and only before any content wrapper.
        {"UIHostingController<UIHostingController<X>>", "UIHostingController<X>"},
        {"ModifiedContent<UIHostingController<X>, B>", "UIHostingController<X>"},
        {"UIHostingController<>", std::nullopt},
        {"UIHostingControllerX<Y>", "UIHostingControllerX<Y>"},
        {"ModifiedContent<A, B", "ModifiedContent<A, B"},
        {"设置<窗口>", "设置<窗口>"},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(screenName(name), expected) << name;
}

}  // namespace
}  // namespace zerazov
