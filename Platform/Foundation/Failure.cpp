#include "Platform/Foundation/Failure.h"

#include <ostream>
#include <system_error>

namespace platform {

Failure Failure::ofErrorNumber(int errorNumber) { return {std::system_category().message(errorNumber), errorNumber}; }

std::ostream& operator<<(std::ostream& out, const Failure& failure) {
    return failure ? out << '"' << *failure << '"' : out << "no failure";
}

}  // namespace platform
