#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace tessivar::testing {

// True when TESSIVAR_REQUIRE_X11=1: the machine is known to run the test X
// server, so a server that does not start is a failure, not a reason to skip.
inline bool x11Required() {
    const char* value = std::getenv("TESSIVAR_REQUIRE_X11");
    return value && std::string_view(value) == "1";
}

}  // namespace tessivar::testing

// Ends the running test (or SetUp) because the test X server could not start:
// a skip on machines without one, a failure where one is required.
#define TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(error)          \
    do {                                                  \
        if (::tessivar::testing::x11Required()) {         \
            GTEST_FAIL() << "test X server: " << (error); \
        }                                                 \
        GTEST_SKIP() << "no test X server: " << (error);  \
    } while (false)
