#pragma once
#include <string_view>

namespace platform::testing {

// The application tests need a process without a QApplication of its own, so
// the test program runs them in a fresh copy of itself: the child finds the
// scenario's name in this environment variable, plays it with a QtApplication
// and reports on standard output, one line per event.
inline constexpr const char* kApplicationScenarioVariable = "TESSIVAR_QT_APP_SCENARIO";

// The scenario this process should play, or null for an ordinary test run.
const char* requestedApplicationScenario();
int runApplicationScenario(std::string_view name, int& argc, char** argv);

}  // namespace platform::testing
