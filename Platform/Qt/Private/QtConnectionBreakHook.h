#pragma once
#include <QtGlobal>
#include <functional>

namespace platform {

// Qt's X11 platform plugin ends the process (exit(1)) as soon as it finds its
// connection to the X server broken, right after it warns about it; nothing of
// the program's own runs after that but the exit handlers. This hook hears that
// warning (on the thread that met the break, before the exit) and runs
// `onBreak` first. Every message still goes on to the handler before it. One
// instance per process; the previous handler comes back when it is destroyed.
class QtConnectionBreakHook {
public:
    explicit QtConnectionBreakHook(std::function<void()> onBreak);
    ~QtConnectionBreakHook();
    QtConnectionBreakHook(const QtConnectionBreakHook&) = delete;
    QtConnectionBreakHook& operator=(const QtConnectionBreakHook&) = delete;

private:
    static void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message);

    std::function<void()> onBreak_;
    QtMessageHandler previous_ = nullptr;
};

}  // namespace platform
