#!/usr/bin/env bash
# Configures and builds Tessivar into build/ (or $TESSIVAR_BUILD_DIR): the
# targets given, or everything. TESSIVAR_WERROR=ON makes warnings errors.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_dir=${TESSIVAR_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTESSIVAR_BUILD_TESTS=ON -DTESSIVAR_BUILD_BENCH=ON -DTESSIVAR_WERROR="${TESSIVAR_WERROR:-OFF}"
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$build_dir" --parallel "$(nproc)" "${targets[@]}"
