#include "Platform/Foundation/Failure.h"

#include <ostream>

namespace platform {

std::ostream& operator<<(std::ostream& out, const Failure& failure) {
    return failure ? out << '"' << *failure << '"' : out << "no failure";
}

}  // namespace platform
