#include "Platform/X11/X11DisplayCheck.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace platform::X11DisplayCheck {
namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

Failure whyUnavailable() {
    const std::string display = environmentValue("DISPLAY");
    if (display.empty()) {
        if (!environmentValue("WAYLAND_DISPLAY").empty()) {
            return "这是纯 Wayland 会话（没有 XWayland，DISPLAY 未设置），无法移动鼠标或注册全局快捷键";
        }
        return "没有图形桌面（DISPLAY 未设置）";
    }
    // A bare connection answers whether the server takes clients: what an Xlib
    // one adds (big requests, the resource database, XKB) costs the launch four
    // more round trips for a connection closed at once.
    xcb_connection_t* connection = xcb_connect(display.c_str(), nullptr);
    const bool refused = xcb_connection_has_error(connection) != 0;
    xcb_disconnect(connection);
    if (refused) return "无法连接 X 显示服务器 " + display;
    return std::nullopt;
}

}  // namespace platform::X11DisplayCheck
