#pragma once
#include <cstdint>
#include <utility>

namespace zerazov {

// What the renderer shows after an answer: the question at the index, or nothing
// more once the survey is completed.
class ZeraZovNextSurveyQuestion {
public:
    struct Fields {
        std::int64_t questionIndex = 0;
        bool isSurveyCompleted = false;
    };

    explicit ZeraZovNextSurveyQuestion(Fields fields) : fields_(std::move(fields)) {}

    std::int64_t questionIndex() const { return fields_.questionIndex; }
    bool isSurveyCompleted() const { return fields_.isSurveyCompleted; }

private:
    const Fields fields_;
};

}  // namespace zerazov
