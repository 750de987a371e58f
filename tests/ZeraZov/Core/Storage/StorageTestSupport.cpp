#include "StorageTestSupport.h"

#include <algorithm>

namespace zerazov_storage_tests {

std::vector<std::string> entryNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ScopedDataHome::ScopedDataHome(const std::filesystem::path& folder) {
    if (const char* value = std::getenv("XDG_DATA_HOME")) previous_ = value;
    setenv("XDG_DATA_HOME", folder.c_str(), 1);
}

ScopedDataHome::~ScopedDataHome() {
    if (previous_) {
        setenv("XDG_DATA_HOME", previous_->c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
}

bool DebugLogCapture::containsPrefix(const std::string& prefix) const {
    const auto lines = capture_.lines();
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

}  // namespace zerazov_storage_tests
