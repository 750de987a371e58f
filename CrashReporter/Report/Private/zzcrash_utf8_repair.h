#pragma once
#include <string>
#include <string_view>

// `bytes` as valid UTF-8: every ill-formed sequence (a stray continuation
// byte, a character cut short, an overlong form, a surrogate, a code point
// above U+10FFFF) becomes one U+FFFD per maximal ill-formed subpart, as the
// Unicode standard recommends and as browsers and Python decode. Crash logs
// carry strings cut at a byte limit or damaged on disk, and whatever reads the
// report later (JSON above all) must not fail on them.
std::string zzcrash_utf8_repaired(std::string_view bytes);
