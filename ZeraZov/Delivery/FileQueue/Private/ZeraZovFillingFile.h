#pragma once
#include <string>

namespace zerazov {

// Whether a file in a queue's folder (or its spares' folder) under a name only
// writers use may still be in the hands of one: written within the last minute.
// Two queues can share a folder (two clients of one project, or a second process
// on the same data folder), and one's set-up must not delete what the other is
// filling; a write takes microseconds, so a file untouched for a minute was left
// by a writer that stopped halfway, and is removed.
[[nodiscard]] bool mayStillBeFilled(int folder, const std::string& name);

}  // namespace zerazov
