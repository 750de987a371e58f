#include "tests/support/MonitorGeometry.h"

#include <ostream>

namespace tessivar::testing {

std::string MonitorGeometry::toString() const {
    return std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" + std::to_string(y);
}

std::ostream& operator<<(std::ostream& stream, const MonitorGeometry& monitor) { return stream << monitor.toString(); }

}  // namespace tessivar::testing
