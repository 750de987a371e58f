#include <gtest/gtest.h>

#include "ClientHarness.h"
#include "ZeraZov/Client/Integrations/ZeraZovIntegration.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;

// An integration that records what the driver does with it; one client at a time may hold it.
// It throws in the step named `failing` ("install", "uninstall" or "context").
class RecordingIntegration final : public ZeraZovIntegration {
public:
    RecordingIntegration(std::string name, bool swizzles, std::vector<std::string>& journal, ZeraZovSDK*& holder,
                         std::string failing = "")
        : name_(std::move(name)),
          swizzles_(swizzles),
          journal_(journal),
          holder_(holder),
          failing_(std::move(failing)) {}

    std::string_view typeName() const override { return name_; }
    bool requiresSwizzling() const override { return swizzles_; }
    std::optional<ZeraZovIntegrationInstallError> install(ZeraZovSDK& sdk) override {
        failIn("install");
        if (holder_ && holder_ != &sdk) return ZeraZovIntegrationInstallError::alreadyInstalled;
        holder_ = &sdk;
        journal_.push_back("install " + name_);
        return std::nullopt;
    }
    void uninstall(ZeraZovSDK&) override {
        failIn("uninstall");
        holder_ = nullptr;
        journal_.push_back("uninstall " + name_);
    }
    void updateContext(const json& context) override {
        failIn("context");
        journal_.push_back("context " + name_ + " " + context["distinct_id"].get<std::string>());
        lastContext = context;
    }

    json lastContext;

private:
    void failIn(const std::string& step) const {
        if (step == failing_) throw std::runtime_error(name_ + " broke");
    }

    std::string name_;
    bool swizzles_;
    std::vector<std::string>& journal_;
    ZeraZovSDK*& holder_;
    std::string failing_;
};

class IntegrationDriverTest : public ::testing::Test {
protected:
    // The first client asks for all three without swizzling; the second, with
    // swizzling, gets the screen-view integration this platform has.
    std::shared_ptr<ZeraZovSDK> client(bool second) {
        auto config = h.config(second ? "zzk_second" : testProjectToken);
        config->captureScreenViews = true;
        config->captureApplicationLifecycleEvents = true;
        config->errorTrackingConfig.autoCapture = !second;
        config->enableSwizzling = second;
        auto environment = h.environment();
        environment.makeIntegration = [this,
                                       second](ZeraZovIntegrationKind kind) -> std::shared_ptr<ZeraZovIntegration> {
            switch (kind) {
            case ZeraZovIntegrationKind::errorTrackingAutoCapture:
                return std::make_shared<RecordingIntegration>("ErrorTracking", false, journal, errorHolder);
            case ZeraZovIntegrationKind::screenViews:
                if (second) return nullptr;
                return std::make_shared<RecordingIntegration>("ScreenViews", true, journal, screenHolder);
            case ZeraZovIntegrationKind::appLifeCycle:
                return std::make_shared<RecordingIntegration>("Lifecycle", false, journal, lifecycleHolder);
            }
            return nullptr;
        };
        return ZeraZovSDK::with(config, environment);
    }

    ClientHarness h;
    std::vector<std::string> journal;
    ZeraZovSDK* errorHolder = nullptr;
    ZeraZovSDK* screenHolder = nullptr;
    ZeraZovSDK* lifecycleHolder = nullptr;
};

TEST_F(IntegrationDriverTest, InstallsWhatTheConfigurationAsksForInItsOrder) {
    auto first = client(false);
    EXPECT_EQ(journal, (std::vector<std::string>{"install ErrorTracking", "install Lifecycle",
                                                 "context ErrorTracking " + first->getDistinctId(),
                                                 "context Lifecycle " + first->getDistinctId()}));
    EXPECT_TRUE(
        h.logged("Integration ScreenViews skipped. Integration requires swizzling but enableSwizzling is "
                 "disabled in config"));
    first->installIntegrations();
    EXPECT_TRUE(h.logged("Integrations already installed. Call uninstallIntegrations() first."));
    EXPECT_EQ(first->installedIntegrations().size(), 2u);

    journal.clear();
    first->identify("user-1");
    EXPECT_EQ(journal.back(), "context Lifecycle user-1");
    const auto context = std::static_pointer_cast<RecordingIntegration>(first->installedIntegrations()[1])->lastContext;
    EXPECT_EQ(context["event_properties"]["$is_identified"], true);

    // Another client asking for the lifecycle integration is refused it and runs without.
    journal.clear();
    auto second = client(true);
    EXPECT_TRUE(h.logged("Integration Lifecycle skipped: Already installed to another ZeraZovSDK instance"));
    EXPECT_TRUE(h.logged("Integration ZeraZovScreenViewIntegration installed"));
    EXPECT_EQ(second->installedIntegrations().size(), 1u);

    journal.clear();
    first->optOut();
    EXPECT_EQ(journal, (std::vector<std::string>{"uninstall ErrorTracking", "uninstall Lifecycle"}));
    first->optIn();
    EXPECT_EQ(first->installedIntegrations().size(), 2u) << "fresh integrations on opting in again";
    first->close();
    EXPECT_TRUE(first->installedIntegrations().empty());
    second->close();
}

TEST_F(IntegrationDriverTest, AClientThatStartsOptedOutInstallsNone) {
    auto config = h.config();
    {
        auto client = h.client(config);
        client->optOut();
        client->close();
    }
    h.mainQueue.drain();
    auto environment = h.environment();
    environment.makeIntegration = [this](ZeraZovIntegrationKind) {
        return std::make_shared<RecordingIntegration>("Lifecycle", false, journal, lifecycleHolder);
    };
    config->captureApplicationLifecycleEvents = true;
    int started = 0;
    auto observer = h.center.addObserver("ZeraZovDidStart", nullptr, [&](const platform::Notification&) { ++started; });
    auto client = ZeraZovSDK::with(config, environment);
    h.mainQueue.drain();
    EXPECT_TRUE(client->installedIntegrations().empty());
    EXPECT_TRUE(journal.empty());
    EXPECT_EQ(started, 1) << "still started";
    client->close();
}

// What an integration throws ends only its own step: the driver logs it and
// goes on with the others, and nothing reaches the caller.
TEST_F(IntegrationDriverTest, AnIntegrationThatThrowsHoldsUpNoOther) {
    const std::string steps[] = {"install", "context", "uninstall"};
    for (const auto& failing : steps) {
        journal.clear();
        // A token of its own: opting out is kept in the client's storage.
        auto config = h.config("zzk_" + failing);
        config->captureApplicationLifecycleEvents = true;
        config->errorTrackingConfig.autoCapture = true;
        auto environment = h.environment();
        environment.makeIntegration = [&](ZeraZovIntegrationKind kind) -> std::shared_ptr<ZeraZovIntegration> {
            if (kind == ZeraZovIntegrationKind::errorTrackingAutoCapture) {
                return std::make_shared<RecordingIntegration>("ErrorTracking", false, journal, errorHolder, failing);
            }
            return std::make_shared<RecordingIntegration>("Lifecycle", false, journal, lifecycleHolder);
        };
        auto client = ZeraZovSDK::with(config, environment);
        const auto id = client->getDistinctId();
        client->optOut();
        EXPECT_TRUE(h.logged("Integration ErrorTracking " + (failing == "context" ? "context update" : failing) +
                             " failed: ErrorTracking broke"))
            << failing;
        const std::vector<std::string> lifecycle{"install Lifecycle", "context Lifecycle " + id, "uninstall Lifecycle"};
        std::vector<std::string> lifecycleSteps;
        std::copy_if(journal.begin(), journal.end(), std::back_inserter(lifecycleSteps),
                     [](const std::string& entry) { return entry.find(" Lifecycle") != std::string::npos; });
        EXPECT_EQ(lifecycleSteps, lifecycle) << failing;
        client->close();
        errorHolder = lifecycleHolder = nullptr;
    }
}

}  // namespace
}  // namespace zerazov::testing
