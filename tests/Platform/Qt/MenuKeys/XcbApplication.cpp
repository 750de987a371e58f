#include "tests/Platform/Qt/MenuKeys/XcbApplication.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "tests/support/XorgDummyServer.h"

namespace tessivar::testing::XcbApplication {
namespace {

struct Session {
    std::unique_ptr<XorgDummyServer> server;
    platform::Failure startError = "not started";
    std::unique_ptr<QApplication> application;
};

Session& session() {
    static Session instance;
    return instance;
}

class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        Session& current = session();
        current.server = std::make_unique<XorgDummyServer>();
        current.startError = current.server->start({{1024, 768, 0, 0}});
        if (current.startError) return;
        // Whatever the calling shell chose, these tests are about the real X11 backend.
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("DISPLAY", current.server->displayName().c_str(), 1);
        current.application = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override {
        session().application.reset();
        session().server.reset();
    }

private:
    static inline int argc_ = 1;
    static inline char programName_[] = "qt_menu_key_tests";
    static inline char* argv_[] = {programName_, nullptr};
};

[[maybe_unused]] ::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace

const platform::Failure& startError() { return session().startError; }

const std::string& displayName() { return session().server->displayName(); }

bool runUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    // Wakes the loop now and then so the deadline is seen even when nothing happens.
    QTimer tick;
    tick.start(10);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() >= timeout.count()) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace tessivar::testing::XcbApplication
