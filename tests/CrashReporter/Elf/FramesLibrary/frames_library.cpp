// A library linked once by each linker at hand, for the unwind table header
// each one writes: a few functions, so that its search table has entries.
extern "C" __attribute__((noinline, visibility("default"))) int tessivar_frames_first(int x) { return x * 7 + 3; }

extern "C" __attribute__((noinline, visibility("default"))) int tessivar_frames_second(int x) {
    return tessivar_frames_first(x) ^ 11;
}

extern "C" __attribute__((noinline, visibility("default"))) int tessivar_frames_third(int x) {
    return tessivar_frames_second(x) + tessivar_frames_first(x + 1);
}
