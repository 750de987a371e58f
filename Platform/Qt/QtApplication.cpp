#include "Platform/Qt/QtApplication.h"

#include <QApplication>
#include <QThread>
#include <QTimer>
#include <cstdlib>

#include "Platform/Foundation/Log.h"
#include "Platform/Qt/Private/QtConnectionBreakHook.h"
#include "Platform/Qt/Private/QtTerminationSignals.h"
#include "Platform/Qt/QtMainQueue.h"

namespace platform {

QtApplication::QtApplication(int& argc, char** argv) : app_(std::make_unique<QApplication>(argc, argv)) {
    // The tray icon and the short-lived overlays are all there is; closing the
    // settings window must not end the program.
    app_->setQuitOnLastWindowClosed(false);
    QObject::connect(app_.get(), &QCoreApplication::aboutToQuit, app_.get(), [this] { willTerminateOnce(); });
    signals_ = std::make_unique<QtTerminationSignals>([this] { terminate(); });
    // Qt exits right after this hook returns: the program's own ending runs first.
    connectionBreak_ = std::make_unique<QtConnectionBreakHook>([this] { connectionBroke(); });
}

QtApplication::~QtApplication() {
    // The handlers go before the application they call into.
    connectionBreak_.reset();
    signals_.reset();
}

void QtApplication::setDelegate(ApplicationDelegate* delegate) { delegate_ = delegate; }

int QtApplication::run() {
    if (terminating_) return 0;
    QTimer::singleShot(0, app_.get(), [this] { finishLaunching(); });
    const int status = QApplication::exec();
    QtMainQueue::releasePendingWork();
    return status;
}

// The program has decided to end: exit() ends every running loop at once.
// quit() would first ask every window to close, and an open dialog that
// refuses to (an alert without a button that only dismisses it) keeps the
// program running.
void QtApplication::terminate(int exitCode) {
    willTerminateOnce();
    QCoreApplication::exit(exitCode);
}

void QtApplication::connectionBroke() {
    if (QThread::currentThread() != app_->thread() || terminating_) return;
    Log::write("[Tessivar] %@", "✗ 与 X 服务器的连接已断开，Tessivar 退出。");
    terminate(EXIT_FAILURE);
}

std::string QtApplication::platformName() { return QGuiApplication::platformName().toStdString(); }

void QtApplication::finishLaunching() {
    // A signal that arrived before the loop got here has already ended the program.
    if (terminating_ || !delegate_) return;
    delegate_->applicationDidFinishLaunching();
}

void QtApplication::willTerminateOnce() {
    if (terminating_) return;
    // Set first: the hook itself may ask to terminate.
    terminating_ = true;
    if (delegate_) delegate_->applicationWillTerminate();
}

}  // namespace platform
