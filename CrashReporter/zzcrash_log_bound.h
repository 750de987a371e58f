#pragma once
#include <cstdint>

// The most bytes a crash log may take, kept by both of its sides: the
// crash-time writer keeps every report within it (cutting the outer frames of
// the threads that did not crash before anything of the crashed one), and a
// reader takes any file up to it. A crash of several hundred threads deep in
// recursion, every frame named, still fits whole; decoding one this large
// costs memory in proportion to it, and no more.
inline constexpr std::uint64_t ZZCRASH_LOG_MAX_BYTES = 8 * 1024 * 1024;
