#pragma once
#include <functional>
#include <string>

namespace hotkeys {

// Programming errors in using the package: an operation while no registry is
// installed, or a call from a thread other than the one that made the registry.
// Neither can go on safely, and neither must pass unnoticed, so the default
// handler logs the message (each distinct one once per run) and then asserts,
// which stops a debug build; a release build carries on. A test installs its
// own handler to see the report in either kind of build.
using MisuseHandler = std::function<void(const std::string& message)>;

// Installs a handler and answers the one it replaced; an empty handler puts the
// default back. Safe from any thread.
MisuseHandler setMisuseHandler(MisuseHandler handler);
void reportMisuse(const std::string& message);

}  // namespace hotkeys
