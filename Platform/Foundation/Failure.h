#pragma once
#include <iosfwd>
#include <optional>
#include <string>
#include <utility>

namespace platform {

// What a call that can fail answers: nothing when it went well, or the
// failure's text. Being [[nodiscard]], a caller that drops it does not compile
// (under -Werror); one that means to ignore a failure says so with a cast to
// void and a comment why.
class [[nodiscard]] Failure {
public:
    Failure() = default;
    Failure(std::nullopt_t) {}                                            // NOLINT(google-explicit-constructor)
    Failure(std::string text) : failed_(true), text_(std::move(text)) {}  // NOLINT(google-explicit-constructor)
    Failure(const char* text) : Failure(std::string(text)) {}             // NOLINT(google-explicit-constructor)
    // A failure with the system's error number behind it, for callers that act
    // on the cause (a missing file, a link refused) and not only tell it.
    Failure(std::string text, int errorNumber) : failed_(true), text_(std::move(text)), errorNumber_(errorNumber) {}
    // A system call's failure: the number's own text, and the number.
    static Failure ofErrorNumber(int errorNumber);

    // True when the call failed.
    explicit operator bool() const noexcept { return failed_; }
    // Why it failed; empty when it did not.
    const std::string& operator*() const noexcept { return text_; }
    const std::string* operator->() const noexcept { return &text_; }
    // The system's error number behind the failure; 0 when none was given.
    int errorNumber() const noexcept { return errorNumber_; }

    friend bool operator==(const Failure&, const Failure&) = default;
    // "no failure", or the text: what a failed test assertion shows.
    friend std::ostream& operator<<(std::ostream& out, const Failure& failure);

private:
    bool failed_ = false;
    std::string text_;
    int errorNumber_ = 0;
};

}  // namespace platform
