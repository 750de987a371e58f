#pragma once
#include <memory>
#include <string>

#include "Platform/Desktop/ApplicationDelegate.h"

class QApplication;

namespace platform {

class QtConnectionBreakHook;
class QtTerminationSignals;

// The process's one QApplication, run as a tray program: it opens no main window
// (so it has no taskbar entry), keeps running when its last window closes, and
// tells its delegate when launching has finished and, exactly once, when the
// program is about to end, however that end comes: terminate(), SIGTERM, SIGINT,
// a quit of the Qt application or a broken connection to the X server.
class QtApplication {
public:
    QtApplication(int& argc, char** argv);
    ~QtApplication();
    QtApplication(const QtApplication&) = delete;
    QtApplication& operator=(const QtApplication&) = delete;

    // Not owned; may be null.
    void setDelegate(ApplicationDelegate* delegate);
    // Runs the event loop until the program terminates and answers its exit code.
    // The delegate hears applicationDidFinishLaunching() from the running loop.
    // After terminate() there is nothing left to run: answers 0 at once.
    int run();
    // applicationWillTerminate() (once per process), then the event loop ends
    // and run() answers `exitCode`.
    void terminate(int exitCode = 0);
    // The connection to the X server broke (Qt's own or another of the program's):
    // says so, then ends as terminate(1) does. On the loop's thread, outside any
    // call on the broken connection.
    void connectionBroke();

    // The Qt platform plugin in use ("xcb", "wayland", "offscreen", ...).
    static std::string platformName();

private:
    void finishLaunching();
    void willTerminateOnce();

    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QtTerminationSignals> signals_;
    std::unique_ptr<QtConnectionBreakHook> connectionBreak_;
    ApplicationDelegate* delegate_ = nullptr;
    bool terminating_ = false;
};

}  // namespace platform
