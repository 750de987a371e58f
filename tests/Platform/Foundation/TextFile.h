#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace foundation_tests {

// Whole-file text as the settings code reads and writes it: bytes as they are,
// no newline translation.
inline std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeText(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

}  // namespace foundation_tests
