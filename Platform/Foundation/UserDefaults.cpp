#include "Platform/Foundation/UserDefaults.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <ctime>
#include <limits>
#include <system_error>
#include <utility>

#include "Platform/Foundation/BoundedJSON.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/DurableFile.h"
#include "Platform/Foundation/Failure.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/Paths.h"
#include "Platform/Foundation/Private/FileLock.h"
#include "Platform/Foundation/PrivateFolder.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// Two corrupt files in the same second must not land on one name: rename would
// silently replace the first.
fs::path freeAsideName(const fs::path& file) {
    const std::string base = file.string() + ".corrupt-" + std::to_string(std::time(nullptr));
    fs::path candidate = base;
    std::error_code ignored;
    for (int attempt = 2; fs::exists(fs::symlink_status(candidate, ignored)); ++attempt) {
        candidate = base + "-" + std::to_string(attempt);
    }
    return candidate;
}

// Where the file went. A settings file kept elsewhere behind a link is moved
// aside where it lies, so that the link survives and the next save writes a
// fresh file through it.
Result<fs::path> moveTargetAside(const fs::path& file) {
    const auto target = DurableFile::resolveLinks(file);
    if (!target) return target;
    fs::path aside = freeAsideName(*target);
    std::error_code error;
    fs::rename(*target, aside, error);
    if (error) return Failure(error.message());
    return aside;
}

fs::path folderOf(const fs::path& file) { return file.has_parent_path() ? file.parent_path() : fs::path("."); }

// The folder may not exist on a first run. It is the program's own: made 0700
// (with the config folder above it, when that is missing too), and never a link.
Failure makeFolderOf(const fs::path& file) { return PrivateFolder(folderOf(file)).make(); }

Failure writeCreatingFolder(const fs::path& file, const std::string& text) {
    if (auto error = makeFolderOf(file)) return error;
    return DurableFile::writeAtomically(file, text);
}

// Beside the settings file, taken by every process that reads it to change it.
// The settings folder is the program's own even when the file in it is a link
// of the user's: the lock is made in that folder, never through a link.
FileLock lockFor(const fs::path& file) {
    return FileLock(PrivateFolder(folderOf(file)), file.filename().string() + ".lock");
}

std::string unguardedMessage(const fs::path& file, const std::string& error) {
    return "⚠️ 设置文件未能加锁，已在无锁状态下保存 " + file.string() + ": " + error;
}

// Text that is not valid UTF-8 is stored with replacement characters rather
// than throwing out of a setter.
std::string compact(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

// One setting a line, each value compact: the file stays easy to read and edit,
// and no value takes more room on disk than its own compact text. Indenting
// every level would cost depth times size, which a nested value turns into
// thousands of times what it holds.
std::string fileText(const json& values) {
    if (values.empty()) return "{}\n";
    std::string text = "{";
    const char* separator = "\n  ";
    for (const auto& [key, value] : values.items()) {
        text.append(separator).append(compact(json(key))).append(": ").append(compact(value));
        separator = ",\n  ";
    }
    return text + "\n}\n";
}

std::string_view skipWhitespace(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    return text.substr(at);
}

std::string_view skipPlusSign(std::string_view text) {
    return !text.empty() && text.front() == '+' ? text.substr(1) : text;
}

// The usual defaults reading: whitespace, an optional sign and leading zeros are
// skipped; then "Y", "y", "T", "t" or a digit 1-9 means true.
bool boolFromString(std::string_view text) {
    text = skipWhitespace(text);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    while (!text.empty() && text.front() == '0') text.remove_prefix(1);
    if (text.empty()) return false;
    const char first = text.front();
    return first == 'Y' || first == 'y' || first == 'T' || first == 't' || (first >= '1' && first <= '9');
}

std::int64_t clampToInteger(std::uint64_t value) {
    constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(std::min(value, largest));
}

std::int64_t clampToInteger(double value) {
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (std::isnan(value)) return 0;
    if (value >= limit) return std::numeric_limits<std::int64_t>::max();
    if (value < -limit) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

// Leading digits count and the rest is ignored ("12px" -> 12), as the usual reading does.
std::int64_t integerFromString(std::string_view text) {
    text = skipPlusSign(skipWhitespace(text));
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        return text.front() == '-' ? std::numeric_limits<std::int64_t>::min()
                                   : std::numeric_limits<std::int64_t>::max();
    }
    return error == std::errc() ? value : 0;
}

double doubleFromString(std::string_view text) {
    text = skipPlusSign(skipWhitespace(text));
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() ? value : 0;
}

std::string shortestText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string unreadableMessage(const fs::path& file, const std::string& error) {
    return "✗ 设置文件无法读取 " + file.string() + ": " + error;
}

// A file nested too deep to handle safely is as unreadable as a broken one.
std::optional<json> parsedObject(const std::string& bytes) {
    auto parsed = BoundedJSON::parse(bytes);
    if (!parsed || !parsed->is_object()) return std::nullopt;
    return std::move(*parsed);
}

}  // namespace

UserDefaults::UserDefaults(std::filesystem::path file, Reporter reporter)
    : file_(std::move(file)), reporter_(std::move(reporter)) {
    // A blocked file refuses every save, and the launch alone saves eight
    // shortcuts: each distinct failure is worth one line per run, not one per save.
    if (!reporter_) reporter_ = [](const std::string& message) { Log::writeOnce("[Tessivar] %@", message); };
    load();
}

UserDefaults& UserDefaults::standard() {
    static UserDefaults defaults(Paths::configHome() / BundleInfo::main().identifier / "defaults.json");
    return defaults;
}

std::optional<nlohmann::json> UserDefaults::object(std::string_view key) const {
    return readStored(key, [](const json* value) { return value ? std::optional<json>(*value) : std::nullopt; });
}

bool UserDefaults::contains(std::string_view key) const {
    return readStored(key, [](const json* value) { return value != nullptr; });
}

std::vector<std::string> UserDefaults::keys() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> result;
    result.reserve(values_.size());
    for (const auto& item : values_.items()) result.push_back(item.key());
    return result;
}

bool UserDefaults::boolValue(std::string_view key) const {
    return readStored(key, [](const json* value) {
        if (!value) return false;
        if (value->is_boolean()) return value->get<bool>();
        if (value->is_number()) return value->get<double>() != 0;
        if (value->is_string()) return boolFromString(value->get_ref<const std::string&>());
        return false;
    });
}

std::int64_t UserDefaults::integerValue(std::string_view key) const {
    return readStored(key, [](const json* value) -> std::int64_t {
        if (!value) return 0;
        if (value->is_boolean()) return value->get<bool>() ? 1 : 0;
        if (value->is_number_unsigned()) return clampToInteger(value->get<std::uint64_t>());
        if (value->is_number_integer()) return value->get<std::int64_t>();
        if (value->is_number()) return clampToInteger(value->get<double>());
        if (value->is_string()) return integerFromString(value->get_ref<const std::string&>());
        return 0;
    });
}

double UserDefaults::doubleValue(std::string_view key) const {
    return readStored(key, [](const json* value) -> double {
        if (!value) return 0;
        if (value->is_boolean()) return value->get<bool>() ? 1 : 0;
        if (value->is_number()) return value->get<double>();
        if (value->is_string()) return doubleFromString(value->get_ref<const std::string&>());
        return 0;
    });
}

std::optional<std::string> UserDefaults::stringValue(std::string_view key) const {
    return readStored(key, [](const json* value) -> std::optional<std::string> {
        if (!value) return std::nullopt;
        if (value->is_string()) return value->get<std::string>();
        if (value->is_boolean()) return std::string(value->get<bool>() ? "1" : "0");
        if (value->is_number_unsigned()) return std::to_string(value->get<std::uint64_t>());
        if (value->is_number_integer()) return std::to_string(value->get<std::int64_t>());
        if (value->is_number_float()) return shortestText(value->get<double>());
        return std::nullopt;
    });
}

// Storing null removes the key, as setting nothing does in the usual defaults.
void UserDefaults::set(const std::string& key, nlohmann::json value) {
    if (value.is_null()) {
        removeObject(key);
        return;
    }
    // The file must read back: it holds the value one level down.
    if (!BoundedJSON::isWithinDepth(value, BoundedJSON::maxDepth - 1)) {
        report("✗ 设置值嵌套过深，未保存 " + key);
        return;
    }
    update({key, std::move(value)});
}

void UserDefaults::removeObject(const std::string& key) { update({key, std::nullopt}); }

void UserDefaults::apply(json& values, const std::vector<Change>& changes) {
    for (const auto& change : changes) {
        if (change.value) {
            values[change.key] = *change.value;
        } else {
            values.erase(change.key);
        }
    }
}

void UserDefaults::update(Change change) {
    OutsideRead outside;
    Failure failure;
    {
        std::lock_guard lock(mutex_);
        if (openGroups_ > 0) {
            apply(values_, {change});
            pending_.push_back(std::move(change));
            return;
        }
        failure = store({std::move(change)}, outside);
    }
    afterOutsideChange(outside);
    if (failure) report(*failure);
}

Failure UserDefaults::store(std::vector<Change> changes, OutsideRead& outside) {
    // The lock file needs the folder, which a first run may not have yet. A
    // failure here is the save's too, which makes the folder again and reports it.
    (void)makeFolderOf(file_);
    // Another process may store its own change at the same time: holding the
    // file lock from the read to the rename keeps either change from being
    // written over by values read before it.
    const FileLock fileLock = lockFor(file_);
    outside = readOutsideChange();
    // Changes kept from saves that failed go first, so that a reload does not
    // take them back. A group's changes are in memory already, unless the file's
    // values just replaced them; applied again, they stand either way.
    for (auto& change : changes) {
        std::erase_if(unsaved_, [&](const Change& kept) { return kept.key == change.key; });
        unsaved_.push_back(std::move(change));
    }
    apply(values_, unsaved_);
    // Reported through `outside`: the file may hold settings we could not read.
    if (outside.unreadable) return std::nullopt;
    if (auto failure = save()) return failure;
    unsaved_.clear();
    // A lock that cannot be had (a link in its place, say) binds no other
    // process either: the settings are kept all the same, and that they were
    // saved unguarded is said.
    if (!fileLock.held()) return unguardedMessage(file_, fileLock.error());
    return std::nullopt;
}

void UserDefaults::openGroup() {
    std::lock_guard lock(mutex_);
    ++openGroups_;
}

void UserDefaults::closeGroup() {
    OutsideRead outside;
    Failure failure;
    {
        std::lock_guard lock(mutex_);
        if (--openGroups_ > 0 || pending_.empty()) return;
        failure = store(std::exchange(pending_, {}), outside);
    }
    afterOutsideChange(outside);
    if (failure) report(*failure);
}

void UserDefaults::synchronize() {
    OutsideRead outside;
    {
        std::lock_guard lock(mutex_);
        const FileLock fileLock = lockFor(file_);
        outside = readOutsideChange();
        // What a failed save kept in memory stands over the file's values.
        if (outside.reloaded) apply(values_, unsaved_);
    }
    afterOutsideChange(outside);
}

void UserDefaults::setReloadHandler(std::function<void()> handler) {
    std::lock_guard lock(mutex_);
    onReload_ = std::move(handler);
}

void UserDefaults::afterOutsideChange(const OutsideRead& outside) {
    if (outside.message) report(*outside.message);
    if (!outside.reloaded) return;
    std::function<void()> handler;
    {
        std::lock_guard lock(mutex_);
        handler = onReload_;
    }
    if (handler) handler();
}

// A file removed outside is written again, whole, by the next save; one that is
// there but cannot be read may hold settings of its own, and is left alone.
UserDefaults::OutsideRead UserDefaults::readOutsideChange() {
    if (blockedBy_) return {};
    auto contents = DurableFile::read(file_);
    if (DurableFile::missing(contents)) return {};
    if (!contents) return {unreadableMessage(file_, *contents.failure()), false, true};
    if (*contents == onDisk_) return {};
    auto parsed = parsedObject(*contents);
    if (!parsed) return {moveAside()};
    values_ = std::move(*parsed);
    onDisk_ = std::move(*contents);
    return {"⚠️ 设置文件已在别处修改，已重新读取 " + file_.string(), true};
}

void UserDefaults::load() {
    // A corrupt file is moved aside only while no other process can have just
    // replaced it with a good one.
    const FileLock fileLock = lockFor(file_);
    std::error_code error;
    if (!fs::exists(file_, error)) return;
    const auto contents = DurableFile::read(file_);
    if (!contents) {
        // Unreadable is not corrupt: the file may be perfectly good, so it is
        // neither moved nor overwritten.
        blockedBy_ = "设置文件无法读取 (" + *contents.failure() + ")";
        report(unreadableMessage(file_, *contents.failure()));
        return;
    }
    auto parsed = parsedObject(*contents);
    if (!parsed) {
        report(moveAside());
        return;
    }
    values_ = std::move(*parsed);
    onDisk_ = *contents;
}

std::string UserDefaults::moveAside() {
    const auto moved = moveTargetAside(file_);
    if (!moved) {
        blockedBy_ = "损坏的设置文件未能移开 (" + *moved.failure() + ")";
        return "✗ 设置文件无法解析，也无法移开 " + file_.string() + ": " + *moved.failure();
    }
    onDisk_.reset();
    return "⚠️ 设置文件无法解析，已移至 " + moved->string();
}

Failure UserDefaults::save() {
    std::string text = fileText(values_);
    Failure failure = blockedBy_ ? Failure(*blockedBy_) : writeCreatingFolder(file_, text);
    if (!failure) {
        onDisk_ = std::move(text);
        return std::nullopt;
    }
    return "✗ 无法写入设置文件 " + file_.string() + ": " + *failure;
}

void UserDefaults::report(const std::string& message) const { reporter_(message); }

}  // namespace platform
