#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "LoopbackServer.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ShellCommand.h"

namespace crash_capture_tests {
namespace {

using nlohmann::json;
using tessivar::testing::ChildProcess;
using zerazov::testing::LoopbackServer;

constexpr auto launchLimit = std::chrono::seconds(30);

// Launches of the crash capture child over one home: its analytics folder and the
// cache folder where the crash reporter keeps the report.
class ChildLaunches {
public:
    explicit ChildLaunches(const LoopbackServer& server) : server_(server) {}

    // The wait status of one launch; a launch that outlives its limit is ended.
    int run(const std::string& mode) {
        const auto logPath = home_.path() / (mode + ".log");
        const int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ChildProcess child(
            {CRASH_CAPTURE_CHILD, mode, server_.url(), (home_.path() / "data").string()},
            {log, -1, {"XDG_CACHE_HOME=" + (home_.path() / "cache").string(), "HOME=" + home_.path().string()}});
        close(log);
        EXPECT_TRUE(child.started()) << child.failure();
        auto status = child.waitFor(launchLimit);
        if (!status) ADD_FAILURE() << mode << " did not end within its limit";
        const int ended = status ? *status : child.terminate(std::chrono::seconds(1));
        std::ifstream text(logPath);
        output_ += "--- " + mode + "\n" + std::string(std::istreambuf_iterator<char>(text), {});
        return ended;
    }

    // What the launches wrote, for a failure's message.
    const std::string& output() const { return output_; }

    // The session a launch started, as its debug log says.
    std::string sessionOf(const std::string& mode) const {
        static constexpr std::string_view created = "New session id created ";
        const auto launch = output_.find("--- " + mode + "\n");
        const auto line = output_.find(created, launch);
        if (launch == std::string::npos || line == std::string::npos) return {};
        const auto start = line + created.size();
        return output_.substr(start, output_.find(' ', start) - start);
    }

    // Where the reporter keeps the report of the last crash: the process's name
    // stands for the application.
    std::filesystem::path pendingReport() const {
        return home_.path() / "cache" / "com.zerazov.crashreporter.data" / "crash_capture_child" /
               "live_report.zzcrash";
    }

private:
    const LoopbackServer& server_;
    platform::TemporaryDirectory home_;
    std::string output_;
};

std::vector<json> uploadedEvents(const LoopbackServer& server, const std::string& name) {
    std::vector<json> events;
    for (const auto& request : server.requests()) {
        if (request.path != "/batch") continue;
        const auto body = json::parse(request.body);
        for (const auto& event : body["batch"]) {
            if (event["event"] == name) events.push_back(event);
        }
    }
    return events;
}

std::uint64_t hexAddress(const json& text) { return std::stoull(text.get<std::string>(), nullptr, 16); }

// Where binutils' nm places a function of the child: its offset in the image and its size.
struct FunctionRange {
    std::uint64_t start = 0;
    std::uint64_t size = 0;

    // Whether the frame's address lies in the function, counted from the frame's image.
    bool holds(const json& frame) const {
        const auto offset = hexAddress(frame["instruction_addr"]) - hexAddress(frame["image_addr"]);
        return offset >= start && offset < start + size;
    }
};

std::optional<FunctionRange> functionInChild(const std::string& name) {
    const auto listed =
        tessivar::testing::runShellCommand(tessivar::testing::shellQuoted(TESSIVAR_NM) + " -S --defined-only " +
                                               tessivar::testing::shellQuoted(CRASH_CAPTURE_CHILD),
                                           std::chrono::seconds(20));
    std::istringstream lines(listed.output);
    for (std::string line; std::getline(lines, line);) {
        // "<start> <size> <type> <name>"; symbols without a size have three fields.
        std::istringstream fields(line);
        std::string start, size, type, symbol;
        if (fields >> start >> size >> type >> symbol && symbol == name) {
            return FunctionRange{std::stoull(start, nullptr, 16), std::stoull(size, nullptr, 16)};
        }
    }
    return std::nullopt;
}

// The server's remote configuration turns crash capture on.
void allowCrashCapture(LoopbackServer& server) {
    server.answer([](const httplib::Request& request, httplib::Response& response) {
        const bool config = request.path.ends_with("/config");
        response.set_content(config ? R"({"errorTracking": {"autocaptureExceptions": true}})" : "{}",
                             "application/json");
    });
}

// The program crashes with a write through null; the next launch sends the crash,
// with the crashed thread's frames, as one "$exception" event and deletes the report.
TEST(CrashCapture, ACrashIsReportedByTheNextLaunch) {
    LoopbackServer server;
    allowCrashCapture(server);
    ChildLaunches launches(server);

    ASSERT_EQ(launches.run("prime"), 0) << launches.output();
    const int crashed = launches.run("crash");
    ASSERT_TRUE(WIFSIGNALED(crashed) && WTERMSIG(crashed) == SIGSEGV) << crashed << "\n" << launches.output();
    ASSERT_TRUE(std::filesystem::exists(launches.pendingReport())) << launches.output();
    EXPECT_TRUE(uploadedEvents(server, "$exception").empty());

    ASSERT_EQ(launches.run("report"), 0) << launches.output();
    EXPECT_FALSE(std::filesystem::exists(launches.pendingReport())) << launches.output();
    const auto sent = uploadedEvents(server, "$exception");
    ASSERT_EQ(sent.size(), 1u) << launches.output();
    const auto& properties = sent[0]["properties"];
    EXPECT_EQ(properties["$exception_level"], "fatal");
    EXPECT_EQ(properties["$session_id"], launches.sessionOf("crash")) << "the crashed launch's properties ride along";
    EXPECT_NE(launches.sessionOf("crash"), launches.sessionOf("report"));
    const auto& entry = properties["$exception_list"][0];
    EXPECT_EQ(entry["type"], "SIGSEGV");
    EXPECT_EQ(entry["value"], "SIGSEGV (code SEGV_MAPERR) at address 0x0000000000000000");
    EXPECT_EQ(entry["mechanism"]["handled"], false);
    EXPECT_TRUE(entry.contains("thread_id"));

    // Outermost first: main called the function that wrote through null. The
    // reporter names no symbols, so the frames are told by their addresses.
    const auto& frames = entry["stacktrace"]["frames"];
    ASSERT_FALSE(frames.empty());
    const auto& innermost = frames.back();
    const auto writer = functionInChild("crash_capture_child_write_through_null");
    const auto main = functionInChild("main");
    ASSERT_TRUE(writer && main);
    EXPECT_TRUE(writer->holds(innermost)) << frames.dump(1);
    EXPECT_EQ(innermost["module"], "crash_capture_child");
    EXPECT_EQ(innermost["in_app"], true);
    EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [&](const json& frame) {
        return frame.value("module", "") == "crash_capture_child" && main->holds(frame);
    })) << frames.dump(1);
    const auto& images = properties["$debug_images"];
    EXPECT_TRUE(std::any_of(images.begin(), images.end(), [&](const json& image) {
        return image["image_addr"] == innermost["image_addr"] && image["code_file"] == CRASH_CAPTURE_CHILD;
    })) << images.dump(1);
}

// A thread the client starts after the capture was installed overflows its
// stack: it had an alternate signal stack to report the overflow from.
TEST(CrashCapture, AStackOverflowOnAThreadStartedLaterIsReported) {
    LoopbackServer server;
    allowCrashCapture(server);
    ChildLaunches launches(server);
    ASSERT_EQ(launches.run("prime"), 0) << launches.output();
    const int crashed = launches.run("overflow");
    ASSERT_TRUE(WIFSIGNALED(crashed) && WTERMSIG(crashed) == SIGSEGV) << crashed << "\n" << launches.output();
    ASSERT_TRUE(std::filesystem::exists(launches.pendingReport())) << launches.output();
    ASSERT_EQ(launches.run("report"), 0) << launches.output();
    const auto sent = uploadedEvents(server, "$exception");
    ASSERT_EQ(sent.size(), 1u) << launches.output();
    // The report names the signal the kernel delivered for the guard page.
    EXPECT_EQ(sent[0]["properties"]["$exception_list"][0]["type"], "SIGSEGV");
}

// A program whose own fault handler mends a fault (a guarded page made
// writable) goes on: no report of that fault is left for the next launch to
// send, and a real crash after it is still reported.
TEST(CrashCapture, AFaultTheProgramMendsIsNoCrash) {
    struct Case {
        const char* mode;
        int signal;  // 0: exits 0
        std::size_t sent;
    };
    const Case cases[] = {{"mend", 0, 0}, {"mend-then-crash", SIGSEGV, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        LoopbackServer server;
        allowCrashCapture(server);
        ChildLaunches launches(server);
        ASSERT_EQ(launches.run("prime"), 0) << launches.output();
        const int ended = launches.run(c.mode);
        if (c.signal == 0) {
            EXPECT_TRUE(WIFEXITED(ended) && WEXITSTATUS(ended) == 0) << ended << "\n" << launches.output();
        } else {
            EXPECT_TRUE(WIFSIGNALED(ended) && WTERMSIG(ended) == c.signal) << ended << "\n" << launches.output();
        }
        EXPECT_EQ(std::filesystem::exists(launches.pendingReport()), c.sent == 1) << launches.output();
        ASSERT_EQ(launches.run("report"), 0) << launches.output();
        const auto sent = uploadedEvents(server, "$exception");
        ASSERT_EQ(sent.size(), c.sent) << launches.output();
        if (c.sent == 0) continue;
        EXPECT_EQ(sent[0]["properties"]["$exception_list"][0]["value"],
                  "SIGSEGV (code SEGV_MAPERR) at address 0x0000000000000000");
    }
}

}  // namespace
}  // namespace crash_capture_tests
