#pragma once
#include <cstdint>

namespace zerazov {

// What the renderer shows after an answer: the question at the index, or nothing
// more once the survey is completed.
class ZeraZovNextSurveyQuestion {
public:
    std::int64_t questionIndex = 0;
    bool isSurveyCompleted = false;
};

}  // namespace zerazov
