#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

namespace zerazov {

// An error the application handled and reports: where it comes from (a dotted
// domain such as "com.brel.tessivar.display"), its code, the texts that explain
// it, and the error that caused it, if any. Errors chain through
// `underlyingError`; a chain may even lead back to an error already in it.
struct ZeraZovErrorValue {
    std::string domain;
    std::int64_t code = 0;
    std::string localizedDescription;
    // Preferred over the localized description when it is not empty.
    std::optional<std::string> debugDescription;
    // The application's own type for this error, unqualified; none for a plain
    // error, which its domain names instead.
    std::optional<std::string> typeName;
    std::shared_ptr<const ZeraZovErrorValue> underlyingError;

    // An error code of the standard library: its category's name as the domain,
    // its value as the code, its message as the description.
    static ZeraZovErrorValue from(const std::error_code& error) {
        ZeraZovErrorValue value;
        value.domain = error.category().name();
        value.code = error.value();
        value.localizedDescription = error.message();
        return value;
    }
};

}  // namespace zerazov
