#pragma once
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {

// The debug line for the exception being handled, naming the operation it ended.
// Only from inside a catch block.
inline void logFailure(std::string_view operation) noexcept {
    try {
        throw;
    } catch (const std::exception& error) {
        ZeraZovDebugLog::write(std::string(operation) + " failed: " + error.what());
    } catch (...) {
        ZeraZovDebugLog::write(std::string(operation) + " failed");
    }
}

// No exception may leave the client's public operations: whatever the body throws
// ends the call with a debug line naming the operation.
template <typename Body>
void runNoThrow(std::string_view operation, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
        logFailure(operation);
    }
}

// The same for an operation with an answer: the fallback when the body throws.
template <typename T, typename Body>
T valueNoThrow(std::string_view operation, T fallback, Body&& body) noexcept {
    runNoThrow(operation, [&] { fallback = std::forward<Body>(body)(); });
    return fallback;
}

}  // namespace zerazov
