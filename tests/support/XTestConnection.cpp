#include "tests/support/XTestConnection.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace tessivar::testing {

XTestConnection openXTestConnection(const std::string& displayName) {
    XTestConnection connection{XOpenDisplay(displayName.c_str())};
    if (!connection.display) return connection;
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    connection.hasXTest = XTestQueryExtension(connection.display, &eventBase, &errorBase, &major, &minor);
    return connection;
}

}  // namespace tessivar::testing
