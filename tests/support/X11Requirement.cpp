#include "tests/support/X11Requirement.h"

#include <cstdlib>
#include <string_view>

namespace tessivar::testing {

bool x11Required() {
    const char* value = std::getenv("TESSIVAR_REQUIRE_X11");
    return value && std::string_view(value) == "1";
}

}  // namespace tessivar::testing
