#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The application's log. A format holds one "%@" that the message replaces
// ("[Tessivar] %@"); every line goes to the current sink, standard error by
// default. Tests swap the sink to read what was logged.
class Log {
public:
    using Sink = std::function<void(const std::string& line)>;

    static void write(std::string_view format, std::string_view message);
    // One line per message, in order, handed to the stream in one write: lines
    // that belong together arrive together and cost one system call.
    static void writeAll(std::string_view format, const std::vector<std::string>& messages);
    // Like write, except that a line no sink takes goes to standard output: for a
    // library's diagnostics that its user reads as program output.
    static void print(std::string_view format, std::string_view message);
    // Writes a line only the first time this process writes that exact line: a
    // failure that repeats (every save, every key press) is reported once.
    static void writeOnce(std::string_view format, std::string_view message);
    // Formats without writing: "[Tessivar] %@" + "hi" -> "[Tessivar] hi".
    static std::string format(std::string_view format, std::string_view message);
    // Installs a sink and answers the one it replaced; an empty sink restores standard error.
    static Sink setSink(Sink sink);
};

}  // namespace platform
