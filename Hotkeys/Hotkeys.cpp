// The free functions: each forwards to the installed registry.
#include "Hotkeys/Hotkeys.h"

#include <type_traits>

#include "Hotkeys/Registry.h"

namespace hotkeys {
namespace {

// With no registry the call does nothing and answers the empty value of its
// type; the misuse report names the function the caller used.
template <typename Call>
auto withRegistry(Call call, const char* caller = __builtin_FUNCTION()) {
    using Result = std::invoke_result_t<Call, Registry&>;
    Registry* registry = Registry::installed(caller);
    if (registry == nullptr) return Result();
    return call(*registry);
}

}  // namespace

#define TESSIVAR_HOTKEYS_FORWARDER(result, function, parameters, arguments, qualifier)        \
    result function parameters {                                                              \
        return withRegistry([&](Registry& registry) { return registry.function arguments; }); \
    }
TESSIVAR_HOTKEYS_OPERATIONS(TESSIVAR_HOTKEYS_FORWARDER)
#undef TESSIVAR_HOTKEYS_FORWARDER

}  // namespace hotkeys
