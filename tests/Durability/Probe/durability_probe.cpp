// Stores what the durability tests look at, then says so on standard output and
// ends at once: whatever a destructor would still sync comes after the mark.
//   durability_probe queue <folder>     records, some of them in reused spare files
//   durability_probe settings <file>    one setting stored
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "Platform/Foundation/UserDefaults.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovFileBackedQueue.h"

namespace {

// Records written under a temporary name and renamed; then some taken off (their
// files kept as spares) and as many added again into those spares.
constexpr std::size_t kFirstRecords = 150;
constexpr std::size_t kRetired = 40;

[[noreturn]] void markAndEnd(std::string_view mark) {
    const std::string line = std::string(mark) + "\n";
    const bool written = ::write(STDOUT_FILENO, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    ::_exit(written ? 0 : 2);
}

std::string record(std::size_t n) { return R"({"event":"probe","n":)" + std::to_string(n) + "}"; }

[[noreturn]] void storeRecords(const std::string& folder) {
    zerazov::ZeraZovFileBackedQueue queue(std::filesystem::path{folder});
    queue.setup({});
    for (std::size_t n = 0; n < kFirstRecords; ++n) {
        if (!queue.add(record(n)).stored) ::_exit(3);
    }
    queue.deleteNames(queue.peek(kRetired).names);
    queue.finishRemovals();
    for (std::size_t n = 0; n < kRetired; ++n) {
        if (!queue.add(record(kFirstRecords + n)).stored) ::_exit(3);
    }
    queue.sync();
    markAndEnd("synced");
}

[[noreturn]] void storeSetting(const std::string& file) {
    platform::UserDefaults defaults(file, [](const std::string&) { ::_exit(4); });
    defaults.set("visualEffectType", "ripple");
    markAndEnd("stored");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 1;
    const std::string_view mode = argv[1];
    if (mode == "queue") storeRecords(argv[2]);
    if (mode == "settings") storeSetting(argv[2]);
    return 1;
}
