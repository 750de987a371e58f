#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"
#include "tests/CrashReporter/MachO/FixtureAnswers.h"

namespace tessivar::testing::macho {

// A fixture's segments mapped as a loader would: each segment's file bytes at
// its vmaddr plus a slide, zeros after them. At its own address (slide 0) the
// image's unrebased pointers stay valid; anywhere else only offsets do. The
// layout comes from the fixture's llvm-objdump answer; the bytes may be a
// changed copy of the file.
class LoadedFixture {
public:
    LoadedFixture(const std::vector<std::uint8_t>& bytes, const HeadersAnswer& layout, bool atOwnAddress);
    ~LoadedFixture();
    LoadedFixture(const LoadedFixture&) = delete;
    LoadedFixture& operator=(const LoadedFixture&) = delete;

    bool loaded() const { return base_ != nullptr; }
    std::uint64_t header() const { return header_; }
    std::uint64_t slide() const { return slide_; }

private:
    unsigned char* base_ = nullptr;
    std::uint64_t length_ = 0;
    std::uint64_t header_ = 0;
    std::uint64_t slide_ = 0;
};

// The image record of a loaded fixture, released at the end of the scope.
class FixtureImage {
public:
    FixtureImage(const std::string& name, bool atOwnAddress);
    // A changed copy of a fixture's bytes, with that fixture's layout.
    FixtureImage(const std::vector<std::uint8_t>& bytes, const std::string& layoutOf, bool atOwnAddress);
    ~FixtureImage();
    FixtureImage(const FixtureImage&) = delete;
    FixtureImage& operator=(const FixtureImage&) = delete;

    zzcrash_error_t error() const { return error_; }
    zzcrash_async_macho_image* image() { return &image_; }
    const LoadedFixture& loaded() const { return loaded_; }
    std::uint64_t slide() const { return loaded_.slide(); }

private:
    LoadedFixture loaded_;
    zzcrash_async_macho_image image_{};
    zzcrash_error_t error_;
};

}  // namespace tessivar::testing::macho
