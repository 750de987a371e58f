#include "tests/support/XephyrServer.h"

#include "tests/support/ChildProcess.h"
#include "tests/support/XServerProcess.h"

namespace tessivar::testing {

XephyrServer::XephyrServer() = default;

XephyrServer::~XephyrServer() = default;

bool XephyrServer::isInstalled() { return !ChildProcess::findProgram("Xephyr").empty(); }

bool XephyrServer::isRunning() const { return server_ && server_->isRunning(); }

const std::string& XephyrServer::displayName() const {
    static const std::string none;
    return server_ ? server_->displayName() : none;
}

platform::Failure XephyrServer::start(const std::string& hostDisplay, int width, int height) {
    if (isRunning()) return "a server is already running on " + displayName();
    server_ = std::make_unique<XServerProcess>("tessivar-xephyr");
    std::string screen = std::to_string(width) + "x" + std::to_string(height);
    // -retro gives the nested root window the classic visible cursor; without
    // it the pointer is blank from the start and hiding it shows nothing.
    auto commandLine = [&](const std::string& displayName, const std::filesystem::path&) {
        return std::vector<std::string>{"Xephyr",    displayName, "-screen",  screen,
                                        "-nolisten", "tcp",       "-noreset", "-retro"};
    };
    auto error = server_->start(commandLine, {"DISPLAY=" + hostDisplay});
    if (error) server_.reset();
    return error;
}

}  // namespace tessivar::testing
