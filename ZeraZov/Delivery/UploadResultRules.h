#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace zerazov {

// What the queue does with a batch once its upload came back.
struct UploadDecision {
    enum class Action {
        keepAndPause,  // a transient failure: try the same batch again after `pauseSeconds`
        keepAndShrink, // too large: try again at once with the batch limits halved
        dropAll,       // retries exhausted: nothing queued is worth keeping
        remove,        // done with the batch, whether the server took it or refused it for good
    };

    Action action = Action::remove;
    // The consecutive-failure count to store: 0 whenever records leave the queue.
    std::int64_t retryCount = 0;
    double pauseSeconds = 0;
    std::string dropReason;
    // A single record too large to send: it goes, since halving cannot help it.
    bool oversizedSingleRecord = false;
};

// The rules read only the HTTP status; no status at all (no answer) counts as a
// failure worth retrying. `cap` is the batch cap at the time the answer arrived.
UploadDecision decideUpload(std::optional<int> statusCode, const std::function<bool(int)>& isRetriable,
                            std::int64_t retryCount, std::int64_t maxRetries, std::int64_t cap);

// 5 seconds more per consecutive failure, never more than 30.
double backoffSeconds(std::int64_t retryCount);

}  // namespace zerazov
