#pragma once
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zerazov {

// An exception the application caught and reports: its name, its reason, the
// return addresses of the stack it was thrown from when they were recorded, and
// the exception it was raised while handling, if any.
struct ZeraZovExceptionObject {
    std::string name;
    std::optional<std::string> reason;
    // Innermost first; empty when the exception carries no stack of its own.
    std::vector<std::uint64_t> callStackReturnAddresses;
    std::shared_ptr<const ZeraZovExceptionObject> underlyingException;

    // A C++ exception: the name of its type as the program spells it
    // ("std::out_of_range"), what() for a std::exception, and the exceptions nested
    // in it (std::throw_with_nested). C++ exceptions record no stack; nothing for an
    // empty pointer.
    static std::shared_ptr<const ZeraZovExceptionObject> from(const std::exception_ptr& exception);
};

}  // namespace zerazov
