#include "Platform/Foundation/Log.h"

#include <cstdio>
#include <mutex>
#include <set>

namespace platform {
namespace {

std::mutex& sinkMutex() {
    static std::mutex mutex;
    return mutex;
}

Log::Sink& currentSink() {
    static Log::Sink sink;
    return sink;
}

// Lines already written by writeOnce.
std::set<std::string, std::less<>>& writtenOnce() {
    static std::set<std::string, std::less<>> lines;
    return lines;
}

void writeTo(std::FILE* stream, const std::string& line) {
    std::fprintf(stream, "%s\n", line.c_str());
    std::fflush(stream);
}

Log::Sink sinkNow() {
    std::lock_guard lock(sinkMutex());
    return currentSink();
}

// The current sink takes the line; without one it goes to the stream.
void deliver(const std::string& line, std::FILE* stream) {
    const Log::Sink sink = sinkNow();
    if (sink) {
        sink(line);
    } else {
        writeTo(stream, line);
    }
}

}  // namespace

std::string Log::format(std::string_view format, std::string_view message) {
    const auto at = format.find("%@");
    if (at == std::string_view::npos) return std::string(format);
    std::string line;
    line.reserve(format.size() + message.size());
    line.append(format.substr(0, at)).append(message).append(format.substr(at + 2));
    return line;
}

void Log::write(std::string_view fmt, std::string_view message) { deliver(format(fmt, message), stderr); }

void Log::writeAll(std::string_view fmt, const std::vector<std::string>& messages) {
    if (messages.empty()) return;
    if (const Sink sink = sinkNow()) {
        for (const auto& message : messages) sink(format(fmt, message));
        return;
    }
    // Standard error has no buffer, so each line written alone is a write of its own.
    std::string text = format(fmt, messages.front());
    for (auto message = messages.begin() + 1; message != messages.end(); ++message) {
        text.append("\n").append(format(fmt, *message));
    }
    writeTo(stderr, text);
}

void Log::print(std::string_view fmt, std::string_view message) { deliver(format(fmt, message), stdout); }

void Log::writeOnce(std::string_view fmt, std::string_view message) {
    std::string line = format(fmt, message);
    {
        std::lock_guard lock(sinkMutex());
        if (!writtenOnce().insert(line).second) return;
    }
    write("%@", line);
}

Log::Sink Log::setSink(Sink sink) {
    std::lock_guard lock(sinkMutex());
    Sink previous = std::move(currentSink());
    currentSink() = std::move(sink);
    return previous;
}

}  // namespace platform
