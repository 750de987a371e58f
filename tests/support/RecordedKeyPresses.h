#pragma once
#include <string>

struct _XDisplay;

namespace tessivar::testing {

// Counts the presses of one key that the X server generates, its own
// auto-repeats included, whichever client they go to (X RECORD extension).
// Lets a test know a held key has really repeated before it looks at what
// the code under test made of it.
class RecordedKeyPresses {
public:
    RecordedKeyPresses(const std::string& displayName, const char* keySym);
    ~RecordedKeyPresses();
    RecordedKeyPresses(const RecordedKeyPresses&) = delete;
    RecordedKeyPresses& operator=(const RecordedKeyPresses&) = delete;

    bool isRecording() const { return context_ != 0; }
    // Takes in what the server has recorded so far and answers the count.
    int count();

    // What the server's recording callback adds to.
    struct Tally {
        unsigned keyCode = 0;
        int count = 0;
    };

private:
    _XDisplay* control_ = nullptr;
    _XDisplay* data_ = nullptr;
    unsigned long context_ = 0;
    Tally tally_;
};

}  // namespace tessivar::testing
