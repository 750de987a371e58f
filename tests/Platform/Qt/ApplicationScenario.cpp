#include "ApplicationScenario.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "Platform/Desktop/ApplicationDelegate.h"
#include "Platform/Qt/QtApplication.h"

namespace platform::testing {
namespace {

void report(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

class ReportingDelegate : public ApplicationDelegate {
public:
    explicit ReportingDelegate(std::function<void()> onLaunch) : onLaunch_(std::move(onLaunch)) {}
    void applicationDidFinishLaunching() override {
        report("launched");
        if (onLaunch_) onLaunch_();
    }
    void applicationWillTerminate() override { report("will terminate"); }

private:
    std::function<void()> onLaunch_;
};

struct Scenario {
    std::string_view name;
    bool terminateBeforeRun;
    std::function<void(QtApplication&)> onLaunch;
};

const Scenario kScenarios[] = {
    {"sigterm", false, [](QtApplication&) { std::raise(SIGTERM); }},
    {"sigint", false, [](QtApplication&) { std::raise(SIGINT); }},
    {"terminate twice then quit", false,
     [](QtApplication& app) {
         app.terminate();
         app.terminate();
         QCoreApplication::quit();
     }},
    {"qt quit", false, [](QtApplication&) { QCoreApplication::quit(); }},
    {"qt exit code", false, [](QtApplication&) { QCoreApplication::exit(3); }},
    {"terminate before run", true, {}},
};

const Scenario* findScenario(std::string_view name) {
    for (const Scenario& scenario : kScenarios) {
        if (scenario.name == name) return &scenario;
    }
    return nullptr;
}

bool defaultHandlerFor(int signal) {
    struct sigaction current {};
    return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_DFL;
}

int play(const Scenario& scenario, int& argc, char** argv) {
    {
        QtApplication app(argc, argv);
        ReportingDelegate delegate([&] {
            if (scenario.onLaunch) scenario.onLaunch(app);
        });
        app.setDelegate(&delegate);
        // A scenario that never ends its loop must fail, not hang the test.
        QTimer::singleShot(20000, [] {
            report("watchdog");
            std::_Exit(2);
        });
        if (scenario.terminateBeforeRun) app.terminate();
        report("run returned " + std::to_string(app.run()));
    }
    if (defaultHandlerFor(SIGTERM) && defaultHandlerFor(SIGINT)) report("default handlers back");
    return 0;
}

}  // namespace

const char* requestedApplicationScenario() { return std::getenv(kApplicationScenarioVariable); }

int runApplicationScenario(std::string_view name, int& argc, char** argv) {
    const Scenario* scenario = findScenario(name);
    if (!scenario) {
        report("unknown scenario");
        return 1;
    }
    return play(*scenario, argc, argv);
}

}  // namespace platform::testing
