#pragma once

namespace tessivar::bench {

// Calls `bottom(argument)` at the bottom of a stack that runs through real
// shared libraries the way a crashing Qt program's does: libc's qsort calling
// its comparator, zlib calling its allocator, QtCore delivering a signal,
// then `depth` frames of the program's own recursion. A walk from the bottom
// crosses each library's unwind tables and symbols, as a crash meets them.
void throughLibraries(int depth, void (*bottom)(void*), void* argument);

}  // namespace tessivar::bench
