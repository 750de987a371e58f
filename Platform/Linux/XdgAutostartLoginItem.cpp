#include "Platform/Linux/XdgAutostartLoginItem.h"

#include <cstdlib>
#include <string_view>
#include <system_error>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/DurableFile.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/Paths.h"
#include "Platform/Foundation/PrivateFolder.h"
#include "Platform/Linux/Private/DesktopEntry.h"

namespace platform {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDeletedMark = " (deleted)";

// The program file as the kernel knows it. A binary rebuilt while it runs reads
// as "<path> (deleted)"; the new file at <path> is the one to start next time.
fs::path runningProgram() {
    std::error_code error;
    std::string path = fs::read_symlink("/proc/self/exe", error).string();
    if (path.ends_with(kDeletedMark)) path.resize(path.size() - kDeletedMark.size());
    return path;
}

std::vector<fs::path> systemAutostartFolders() {
    const char* value = std::getenv("XDG_CONFIG_DIRS");
    std::string_view dirs = value && *value ? value : "/etc/xdg";
    std::vector<fs::path> folders;
    while (!dirs.empty()) {
        const auto colon = dirs.find(':');
        const fs::path dir(std::string(dirs.substr(0, colon)));
        if (dir.is_absolute()) folders.push_back(dir / "autostart");
        dirs.remove_prefix(colon == std::string_view::npos ? dirs.size() : colon + 1);
    }
    return folders;
}

// An entry starts a program when it is a desktop entry of an application with
// something to run, and is neither hidden nor switched off. Any other file
// under the entry's name (a link to one, say) starts nothing at login.
bool startsProgram(const std::string& text) {
    if (DesktopEntry::value(text, "Type") != "Application") return false;
    if (DesktopEntry::value(text, "Exec").value_or("").empty()) return false;
    if (DesktopEntry::isTrue(text, "Hidden")) return false;
    return DesktopEntry::value(text, "X-GNOME-Autostart-enabled") != "false";
}

bool isRegularFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool isSymbolicLink(const fs::path& path) {
    std::error_code error;
    return fs::is_symlink(path, error);
}

}  // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(Locations locations, std::string fileName, fs::path program,
                                             std::string title)
    : locations_(std::move(locations)),
      fileName_(std::move(fileName)),
      program_(std::move(program)),
      title_(std::move(title)) {}

XdgAutostartLoginItem XdgAutostartLoginItem::forThisProgram(const BundleInfo& bundle) {
    return XdgAutostartLoginItem({Paths::autostartDirectory(), systemAutostartFolders()},
                                 bundle.identifier + ".desktop", runningProgram(), "Tessivar");
}

std::optional<fs::path> XdgAutostartLoginItem::systemEntry() const {
    for (const auto& folder : locations_.systemFolders) {
        if (isRegularFile(folder / fileName_)) return folder / fileName_;
    }
    return std::nullopt;
}

// The user's entry decides when there is one; it shadows a system-wide entry of
// the same name, as the desktop's autostart does.
LoginItemStatus XdgAutostartLoginItem::status() {
    const fs::path entry = isRegularFile(userEntry()) ? userEntry() : systemEntry().value_or(fs::path());
    if (entry.empty()) return LoginItemStatus::notRegistered;
    const auto text = DurableFile::read(entry);
    if (!text) return LoginItemStatus::notFound;
    return startsProgram(*text) ? LoginItemStatus::enabled : LoginItemStatus::notRegistered;
}

std::string XdgAutostartLoginItem::entryText(bool hidden) const {
    std::string text = "[Desktop Entry]\nType=Application\nName=" + DesktopEntry::escaped(title_) + "\n";
    text += "Exec=" + DesktopEntry::execValue(program_.string()) + "\n";
    text += "Terminal=false\nNoDisplay=true\nX-GNOME-Autostart-enabled=true\n";
    if (hidden) text += "Hidden=true\n";
    return text;
}

Failure XdgAutostartLoginItem::writeUserEntry(bool hidden) const {
    if (const auto error = PrivateFolder::makeAll(locations_.userFolder)) {
        return "无法创建自启动文件夹 " + locations_.userFolder.string() + ": " + *error;
    }
    // The entry is the program's own; a link in its place (to a file of the
    // user's, or to one that is no entry at all) is replaced, never written
    // through, so that switching launch at login changes no other file.
    const bool replacesLink = isSymbolicLink(userEntry());
    if (const auto failure = DurableFile::writeOwn(userEntry(), entryText(hidden))) {
        return "无法写入自启动项 " + userEntry().string() + ": " + *failure;
    }
    if (replacesLink) {
        Log::write("[Tessivar] %@", "⚠️ 自启动项 " + userEntry().string() +
                                        " 原是符号链接，已换成程序自己的文件；它指向的文件未改动");
    }
    return std::nullopt;
}

Failure XdgAutostartLoginItem::removeUserEntry() const {
    std::error_code error;
    fs::remove(userEntry(), error);
    if (error) return "无法移除自启动项 " + userEntry().string() + ": " + error.message();
    return std::nullopt;
}

Failure XdgAutostartLoginItem::registerItem() {
    if (status() == LoginItemStatus::enabled) return std::nullopt;
    return writeUserEntry(false);
}

// A system-wide entry cannot be removed by the user; an entry of the same name
// that is hidden switches it off for this user only.
Failure XdgAutostartLoginItem::unregisterItem() {
    if (systemEntry()) return writeUserEntry(true);
    if (!isRegularFile(userEntry())) return std::nullopt;
    return removeUserEntry();
}

}  // namespace platform
