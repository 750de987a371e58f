#include "tests/support/XErrorRecorder.h"

#include <X11/Xlib.h>

namespace tessivar::testing {
namespace {

std::vector<XErrorRecord>& recorded() {
    static std::vector<XErrorRecord> errors;
    return errors;
}

XErrorHandler previousHandler = nullptr;

int record(Display*, XErrorEvent* event) {
    recorded().push_back({event->error_code, event->request_code, event->minor_code});
    return 0;
}

}  // namespace

XErrorRecorder::XErrorRecorder() {
    recorded().clear();
    previousHandler = XSetErrorHandler(&record);
}

XErrorRecorder::~XErrorRecorder() { XSetErrorHandler(previousHandler); }

const std::vector<XErrorRecord>& XErrorRecorder::errors() const { return recorded(); }

std::string XErrorRecorder::describe() const {
    std::string text;
    for (const auto& error : recorded()) {
        text += (text.empty() ? "" : ", ") + std::string("error ") + std::to_string(error.errorCode) + " on request " +
                std::to_string(error.requestCode) + "." + std::to_string(error.minorCode);
    }
    return text.empty() ? "none" : text;
}

}  // namespace tessivar::testing
