#include "Platform/Qt/QtApplication.h"

#include <QApplication>
#include <QTimer>

#include "Platform/Qt/Private/QtTerminationSignals.h"
#include "Platform/Qt/QtMainQueue.h"

namespace platform {

QtApplication::QtApplication(int& argc, char** argv) : app_(std::make_unique<QApplication>(argc, argv)) {
    // The tray icon and the short-lived overlays are all there is; closing the
    // settings window must not end the program.
    app_->setQuitOnLastWindowClosed(false);
    QObject::connect(app_.get(), &QCoreApplication::aboutToQuit, app_.get(), [this] { willTerminateOnce(); });
    signals_ = std::make_unique<QtTerminationSignals>([this] { terminate(); });
}

QtApplication::~QtApplication() {
    // The handlers go before the application they call into.
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
void QtApplication::terminate() {
    willTerminateOnce();
    QCoreApplication::exit(0);
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
