#include "Platform/X11/X11DisplayCheck.h"

#include <X11/Xlib.h>

#include <cstdlib>

namespace platform::X11DisplayCheck {
namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::optional<std::string> whyUnavailable() {
    const std::string display = environmentValue("DISPLAY");
    if (display.empty()) {
        if (!environmentValue("WAYLAND_DISPLAY").empty()) {
            return "这是纯 Wayland 会话（没有 XWayland，DISPLAY 未设置），无法移动鼠标或注册全局快捷键";
        }
        return "没有图形桌面（DISPLAY 未设置）";
    }
    Display* connection = XOpenDisplay(display.c_str());
    if (!connection) return "无法连接 X 显示服务器 " + display;
    XCloseDisplay(connection);
    return std::nullopt;
}

}  // namespace platform::X11DisplayCheck
