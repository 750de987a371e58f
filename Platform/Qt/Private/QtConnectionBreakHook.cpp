#include "Platform/Qt/Private/QtConnectionBreakHook.h"

#include <QString>
#include <atomic>

namespace platform {
namespace {

std::atomic<QtConnectionBreakHook*> gHook{nullptr};

// What the plugin says just before it exits, the same since Qt 5.
constexpr const char* kBrokenConnection = "The X11 connection broke";

}  // namespace

QtConnectionBreakHook::QtConnectionBreakHook(std::function<void()> onBreak) : onBreak_(std::move(onBreak)) {
    QtConnectionBreakHook* none = nullptr;
    if (!gHook.compare_exchange_strong(none, this)) return;
    previous_ = qInstallMessageHandler(&QtConnectionBreakHook::onMessage);
}

QtConnectionBreakHook::~QtConnectionBreakHook() {
    QtConnectionBreakHook* self = this;
    if (!gHook.compare_exchange_strong(self, nullptr)) return;
    qInstallMessageHandler(previous_);
}

void QtConnectionBreakHook::onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    auto* hook = gHook.load();
    if (!hook) return;
    // Qt answers its own default handler when none was installed before.
    if (hook->previous_) hook->previous_(type, context, message);
    if (type == QtWarningMsg && message.startsWith(QLatin1String(kBrokenConnection)) && hook->onBreak_) {
        hook->onBreak_();
    }
}

}  // namespace platform
