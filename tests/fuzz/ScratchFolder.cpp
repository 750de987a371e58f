#include "tests/fuzz/ScratchFolder.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace fuzzing {

namespace fs = std::filesystem;

void ScratchFolder::empty() const {
    std::error_code error;
    for (fs::directory_iterator it(path(), error), end; !error && it != end; it.increment(error)) {
        std::error_code ignored;
        fs::remove_all(it->path(), ignored);
    }
}

fs::path ScratchFolder::put(std::string_view name, std::string_view bytes) const {
    const fs::path file = path() / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
}

std::string ScratchFolder::read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace fuzzing
