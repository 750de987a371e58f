#include "tests/support/RecordedKeyPresses.h"

#include <X11/Xlib.h>
#include <X11/extensions/record.h>

namespace tessivar::testing {
namespace {

void intercept(XPointer closure, XRecordInterceptData* data) {
    auto* tally = reinterpret_cast<RecordedKeyPresses::Tally*>(closure);
    // A recorded device event is the wire event: its type, then the key code.
    if (data->category == XRecordFromServer && data->data_len > 0 && data->data[1] == tally->keyCode) ++tally->count;
    XRecordFreeData(data);
}

}  // namespace

RecordedKeyPresses::RecordedKeyPresses(const std::string& displayName, const char* keySym)
    : control_(XOpenDisplay(displayName.c_str())), data_(XOpenDisplay(displayName.c_str())) {
    int major = 0;
    int minor = 0;
    if (!control_ || !data_ || !XRecordQueryVersion(control_, &major, &minor)) return;
    tally_.keyCode = XKeysymToKeycode(control_, XStringToKeysym(keySym));
    XRecordRange* range = XRecordAllocRange();
    range->device_events.first = KeyPress;
    range->device_events.last = KeyPress;
    XRecordClientSpec clients = XRecordAllClients;
    context_ = XRecordCreateContext(control_, 0, &clients, 1, &range, 1);
    XFree(range);
    XSync(control_, False);
    if (context_ && !XRecordEnableContextAsync(data_, context_, &intercept, reinterpret_cast<XPointer>(&tally_))) {
        XRecordFreeContext(control_, context_);
        context_ = 0;
    }
}

RecordedKeyPresses::~RecordedKeyPresses() {
    if (context_) {
        XRecordDisableContext(control_, context_);
        XRecordFreeContext(control_, context_);
        XSync(control_, False);
    }
    if (data_) XCloseDisplay(data_);
    if (control_) XCloseDisplay(control_);
}

int RecordedKeyPresses::count() {
    if (context_) XRecordProcessReplies(data_);
    return tally_.count;
}

}  // namespace tessivar::testing
