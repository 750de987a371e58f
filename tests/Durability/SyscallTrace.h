#pragma once
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace durability_tests {

// What `strace -f -y` saw of one program, read for the order in which bytes
// reached the disk. Descriptors are known by the paths strace prints beside them,
// so a file is followed through its temporary name and renames into its final
// name, whichever way the program took.
class SyscallTrace {
public:
    // Where in the trace an event happened: calls are ordered by when they
    // began and ended, so one that ended before another began came first.
    struct Span {
        std::size_t began = 0;
        std::size_t ended = 0;
    };
    // What happened to the file that finally holds one name.
    struct FileHistory {
        std::optional<Span> named;     // the rename or creation that gave it the name
        bool syncedWhenNamed = false;  // its bytes had reached the disk before that
        std::optional<Span> lastSync;  // the last fsync or fdatasync after its last write
    };

    explicit SyscallTrace(const std::string& text);

    // The history of the file at `path` (absolute, as strace prints it).
    FileHistory file(const std::string& path) const;
    // Every fsync of the folder at `path`.
    std::vector<Span> folderSyncs(const std::string& path) const;
    // The write to standard output that holds `text`.
    std::optional<Span> mark(const std::string& text) const;

private:
    struct Call {
        std::string name;
        std::string text;  // the arguments and the result
        Span span;
    };
    // One file, whatever names it had: its last write and the last sync after it.
    struct FileState {
        std::optional<Span> lastWrite;
        std::optional<Span> lastSync;
    };

    void apply(const Call& call);
    void opened(const Call& call, Span span);
    // The file now under `to` (a rename).
    void named(const std::string& from, const std::string& to, Span span);
    void written(const std::string& path, Span span);
    void synced(const std::string& path, Span span);
    // The file at `path`, a new one when the path is new.
    std::size_t fileAt(const std::string& path);

    std::vector<FileState> files_;
    std::map<std::string, std::size_t> paths_;  // path -> index into files_
    std::map<std::string, FileHistory> names_;  // how each path got its file
    std::map<std::string, std::vector<Span>> syncs_;
    std::vector<std::pair<std::string, Span>> stdoutWrites_;
};

}  // namespace durability_tests
