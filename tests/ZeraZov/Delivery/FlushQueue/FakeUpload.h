#pragma once
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ZeraZov/Delivery/Endpoints/QueueEndpoint.h"

namespace zerazov::testing {

// A record whose stored form is its text; "unencodable" cannot be stored and a
// stored "garbage" cannot be read back.
struct Note {
    std::string text;
};

// Stands in for the network: writes down every batch and answers with the status
// the test chose, at once, or holds the answer until the test releases it.
class FakeUpload {
public:
    void answerWith(std::optional<int> status);
    void holdAnswers();
    // Answers the oldest held upload; false when none is held.
    bool release(std::optional<int> status);

    std::vector<std::vector<std::string>> batches() const;
    std::size_t batchCount() const;

    void send(std::vector<Note> notes, QueueEndpoint<Note>::UploadCompletion completion);

private:
    mutable std::mutex lock_;  // guards every field below; answers run outside it
    std::vector<std::vector<std::string>> batches_;
    std::optional<int> status_ = 200;
    bool holding_ = false;
    std::vector<QueueEndpoint<Note>::UploadCompletion> held_;
};

}  // namespace zerazov::testing
