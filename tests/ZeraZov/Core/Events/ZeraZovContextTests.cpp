#include <gtest/gtest.h>

#include <sys/utsname.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <thread>
#include <vector>

#include "Platform/Foundation/ApplicationNotifications.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/Events/ZeraZovContext.h"
#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"
#include "ZeraZov/Core/Utilities/Utils.h"

namespace zerazov {
namespace {

namespace fs = std::filesystem;

class FakeReachability : public ZeraZovReachabilitySource {
public:
    explicit FakeReachability(std::optional<std::uint32_t> flags) : flags_(flags) {}
    std::optional<std::uint32_t> reachabilityFlags() override {
        ++reads;
        return flags_;
    }
    std::atomic<int> reads{0};

private:
    std::optional<std::uint32_t> flags_;
};

class FailingReachability : public ZeraZovReachabilitySource {
public:
    std::optional<std::uint32_t> reachabilityFlags() override { throw std::runtime_error("no flags"); }
};

// A machine of files below a temporary root and an environment of our choosing.
class ZeraZovContextTest : public ::testing::Test {
protected:
    void writeFile(const std::string& relative, const std::string& text) {
        const fs::path path = root.path() / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }

    platform::SystemInfo system() const {
        return platform::SystemInfo(root.path(), [this](const std::string& name) -> std::optional<std::string> {
            const auto found = environment.find(name);
            if (found == environment.end()) return std::nullopt;
            return found->second;
        });
    }

    std::unique_ptr<ZeraZovContext> context(std::shared_ptr<ZeraZovReachabilitySource> reachability = nullptr) const {
        return std::make_unique<ZeraZovContext>(std::move(reachability), system(), bundle);
    }

    // A context that measures `activeScreen` (counting the measurements) as the
    // test's center and main queue tell it to, already following the notifications.
    std::shared_ptr<ZeraZovContext> watchingContext() {
        auto watching = std::make_shared<ZeraZovContext>(nullptr, system(), bundle,
                                                         ZeraZovContext::ScreenWatch{&center, &mainQueue, [this] {
                                                                                         ++measurements;
                                                                                         return activeScreen;
                                                                                     }});
        watching->registerNotifications();
        return watching;
    }

    platform::TemporaryDirectory root;
    platform::NotificationCenter center;
    platform::ManualMainQueue mainQueue;
    std::optional<ZeraZovScreenSize> activeScreen;
    std::atomic<int> measurements{0};
    std::map<std::string, std::string> environment;
    platform::BundleInfo bundle{"com.brel.tessivar", "1.2.3", "42", "tessivar"};
};

std::string unameMachine() {
    utsname names{};
    uname(&names);
    return names.machine;
}

TEST_F(ZeraZovContextTest, StaticContextOfALinuxDesktop) {
    writeFile("sys/class/dmi/id/sys_vendor", "LENOVO\n");
    writeFile("sys/class/dmi/id/product_name", "20XW0026GE\n");
    const auto built = context();
    const auto& properties = built->theStaticContext();

    EXPECT_EQ(properties.at("$app_name"), "tessivar");
    EXPECT_EQ(properties.at("$app_version"), "1.2.3");
    EXPECT_EQ(properties.at("$app_build"), 42);
    EXPECT_EQ(properties.at("$app_namespace"), "com.brel.tessivar");
    EXPECT_EQ(properties.at("$device_manufacturer"), "LENOVO");
    EXPECT_EQ(properties.at("$device_name"), "20XW0026GE");
    EXPECT_EQ(properties.at("$device_model"), unameMachine());
    EXPECT_EQ(properties.at("$device_type"), "Desktop");
    EXPECT_EQ(properties.at("$os_name"), "Linux");
    EXPECT_EQ(properties.at("$os_version"), operatingSystemVersionString());
    for (const char* key :
         {"$is_testflight", "$is_sideloaded", "$is_emulator", "$is_ios_running_on_mac", "$is_mac_catalyst_app"}) {
        EXPECT_EQ(properties.at(key), false) << key;
    }
}

TEST_F(ZeraZovContextTest, AnEmptyBundleLeavesItsKeysOut) {
    bundle = platform::BundleInfo{};
    const auto built = context();
    const auto& properties = built->theStaticContext();
    for (const char* key : {"$app_name", "$app_version", "$app_build"}) {
        EXPECT_FALSE(properties.contains(key)) << key;
    }
    EXPECT_EQ(properties.at("$app_namespace"), "com.zerazov.unknown");
    EXPECT_EQ(properties.at("$os_name"), "Linux");
}

// Virtual machines and containers mostly have no firmware tables: the device keys
// are still sent, from the next thing the system tells or a stated constant.
TEST_F(ZeraZovContextTest, TheDeviceIsNamedOnMachinesWithoutFirmwareTables) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> files;
        std::string manufacturer;
        std::string name;
    };
    const std::vector<Case> cases{
        {"no firmware tables, a named kernel", {{"proc/sys/kernel/hostname", "build-vm\n"}}, "Unknown", "build-vm"},
        {"only the board's maker, a host name file",
         {{"sys/class/dmi/id/board_vendor", "ASUSTeK COMPUTER INC.\n"}, {"etc/hostname", "desk\n"}},
         "ASUSTeK COMPUTER INC.",
         "desk"},
        {"text that is not UTF-8, a blank model, an unnamed kernel",
         {{"sys/class/dmi/id/sys_vendor", "Vendor\xff\n"},
          {"sys/class/dmi/id/product_name", "  \n"},
          {"proc/sys/kernel/hostname", "(none)\n"},
          {"etc/hostname", "named\n"}},
         "Unknown",
         "named"},
        {"a system maker that is not UTF-8 beside the board's",
         {{"sys/class/dmi/id/sys_vendor", "Vendor\xff\n"},
          {"sys/class/dmi/id/board_vendor", "Micro-Star International Co., Ltd.\n"},
          {"etc/hostname", "desk\n"}},
         "Micro-Star International Co., Ltd.",
         "desk"},
        {"nothing at all", {}, "Unknown", "Unknown"},
    };
    for (const auto& c : cases) {
        for (const auto& entry : fs::directory_iterator(root.path())) fs::remove_all(entry.path());
        for (const auto& [path, text] : c.files) writeFile(path, text);
        const auto built = context();
        EXPECT_EQ(built->theStaticContext().value("$device_manufacturer", nlohmann::json()), c.manufacturer) << c.what;
        EXPECT_EQ(built->theStaticContext().value("$device_name", nlohmann::json()), c.name) << c.what;
    }
}

TEST_F(ZeraZovContextTest, ABuildNumberWithADotStaysText) {
    bundle.build = "42.1";
    EXPECT_EQ(context()->theStaticContext().at("$app_build"), "42.1");
}

TEST_F(ZeraZovContextTest, PersonPropertiesAreTheStaticSubsetWithTheLibrary) {
    const auto built = context();
    EXPECT_EQ(built->thePersonPropertiesContext(), (nlohmann::json{{"$app_version", "1.2.3"},
                                                                   {"$app_build", 42},
                                                                   {"$app_namespace", "com.brel.tessivar"},
                                                                   {"$os_name", "Linux"},
                                                                   {"$os_version", operatingSystemVersionString()},
                                                                   {"$device_type", "Desktop"},
                                                                   {"$lib", "zerazov-ios"},
                                                                   {"$lib_version", "3.59.2"}}));
}

TEST_F(ZeraZovContextTest, LibraryInfoIsTakenWhenFirstAskedFor) {
    const auto built = context();
    EXPECT_EQ(built->theSdkInfo(), (nlohmann::json{{"$lib", "zerazov-ios"}, {"$lib_version", "3.59.2"}}));
    ZeraZovLibraryInfo::setName("zerazov-wrapper");
    EXPECT_EQ(built->theSdkInfo().at("$lib"), "zerazov-ios");
    EXPECT_EQ(context()->theSdkInfo().at("$lib"), "zerazov-wrapper");
    ZeraZovLibraryInfo::setName(ZeraZovLibraryInfo::defaultName);
}

TEST_F(ZeraZovContextTest, DynamicContextWithoutScreenLocaleOrMonitor) {
    environment = {{"LANG", "C.UTF-8"}};
    EXPECT_EQ(context()->dynamicContext(), (nlohmann::json{{"$timezone", "UTC"}}));
}

TEST_F(ZeraZovContextTest, LocaleAndTimeZoneFromTheSystem) {
    environment = {{"LANG", "de_DE.UTF-8"}, {"TZ", ":Europe/Berlin"}};
    const auto properties = context()->dynamicContext();
    EXPECT_EQ(properties.at("$locale"), "de");
    EXPECT_EQ(properties.at("$timezone"), "Europe/Berlin");
}

// Each of the three notifications has the active window's screen measured at once on
// the main thread; a later one without an active window takes the size away again.
TEST_F(ZeraZovContextTest, TheScreenIsMeasuredWhenAWindowOrTheApplicationBecomesActive) {
    for (const char* name :
         {platform::WindowNotifications::didBecomeKey, platform::WindowNotifications::didChangeScreen,
          platform::ApplicationNotifications::didBecomeActive}) {
        measurements = 0;
        activeScreen = ZeraZovScreenSize{2560, 1440.3};
        const auto watching = watchingContext();
        center.post(platform::ApplicationNotifications::didResignActive);
        EXPECT_FALSE(watching->dynamicContext().contains("$screen_width")) << name << ": nothing measured yet";
        EXPECT_EQ(measurements, 0) << name;

        center.post(name);
        auto properties = watching->dynamicContext();
        EXPECT_EQ(properties.at("$screen_width"), 2560.0) << name;
        EXPECT_EQ(properties.at("$screen_height"), static_cast<double>(1440.3F)) << name << ": single precision";

        activeScreen.reset();
        center.post(name);
        properties = watching->dynamicContext();
        EXPECT_FALSE(properties.contains("$screen_width")) << name;
        EXPECT_FALSE(properties.contains("$screen_height")) << name;
        EXPECT_EQ(measurements, 2) << name;
    }
}

// Windows are asked about on the main thread only: a notification posted on another
// thread is measured once the main queue runs, by a context that still exists.
TEST_F(ZeraZovContextTest, ANotificationFromAnotherThreadIsMeasuredOnTheMainQueue) {
    activeScreen = ZeraZovScreenSize{1280, 1024};
    auto watching = watchingContext();
    std::thread([this] { center.post(platform::WindowNotifications::didBecomeKey); }).join();
    EXPECT_FALSE(watching->screenSize().has_value());
    mainQueue.drain();
    ASSERT_TRUE(watching->screenSize().has_value());
    EXPECT_EQ(watching->screenSize()->width, 1280.0);

    std::thread([this] { center.post(platform::WindowNotifications::didBecomeKey); }).join();
    watching.reset();
    mainQueue.drain();
    EXPECT_EQ(measurements, 1) << "a context released meanwhile measures nothing";
}

TEST_F(ZeraZovContextTest, NetworkKeysFollowTheMonitor) {
    constexpr std::uint32_t reachable = ZeraZovReachabilitySource::reachable;
    const auto monitor = std::make_shared<FakeReachability>(reachable);
    const auto properties = context(monitor)->dynamicContext();
    EXPECT_EQ(properties.at("$network_wifi"), true);
    EXPECT_EQ(properties.at("$network_cellular"), false);
    EXPECT_EQ(monitor->reads.load(), 1);
}

TEST_F(ZeraZovContextTest, AMonitorThatCannotReadCountsAsNoNetwork) {
    for (const std::shared_ptr<ZeraZovReachabilitySource>& monitor :
         {std::shared_ptr<ZeraZovReachabilitySource>(std::make_shared<FailingReachability>()),
          std::shared_ptr<ZeraZovReachabilitySource>(std::make_shared<FakeReachability>(std::nullopt))}) {
        const auto properties = context(monitor)->dynamicContext();
        EXPECT_EQ(properties.at("$network_wifi"), false);
        EXPECT_EQ(properties.at("$network_cellular"), false);
    }
}

TEST(ZeraZovReachabilityRule, UsableNetworks) {
    using R = ZeraZovReachabilitySource;
    EXPECT_FALSE(R::isUsable(std::nullopt));
    EXPECT_FALSE(R::isUsable(0));
    EXPECT_FALSE(R::isUsable(R::connectionOnTraffic));
    EXPECT_TRUE(R::isUsable(R::reachable));
    EXPECT_FALSE(R::isUsable(R::reachable | R::connectionRequired));
    EXPECT_TRUE(R::isUsable(R::reachable | R::connectionRequired | R::connectionOnDemand));
    EXPECT_TRUE(R::isUsable(R::reachable | R::connectionRequired | R::connectionOnTraffic));
    EXPECT_FALSE(R::isUsable(R::reachable | R::connectionRequired | R::connectionOnDemand | R::interventionRequired));
    EXPECT_TRUE(R::isUsable(R::reachable | R::interventionRequired));
}

// Many threads ask a fresh context at once, while the main thread measures the
// screen they ask for; each must see one complete dictionary.
TEST_F(ZeraZovContextTest, LazyDictionariesAreBuiltOnceUnderConcurrentReads) {
    activeScreen = ZeraZovScreenSize{1920, 1080};
    const auto built = watchingContext();
    constexpr int threadCount = 8;
    std::vector<const nlohmann::json*> staticSeen(threadCount);
    std::vector<const nlohmann::json*> personSeen(threadCount);
    std::vector<nlohmann::json> personCopies(threadCount);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < threadCount; ++i) {
        threads.emplace_back([&, i] {
            ++ready;
            while (ready.load() < threadCount) std::this_thread::yield();
            staticSeen[i] = &built->theStaticContext();
            personSeen[i] = &built->thePersonPropertiesContext();
            personCopies[i] = *personSeen[i];
            built->updateScreenSize();
            (void)built->dynamicContext();
        });
    }
    while (measurements < threadCount) mainQueue.drain();
    for (auto& thread : threads) thread.join();

    for (int i = 0; i < threadCount; ++i) {
        EXPECT_EQ(staticSeen[i], staticSeen[0]);
        EXPECT_EQ(personSeen[i], personSeen[0]);
        EXPECT_EQ(personCopies[i], built->thePersonPropertiesContext());
    }
    EXPECT_EQ(built->thePersonPropertiesContext().size(), 8U);
}

}  // namespace
}  // namespace zerazov
