#include "CrashReporter/ZZCrashReporter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "CrashReporter/Private/ZZCrashPrivateFolder.h"
#include "CrashReporter/Private/ZZCrashReporterException.h"
#include "CrashReporter/Report/ZZCrashLogFile.h"
#include "CrashReporter/Signals/Private/zzcrash_crash_handlers.h"
#include "CrashReporter/Writer/ZZCrashLogWriter.h"
#include "CrashReporter/ZZCrashReporterBundle.h"

namespace {

constexpr const char* reportsFolderName = "com.zerazov.crashreporter.data";
constexpr const char* pendingReportName = "live_report.zzcrash";
constexpr const char* queuedReportsName = "queued_reports";

// The user's cache folder: $XDG_CACHE_HOME when it is an absolute path, else
// ~/.cache.
std::string userCacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/') return cache;
    const char* home = std::getenv("HOME");
    return std::string(home && home[0] != '\0' ? home : "") + "/.cache";
}

std::string folderNameOf(std::string identifier) {
    std::replace(identifier.begin(), identifier.end(), '/', '_');
    return identifier;
}

ZZCrashReporterError fileError(const std::string& path, int error) {
    return zzcrash_make_posix_error(path + ": " + std::strerror(error), error);
}

bool failed(const std::string& path, int number, ZZCrashReporterError* error) {
    if (error) *error = fileError(path, number);
    return false;
}

// Why what stands at the report's name is no report of the reporter's own,
// as an errno: ELOOP for a link (a crash log written through it would replace
// the file it names), EMLINK for a file linked under another name too, EINVAL
// for anything else but a regular file; 0 for a regular file, or for nothing.
int foreignEntryError(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) return 0;
    if (S_ISLNK(info.st_mode)) return ELOOP;
    if (!S_ISREG(info.st_mode)) return EINVAL;
    return info.st_nlink == 1 ? 0 : EMLINK;
}

}  // namespace

ZZCrashReporter* ZZCrashReporter::sharedReporter() {
    static const std::unique_ptr<ZZCrashReporter> shared = create();
    return shared.get();
}

std::unique_ptr<ZZCrashReporter> ZZCrashReporter::create() {
    return withConfiguration(ZZCrashReporterConfig::defaultConfiguration());
}

std::unique_ptr<ZZCrashReporter> ZZCrashReporter::withConfiguration(const ZZCrashReporterConfig& configuration) {
    return withBundle(ZZCrashReporterBundle::main(), configuration);
}

std::unique_ptr<ZZCrashReporter> ZZCrashReporter::withBundle(const ZZCrashReporterBundle& bundle,
                                                             const ZZCrashReporterConfig& configuration) {
    std::string identifier;
    if (bundle.identifier) {
        identifier = *bundle.identifier;
    } else if (program_invocation_short_name && program_invocation_short_name[0] != '\0') {
        identifier = program_invocation_short_name;
        std::fprintf(stderr, "[ZZCrashReporter] Warning -- bundle identifier, using process name %s\n",
                     identifier.c_str());
    } else {
        std::fputs("[ZZCrashReporter] Can not determine process identifier or process name\n", stderr);
        return nullptr;
    }
    if (!bundle.version) std::fputs("[ZZCrashReporter] Warning -- bundle version unavailable\n", stderr);
    return std::make_unique<ZZCrashReporter>(identifier, bundle.version.value_or(""), bundle.shortVersion,
                                             configuration);
}

ZZCrashReporter::ZZCrashReporter(std::string applicationIdentifier, std::string applicationVersion,
                                 std::optional<std::string> applicationMarketingVersion,
                                 ZZCrashReporterConfig configuration)
    : config_(std::move(configuration)),
      applicationIdentifier_(std::move(applicationIdentifier)),
      applicationVersion_(std::move(applicationVersion)),
      applicationMarketingVersion_(std::move(applicationMarketingVersion)),
      crashReportDirectory_(config_.basePath().value_or(userCacheFolder()) + "/" + reportsFolderName + "/" +
                            folderNameOf(applicationIdentifier_)) {}

std::string ZZCrashReporter::crashReportPath() const { return crashReportDirectory_ + "/" + pendingReportName; }

std::string ZZCrashReporter::queuedCrashReportDirectory() const {
    return crashReportDirectory_ + "/" + queuedReportsName;
}

bool ZZCrashReporter::hasPendingCrashReport() const { return access(crashReportPath().c_str(), F_OK) == 0; }

// A link or a second name at the report's name is no report of this
// reporter's: what it names is some other file.
std::optional<std::vector<std::uint8_t>> ZZCrashReporter::loadPendingCrashReportData(
    ZZCrashReporterError* error) const {
    const std::string path = crashReportPath();
    const int foreign = foreignEntryError(path);
    // The reader refuses the rest; a link is said as it says what it refuses.
    if (foreign != ELOOP && foreign != EMLINK) return ZZCrashLogFile::read(path, error);
    const std::string reason = foreign == ELOOP ? "not a regular file" : "a file of more than one name";
    if (error) *error = zzcrash_make_posix_error(path + ": " + reason, foreign);
    return std::nullopt;
}

// Whatever took the report's name goes, a folder with what it holds too:
// while it is there no crash can be written.
bool ZZCrashReporter::purgePendingCrashReport(ZZCrashReporterError* error) const {
    const std::string path = crashReportPath();
    std::error_code failure;
    if (std::filesystem::remove_all(path, failure) > 0) return true;
    if (!failure) failure = std::make_error_code(std::errc::no_such_file_or_directory);
    if (error) *error = fileError(path, failure.value());
    return false;
}

// The folders below the root are the reporter's own, walked one at a time
// from the root's descriptor, so that none is ever a link it follows.
bool ZZCrashReporter::populateCrashReportDirectory(ZZCrashReporterError* error) const {
    const std::size_t ownStart = crashReportDirectory_.rfind('/', crashReportDirectory_.rfind('/') - 1);
    const std::string root = crashReportDirectory_.substr(0, ownStart);
    const std::string applicationFolder = crashReportDirectory_.substr(crashReportDirectory_.rfind('/') + 1);
    if (!ZZCrashPrivateFolder::makeMissing(root)) return failed(root, errno, error);
    const auto top = ZZCrashPrivateFolder::open(root);
    if (!top.valid()) return failed(root, errno, error);
    const auto reports = ZZCrashPrivateFolder::openOwn(top.fd(), reportsFolderName);
    if (!reports.valid()) return failed(root + "/" + reportsFolderName, errno, error);
    const auto own = ZZCrashPrivateFolder::openOwn(reports.fd(), applicationFolder.c_str());
    if (!own.valid()) return failed(crashReportDirectory_, errno, error);
    const auto queued = ZZCrashPrivateFolder::openOwn(own.fd(), queuedReportsName);
    return queued.valid() || failed(queuedCrashReportDirectory(), errno, error);
}

// A crash never writes through what took the report's name (it refuses to,
// and the crash would go unreported): it goes now, as a purge removes it.
bool ZZCrashReporter::clearPendingReportName(ZZCrashReporterError* error) const {
    return foreignEntryError(crashReportPath()) == 0 || purgePendingCrashReport(error);
}

void ZZCrashReporter::setCustomData(std::optional<std::vector<std::uint8_t>> customData) {
    customData_ = std::move(customData);
    zzcrash_log_writer_set_custom_data(&zzcrash_shared_crash_context.writer,
                                       customData_ ? customData_->data() : nullptr,
                                       customData_ ? customData_->size() : 0);
}

void ZZCrashReporter::setCrashCallbacks(const ZZCrashReporterCallbacks* callbacks) {
    if (enabled_) throw ZZCrashReporterException("The crash reporter has already been enabled");
    if (callbacks && callbacks->version != 0) {
        std::fputs("Assertion failed: callbacks->version == 0\n", stderr);
        std::abort();
    }
    zzcrash_crash_handlers_set_callbacks(callbacks);
}

std::uint32_t ZZCrashReporter::mapToAsyncSymbolicationStrategy(unsigned strategy) {
    return strategy & (ZZCRASH_SYMBOL_STRATEGY_SYMBOL_TABLE | ZZCRASH_SYMBOL_STRATEGY_OBJC);
}
