#pragma once
#include <functional>

struct _XDisplay;

namespace platform::X11ErrorTrap {

// Sends `requests` on `display`, waits until the server has handled them and
// answers the code of the first protocol error they caused (0 for none).
// While it runs, errors of this connection are caught instead of reaching
// Xlib's default handler, which ends the process; errors of other connections
// still go to the handler installed before. Main thread only: Xlib keeps one
// error handler per process.
int firstError(_XDisplay* display, const std::function<void()>& requests);

}  // namespace platform::X11ErrorTrap
