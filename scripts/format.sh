#!/usr/bin/env bash
# Formats the project's C and C++ sources with the `.clang-format` at the root,
# using the clang-format of Debian 12 (version 14): another version lays some
# lines out differently. `--check` changes nothing and lists the files that
# differ, failing when there is one.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
formatter=${CLANG_FORMAT:-clang-format-14}
command -v "$formatter" >/dev/null || { echo "format: $formatter not found (scripts/install-deps.sh installs it)" >&2; exit 2; }
version=$("$formatter" --version)
[[ "$version" == *"version 14."* ]] || { echo "format: needs clang-format 14, found: $version" >&2; exit 2; }

mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h' ':!tests/fixtures/**')
if [[ "${1:-}" != "--check" ]]; then
  "$formatter" -i --style=file "${files[@]}"
  exit 0
fi
differing=()
for file in "${files[@]}"; do
  "$formatter" --style=file --dry-run -Werror "$file" >/dev/null 2>&1 || differing+=("$file")
done
if [[ ${#differing[@]} -gt 0 ]]; then
  printf 'format: not formatted: %s\n' "${differing[@]}" >&2
  echo "format: run scripts/format.sh" >&2
  exit 1
fi
echo "format: all ${#files[@]} files formatted"
