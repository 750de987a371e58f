#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// What the dynamic loader knows about the code of this process. An image is known
// by the address its ELF header is mapped at and its path: the loader's, except
// for the main program, which the loader leaves unnamed (or names by the command
// that started it) and which goes by the file /proc/self/exe names.
class DynamicLoader {
public:
    // The image and the nearest exported symbol at or below an address.
    struct AddressInfo {
        std::optional<std::string> imagePath;
        std::optional<std::uint64_t> imageAddress;
        std::optional<std::string> symbolName;  // as linked (C++ names mangled)
        std::optional<std::uint64_t> symbolAddress;
    };

    struct Image {
        std::string path;               // empty when there is none
        std::uint64_t address = 0;      // where its ELF header is mapped
        std::uint64_t linkAddress = 0;  // the first loaded segment's address as linked
        // From the header to the end of the last executable segment.
        std::uint64_t textSize = 0;
        std::vector<std::uint8_t> buildId;  // the GNU build id note; empty when there is none
    };

    // Nothing when the address lies in no loaded image.
    static std::optional<AddressInfo> lookUp(std::uint64_t address);
    // Every loaded image, in the loader's order (the main program first).
    static std::vector<Image> images();
    // The main program's file, as /proc/self/exe names it; empty when it cannot be read.
    static std::string mainProgramPath();
};

}  // namespace platform
