#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace zerazov {

// One frame of a stack trace in an "$exception" event.
struct ZeraZovStackFrame {
    std::uint64_t instructionAddress = 0;  // the return or instruction address, signature stripped
    std::optional<std::string> module;     // the file name of the image holding the address
    std::optional<std::string> package;    // the image's full path (a crash report's: its file name)
    std::optional<std::uint64_t> imageAddress;
    bool inApp = false;
    std::optional<std::string> function;  // the nearest symbol's name
    std::optional<std::uint64_t> symbolAddress;

    // "instruction_addr", "platform", "in_app", and "module", "package", "image_addr",
    // "function", "symbol_addr" for the fields present; addresses as hexadecimal text.
    nlohmann::json toDictionary() const;
};

}  // namespace zerazov
