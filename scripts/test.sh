#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TESSIVAR_BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"
# The sources are laid out as the formatter lays them out (scripts/format.sh).
"$root/scripts/format.sh" --check
"$root/scripts/build.sh"

# X11 tests start their own multi-monitor X server; here a server that cannot
# start is a failure, not a reason to skip.
export TESSIVAR_REQUIRE_X11=1
# Qt tests never touch the developer's desktop.
export QT_QPA_PLATFORM=offscreen
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
# Each test program runs with a home of its own (tests/support/private-home.sh);
# the check at the end proves that the real one was left alone.
home_stamp=$(mktemp)
trap 'rm -f "$home_stamp"' EXIT
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" --timeout 300

# The readers of untrusted bytes under libFuzzer, briefly, in a Clang build of their own.
TESSIVAR_FUZZ_BUILD_DIR=${TESSIVAR_FUZZ_BUILD_DIR:-${build_dir}-fuzz} "$root/scripts/fuzz.sh" 15

"$root/scripts/check-home.sh" "$home_stamp" "$root" "$build_dir" "${build_dir}-fuzz"
