#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace platform {

class Failure;

// Typed settings kept in one JSON object file, written atomically (temporary
// file, then rename) after every change. Absent and stored false are different:
// object() answers nothing for an absent key, boolValue() answers false for both.
// A file that cannot be parsed is moved aside to "<name>.corrupt-<time>" and
// reported; the settings then start empty, and the bad file is never overwritten.
// A file that cannot be read at start-up, or a corrupt one that cannot be moved,
// blocks every save for the rest of the run. One that cannot be read when a change
// is stored (its permissions taken away, or grown past DurableFile::readLimit) is
// reported and not written over either: the change stays in memory and is written
// by the first later save that can read the file again. A settings file behind a
// symbolic link stays behind it: saves and the move aside happen at the file the
// link names.
//
// The file may be edited by hand while the program runs: a change made outside
// is read back (and reported) before the next change is stored, and whenever
// synchronize() is called, so an edit is never overwritten by older values. A
// corrupt edit is moved aside as at start-up, and the values in memory stay.
//
// Several processes may share the file: each change is read, applied and
// written under a lock on "<name>.lock" beside it, so no process writes over a
// key another has just stored. The lock file is opened through the settings
// folder's descriptor and never through a link; when it cannot be had (a link
// in its place), the change is saved all the same and that is reported. A file nested deeper than BoundedJSON allows is
// corrupt, and a value nested that deep is refused (reported, not stored). The
// file holds one setting a line, each value in compact JSON.
class UserDefaults {
public:
    using Reporter = std::function<void(const std::string& message)>;

    // `reporter` hears about corrupt or unwritable files, every time; by default
    // each distinct message is logged once per process.
    explicit UserDefaults(std::filesystem::path file, Reporter reporter = {});

    // The process-wide defaults under $XDG_CONFIG_HOME/<bundle id>/defaults.json.
    static UserDefaults& standard();

    const std::filesystem::path& file() const { return file_; }

    std::optional<nlohmann::json> object(std::string_view key) const;
    bool contains(std::string_view key) const;
    // Every stored key, in the file's (sorted) order.
    std::vector<std::string> keys() const;

    // Absent -> false. Numbers are true when non-zero; strings follow the usual
    // defaults reading ("YES", "true", "1"... true; anything else false).
    bool boolValue(std::string_view key) const;
    // Absent or not convertible -> 0. Booleans read as 0 or 1; numeric strings parse.
    std::int64_t integerValue(std::string_view key) const;
    double doubleValue(std::string_view key) const;
    // Strings as stored; numbers and Booleans as their text ("5", "1.5", "1" for true,
    // "0" for false); anything else -> nothing.
    std::optional<std::string> stringValue(std::string_view key) const;

    // Each setter stores and writes the file; a failed write is reported and the
    // value stays in memory.
    void set(const std::string& key, nlohmann::json value);
    void removeObject(const std::string& key);
    // Reads the file again if it changed outside since it was last read or written.
    void synchronize();
    // Runs after the values were read again from a file changed outside, on the
    // thread whose call found the change, with no lock held.
    void setReloadHandler(std::function<void()> handler);

    // While a group is open, changes are kept in memory (and read back as
    // usual) and written together, in one save, when the last open group
    // closes: a burst of settings stored at launch costs one write, not one each.
    // Changes made outside meanwhile are read back first and kept, except where
    // the group changed the same key.
    class ChangeGroup {
    public:
        explicit ChangeGroup(UserDefaults& defaults) : defaults_(defaults) { defaults_.openGroup(); }
        ~ChangeGroup() { defaults_.closeGroup(); }
        ChangeGroup(const ChangeGroup&) = delete;
        ChangeGroup& operator=(const ChangeGroup&) = delete;

    private:
        UserDefaults& defaults_;
    };

private:
    // A key stored, or removed (no value).
    struct Change {
        std::string key;
        std::optional<nlohmann::json> value;
    };
    // Answers what `read` makes of the stored value (null when absent), read
    // in place under the lock: a key read on every key press copies nothing.
    template <typename Read>
    auto readStored(std::string_view key, Read read) const {
        std::lock_guard lock(mutex_);
        const auto found = values_.find(key);
        return read(found == values_.end() ? nullptr : &*found);
    }
    // What reading the file again found.
    struct OutsideRead {
        std::optional<std::string> message;  // to report after unlocking
        bool reloaded = false;               // the values in memory were replaced by the file's
        bool unreadable = false;             // the file is there but could not be read: never write over it
    };
    void load();
    // Called with mutex_ held; answers what to report after unlocking, moved or
    // not: where the file went, or why it stays (and is then never written over).
    std::string moveAside();
    OutsideRead readOutsideChange();
    void afterOutsideChange(const OutsideRead& outside);
    // Called with mutex_ held; answers what went wrong so that it is reported after unlocking.
    Failure save();
    static void apply(nlohmann::json& values, const std::vector<Change>& changes);
    void update(Change change);
    // Called with mutex_ held: reads an outside change, applies the changes not
    // yet written and `changes`, and saves unless the file could not be read.
    // Answers what to report: a failed save, or one made without the lock.
    Failure store(std::vector<Change> changes, OutsideRead& outside);
    void openGroup();
    void closeGroup();
    void report(const std::string& message) const;

    std::filesystem::path file_;
    Reporter reporter_;
    mutable std::mutex mutex_;
    std::function<void()> onReload_;  // guarded by mutex_, run outside it
    nlohmann::json values_ = nlohmann::json::object();
    // A corrupt file that could not be moved aside must never be replaced.
    std::optional<std::string> blockedBy_;
    // The file's bytes as this object last read or wrote them. Compared whole:
    // file times are too coarse to tell a quick edit from our own write.
    std::optional<std::string> onDisk_;
    int openGroups_ = 0;           // guarded by mutex_
    std::vector<Change> pending_;  // guarded by mutex_: changed while a group is open
    // Guarded by mutex_: stored in memory but not yet in the file (its save failed
    // or was refused), the latest change of each key; applied again after a reload.
    std::vector<Change> unsaved_;
};

}  // namespace platform
