#include "ApplicationScenario.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

#include "Platform/Desktop/ApplicationDelegate.h"
#include "Platform/Qt/QtApplication.h"
#include "tests/support/ChildProcess.h"

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
    {"x11 connection broke", false,
     [](QtApplication&) {
         qWarning("The X11 connection broke (error 1). Did the X11 server die?");
         std::exit(1);
     }},
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

// Whatever the pipe holds now, without waiting for more.
std::string drain(int fd) {
    fcntl(fd, F_SETFL, O_NONBLOCK);
    std::string text;
    char buffer[512];
    ssize_t count;
    while ((count = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(count));
    return text;
}

}  // namespace

ScenarioOutcome playApplicationScenarioInCopy(std::string_view name, std::chrono::milliseconds bound) {
    ScenarioOutcome outcome;
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return outcome;
    // Qt's warnings go to standard error, kept apart so that the report is exact.
    tessivar::testing::ChildProcess copy(
        {"/proc/self/exe"}, {.outputFd = report[1],
                             .passedFd = -1,
                             .environment = {std::string(kApplicationScenarioVariable) + "=" + std::string(name)},
                             .errorFd = STDERR_FILENO});
    close(report[1]);
    outcome.started = copy.started();
    // The report is a few lines, well inside a pipe's buffer, so it is read
    // once the copy has ended instead of while it runs.
    const std::optional<int> status = outcome.started ? copy.waitFor(bound) : std::nullopt;
    outcome.output = drain(report[0]);
    close(report[0]);
    outcome.exited = status && WIFEXITED(*status);
    if (outcome.exited) outcome.exitCode = WEXITSTATUS(*status);
    return outcome;
}

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
