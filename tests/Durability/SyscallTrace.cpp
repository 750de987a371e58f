#include "SyscallTrace.h"

#include <regex>
#include <sstream>

namespace durability_tests {
namespace {

// "4</folder/name>" or "AT_FDCWD</folder>": a descriptor and the path strace
// printed for it.
const std::regex kDescriptor(R"((-?\d+|AT_FDCWD)<([^>]*)>)");
const std::regex kQuoted(R"re("((?:[^"\\]|\\.)*)")re");
// "1234  call(...)": strace pads the thread's number to five places, so a number
// below 10000 is followed by more than one space.
const std::regex kLine(R"(^(\d+) +(.*)$)");
const std::regex kResumed(R"(^<\.\.\. (\w+) resumed>(.*)$)");
const std::string kUnfinished = " <unfinished ...>";

struct Argument {
    std::string descriptor;
    std::string path;
};

std::vector<Argument> descriptorsIn(const std::string& text) {
    std::vector<Argument> found;
    for (std::sregex_iterator it(text.begin(), text.end(), kDescriptor), end; it != end; ++it) {
        found.push_back({(*it)[1], (*it)[2]});
    }
    return found;
}

std::vector<std::string> quotedIn(const std::string& text) {
    std::vector<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), kQuoted), end; it != end; ++it) found.push_back((*it)[1]);
    return found;
}

// The call's result: what follows the last " = ".
std::string resultOf(const std::string& text) {
    const auto at = text.rfind(" = ");
    return at == std::string::npos ? std::string() : text.substr(at + 3);
}

bool succeeded(const std::string& text) {
    const auto result = resultOf(text);
    return !result.empty() && result[0] != '-' && result[0] != '?';
}

std::string resolved(const std::string& folder, const std::string& name) {
    return name.starts_with('/') ? name : folder + "/" + name;
}

}  // namespace

SyscallTrace::SyscallTrace(const std::string& text) {
    std::map<std::string, Call> unfinished;  // by thread
    std::istringstream lines(text);
    std::string line;
    for (std::size_t at = 0; std::getline(lines, line); ++at) {
        std::smatch parts;
        if (!std::regex_match(line, parts, kLine)) continue;
        const std::string thread = parts[1];
        std::string rest = parts[2];
        std::smatch resumed;
        if (std::regex_match(rest, resumed, kResumed)) {
            auto call = unfinished[thread];
            call.text += resumed[2].str();
            call.span.ended = at;
            apply(call);
            continue;
        }
        const auto open = rest.find('(');
        if (open == std::string::npos) continue;  // a signal or an exit
        Call call{rest.substr(0, open), rest, {at, at}};
        if (rest.ends_with(kUnfinished)) {
            call.text.resize(rest.size() - kUnfinished.size());
            unfinished[thread] = call;
            continue;
        }
        apply(call);
    }
}

void SyscallTrace::apply(const Call& call) {
    if (!succeeded(call.text)) return;
    const auto descriptors = descriptorsIn(call.text);
    const auto quoted = quotedIn(call.text);
    if (call.name == "openat") return opened(call, call.span);
    if (descriptors.empty()) {
        if (call.name == "rename" && quoted.size() == 2) named(quoted[0], quoted[1], call.span);
        return;
    }
    const auto& first = descriptors.front();
    if (call.name == "write" || call.name == "pwrite64" || call.name == "writev") {
        if (first.descriptor == "1" && !quoted.empty()) stdoutWrites_.push_back({quoted[0], call.span});
        written(first.path, call.span);
    } else if (call.name == "fsync" || call.name == "fdatasync") {
        synced(first.path, call.span);
    } else if ((call.name == "renameat" || call.name == "renameat2") && descriptors.size() >= 2 && quoted.size() >= 2) {
        named(resolved(descriptors[0].path, quoted[0]), resolved(descriptors[1].path, quoted[1]), call.span);
    }
}

void SyscallTrace::opened(const Call& call, Span span) {
    const auto descriptors = descriptorsIn(resultOf(call.text));
    const auto quoted = quotedIn(call.text);
    if (descriptors.empty() || quoted.empty()) return;
    const auto& path = descriptors.front().path;
    const bool created = call.text.find("O_CREAT") != std::string::npos;
    if (created && !names_.contains(path)) names_[path].named = span;
    if (created || call.text.find("O_TRUNC") != std::string::npos) written(path, span);
}

void SyscallTrace::named(const std::string& from, const std::string& to, Span span) {
    const auto file = fileAt(from);
    paths_[to] = file;
    paths_.erase(from);
    const auto& state = files_[file];
    names_[to].named = span;
    names_[to].syncedWhenNamed = state.lastSync && state.lastSync->ended < span.began;
}

void SyscallTrace::written(const std::string& path, Span span) {
    auto& state = files_[fileAt(path)];
    state.lastWrite = span;
    state.lastSync.reset();
}

void SyscallTrace::synced(const std::string& path, Span span) {
    syncs_[path].push_back(span);
    auto& state = files_[fileAt(path)];
    if (!state.lastWrite || state.lastWrite->ended < span.began) state.lastSync = span;
}

std::size_t SyscallTrace::fileAt(const std::string& path) {
    const auto found = paths_.find(path);
    if (found != paths_.end()) return found->second;
    files_.emplace_back();
    return paths_[path] = files_.size() - 1;
}

SyscallTrace::FileHistory SyscallTrace::file(const std::string& path) const {
    FileHistory history;
    if (const auto found = names_.find(path); found != names_.end()) history = found->second;
    if (const auto found = paths_.find(path); found != paths_.end()) history.lastSync = files_[found->second].lastSync;
    return history;
}

std::vector<SyscallTrace::Span> SyscallTrace::folderSyncs(const std::string& path) const {
    const auto found = syncs_.find(path);
    return found == syncs_.end() ? std::vector<Span>{} : found->second;
}

std::optional<SyscallTrace::Span> SyscallTrace::mark(const std::string& text) const {
    for (const auto& [written, span] : stdoutWrites_) {
        if (written.find(text) != std::string::npos) return span;
    }
    return std::nullopt;
}

}  // namespace durability_tests
