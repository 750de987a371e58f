#pragma once
#include <string>
#include <vector>

namespace zerazov {

// What one read from the head of a file-backed queue took. The reader removes
// exactly `names` once it is done with the batch, so records added, dropped or
// skipped meanwhile never shift what it removes.
struct ZeraZovQueueBatch {
    // Every name the read walked over, oldest first: the records it read and
    // those it skipped because their file was gone or unreadable.
    std::vector<std::string> names;
    // The bytes of the records read, oldest first.
    std::vector<std::string> records;
};

}  // namespace zerazov
