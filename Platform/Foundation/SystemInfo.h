#pragma once
#include <sys/types.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Facts about the machine and the user's settings that analytics describe events
// with. Every fact is optional: a missing file, variable or value answers nothing.
class SystemInfo {
public:
    // Reads an environment variable; nothing when it is not set.
    using Environment = std::function<std::optional<std::string>(const std::string& name)>;

    struct OperatingSystemVersion {
        int major = 0;
        int minor = 0;
        int patch = 0;
    };

    // The live system: the real environment and files under "/".
    SystemInfo();
    // Files are read below `root` (for example /sys/class/dmi/id/sys_vendor as
    // root/sys/class/dmi/id/sys_vendor); uname facts still come from the kernel.
    SystemInfo(std::filesystem::path root, Environment environment);

    static const SystemInfo& current();

    // uname(2): "Linux", "6.1.0-18-amd64", "x86_64".
    std::optional<std::string> kernelName() const;
    std::optional<std::string> kernelRelease() const;
    std::optional<std::string> machine() const;
    // The kernel release's leading numbers: "6.1.0-18-amd64" -> 6.1.0, "6.8" -> 6.8.0.
    OperatingSystemVersion operatingSystemVersion() const;
    static OperatingSystemVersion parseKernelRelease(std::string_view release);

    // DMI, when the firmware tells and the file is readable: "LENOVO", "20XW0026GE".
    // The maker is the system's vendor, else the board's: a caller that cannot
    // use the first (text that is not UTF-8, say) tries the next. Virtual
    // machines and containers often have no DMI at all.
    std::optional<std::string> systemVendor() const;
    std::optional<std::string> boardVendor() const;
    std::optional<std::string> productName() const;
    // The computer's name as the kernel keeps it, else as /etc/hostname gives it;
    // nothing for the kernel's "(none)" of a machine that was never named.
    std::optional<std::string> hostName() const;

    // The messages locale from LC_ALL, LC_MESSAGES, then LANG (first one set and
    // not empty), without codeset and modifier: "de_DE.UTF-8@euro" -> "de_DE".
    std::optional<std::string> localeIdentifier() const;
    // Its language part: "de_DE" -> "de"; nothing for "C" and "POSIX".
    std::optional<std::string> languageCode() const;

    // An IANA zone name from TZ, else /etc/timezone, else the target of the
    // /etc/localtime link: "Europe/Berlin".
    std::optional<std::string> timeZoneIdentifier() const;

    // A file told apart from its successor without opening it: replacing it (a new
    // inode), rewriting it (new times, mostly a new size) or removing it changes this.
    struct FileIdentity {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        timespec changed{};
        friend bool operator==(const FileIdentity& left, const FileIdentity& right);
    };
    // What timeZoneIdentifier() answers from, for the price of an environment read
    // and two stats: TZ when it is set, else the identities of /etc/timezone and of
    // the /etc/localtime link itself. The same source answers the same zone.
    struct TimeZoneSource {
        std::optional<std::string> variable;
        std::optional<FileIdentity> zoneFile;
        std::optional<FileIdentity> localtimeLink;
        friend bool operator==(const TimeZoneSource&, const TimeZoneSource&) = default;
    };
    TimeZoneSource timeZoneSource() const;
    // TZ alone, which decides before any file does.
    std::optional<std::string> timeZoneVariable() const;

private:
    std::optional<std::string> readFirstLine(const std::filesystem::path& absolute) const;
    std::optional<std::string> firstSetVariable(std::initializer_list<const char*> names) const;

    std::filesystem::path root_;
    Environment environment_;
};

}  // namespace platform
