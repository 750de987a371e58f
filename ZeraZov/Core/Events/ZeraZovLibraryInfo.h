#pragma once
#include <string>

namespace zerazov {

// The library's name and version as every event reports them ("$lib",
// "$lib_version"). The name is process-wide and may be replaced by a wrapping SDK;
// readers on other threads get a consistent copy.
class ZeraZovLibraryInfo {
public:
    static constexpr const char* version = "3.59.2";
    static constexpr const char* defaultName = "zerazov-ios";

    static std::string name();
    static void setName(std::string name);
};

}  // namespace zerazov
