#pragma once
#include <string>

struct _XDisplay;

namespace tessivar::testing {

// A connection of its own to a test X server for faking input with XTest.
struct XTestConnection {
    _XDisplay* display = nullptr;  // null without a server; the caller closes it
    bool hasXTest = false;
};

XTestConnection openXTestConnection(const std::string& displayName);

}  // namespace tessivar::testing
