#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace zerazov {

// What the queue does with a batch once its upload came back. Records leave the
// queue only when the server took them or refused the batch itself as bad; a
// failure of the way there (no answer, a busy or broken server) never deletes
// what the server did not accept. A body too large is sent again in smaller
// batches, down to a single record; a single record the server still refuses as
// too large is one no server will take, and it goes, so that it never holds
// back the records behind it.
struct UploadDecision {
    enum class Action {
        keepAndPause,   // a transient failure: try the same batch again after `pauseSeconds`
        keepAndShrink,  // too large: try again at once with the batch limits halved
        remove,         // done with the batch, whether the server took it or refused it for good
    };

    Action action = Action::remove;
    // The consecutive-failure count to store: 0 whenever records leave the queue.
    std::int64_t retryCount = 0;
    double pauseSeconds = 0;
    // Every retry failed: the records stay and wait for the next flush (the timer,
    // the network coming back, the next launch), each at the longest back-off.
    bool retriesExhausted = false;
    // A removed batch that the server refused as too large although it held
    // only one record.
    bool refusedAlone = false;
};

// The rules read only the HTTP status; no status at all (no answer) counts as a
// failure worth retrying. `cap` is the batch cap at the time the answer arrived
// and `batchSize` how many records the refused batch held: a flush asked for
// before the cap was lowered may still send more than the cap, and only a record
// refused alone is let go.
UploadDecision decideUpload(std::optional<int> statusCode, const std::function<bool(int)>& isRetriable,
                            std::int64_t retryCount, std::int64_t maxRetries, std::int64_t cap, std::size_t batchSize);

// 5 seconds more per consecutive failure, never more than 30.
double backoffSeconds(std::int64_t retryCount);

}  // namespace zerazov
