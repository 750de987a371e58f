#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov {
namespace {

// Points one of the process's standard streams at a file until finish() puts it back
// and answers what was written.
class StandardStreamCapture {
public:
    StandardStreamCapture(int fd, std::FILE* stream, const std::filesystem::path& file)
        : fd_(fd), stream_(stream), file_(file), saved_(dup(fd)) {
        std::fflush(stream_);
        std::FILE* target = std::fopen(file_.c_str(), "w");
        dup2(fileno(target), fd_);
        std::fclose(target);
    }
    ~StandardStreamCapture() { finish(); }
    StandardStreamCapture(const StandardStreamCapture&) = delete;
    StandardStreamCapture& operator=(const StandardStreamCapture&) = delete;

    std::string finish() {
        if (saved_ >= 0) {
            std::fflush(stream_);
            dup2(saved_, fd_);
            close(saved_);
            saved_ = -1;
        }
        std::ostringstream text;
        text << std::ifstream(file_).rdbuf();
        return text.str();
    }

private:
    int fd_;
    std::FILE* stream_;
    std::filesystem::path file_;
    int saved_;
};

TEST(ZeraZovDebugLog, LinesGoToStandardOutputOnlyWhileTheSwitchIsOn) {
    platform::TemporaryDirectory directory;
    StandardStreamCapture output(STDOUT_FILENO, stdout, directory.path() / "out");
    StandardStreamCapture errors(STDERR_FILENO, stderr, directory.path() / "err");
    {
        const tessivar::testing::DebugLogSwitch on(true);
        ZeraZovDebugLog::write("Flags called successfully.");
    }
    {
        const tessivar::testing::DebugLogSwitch off(false);
        ZeraZovDebugLog::write("not shown");
    }

    const std::string written = output.finish();
    const std::string logged = errors.finish();
    EXPECT_EQ(written, "[ZeraZov] Flags called successfully.\n");
    EXPECT_EQ(logged, "");
}

}  // namespace
}  // namespace zerazov
