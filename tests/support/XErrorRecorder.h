#pragma once
#include <string>
#include <vector>

namespace tessivar::testing {

struct XErrorRecord {
    int errorCode = 0;
    int requestCode = 0;
    int minorCode = 0;
};

// The protocol's BadMatch, without pulling Xlib's macros into test files.
inline constexpr int kXBadMatch = 8;

// Xlib hands the protocol errors of every connection in the process to one
// handler, whose default exits. While an object of this lives, errors are
// recorded instead, so a test can see errors code under test caused on its
// own connection (they arrive when that connection syncs or closes).
class XErrorRecorder {
public:
    XErrorRecorder();
    ~XErrorRecorder();
    XErrorRecorder(const XErrorRecorder&) = delete;
    XErrorRecorder& operator=(const XErrorRecorder&) = delete;

    const std::vector<XErrorRecord>& errors() const;
    // "error 8 on request 138.30, ..." for a failure message; "none" when empty.
    std::string describe() const;
};

}  // namespace tessivar::testing
