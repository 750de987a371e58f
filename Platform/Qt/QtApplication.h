#pragma once
#include <memory>
#include <string>

#include "Platform/Desktop/ApplicationDelegate.h"

class QApplication;

namespace platform {

class QtTerminationSignals;

// The process's one QApplication, run as a tray program: it opens no main window
// (so it has no taskbar entry), keeps running when its last window closes, and
// tells its delegate when launching has finished and, exactly once, when the
// program is about to end, however that end comes: terminate(), SIGTERM, SIGINT
// or a quit of the Qt application.
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
    // applicationWillTerminate() (once per process), then the event loop ends.
    void terminate();

    // The Qt platform plugin in use ("xcb", "wayland", "offscreen", ...).
    static std::string platformName();

private:
    void finishLaunching();
    void willTerminateOnce();

    std::unique_ptr<QApplication> app_;
    std::unique_ptr<QtTerminationSignals> signals_;
    ApplicationDelegate* delegate_ = nullptr;
    bool terminating_ = false;
};

}  // namespace platform
