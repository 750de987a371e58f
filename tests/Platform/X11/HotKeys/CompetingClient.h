#pragma once
#include <string>

struct _XDisplay;

namespace tessivar::testing {

// Another program on the test server that grabs keys for itself.
class CompetingClient {
public:
    explicit CompetingClient(const std::string& displayName);
    ~CompetingClient();
    CompetingClient(const CompetingClient&) = delete;
    CompetingClient& operator=(const CompetingClient&) = delete;

    // Grabs the key with exactly these X modifiers on the root window and
    // answers the server's error code, 0 when the grab is ours.
    int grab(const char* keySym, unsigned modifiers);

private:
    _XDisplay* display_ = nullptr;
};

}  // namespace tessivar::testing
