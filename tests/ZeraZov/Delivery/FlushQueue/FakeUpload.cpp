#include "FakeUpload.h"

namespace zerazov::testing {

void FakeUpload::answerWith(std::optional<int> status) {
    std::lock_guard guard(lock_);
    status_ = status;
    holding_ = false;
}

void FakeUpload::holdAnswers() {
    std::lock_guard guard(lock_);
    holding_ = true;
}

bool FakeUpload::release(std::optional<int> status) {
    QueueEndpoint<Note>::UploadCompletion completion;
    {
        std::lock_guard guard(lock_);
        if (held_.empty()) return false;
        completion = std::move(held_.front());
        held_.erase(held_.begin());
    }
    completion(ZeraZovUploadInfo{status, std::nullopt});
    return true;
}

std::vector<std::vector<std::string>> FakeUpload::batches() const {
    std::lock_guard guard(lock_);
    return batches_;
}

std::size_t FakeUpload::batchCount() const {
    std::lock_guard guard(lock_);
    return batches_.size();
}

void FakeUpload::send(std::vector<Note> notes, QueueEndpoint<Note>::UploadCompletion completion) {
    std::optional<int> status;
    {
        std::lock_guard guard(lock_);
        auto& batch = batches_.emplace_back();
        for (const auto& note : notes) batch.push_back(note.text);
        if (holding_) {
            held_.push_back(std::move(completion));
            return;
        }
        status = status_;
    }
    completion(ZeraZovUploadInfo{status, std::nullopt});
}

}  // namespace zerazov::testing
