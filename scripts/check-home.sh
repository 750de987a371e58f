#!/usr/bin/env bash
# Usage: check-home.sh STAMP [FOLDER ...]
# Fails when anything under $HOME was created or changed after the stamp file:
# the tests run with homes of their own and must leave the real one alone. The
# folders given (the checkout and its build folders, which may lie in $HOME) are
# not looked at. TESSIVAR_HOME_CHECK_IGNORE lists more folders under $HOME
# (colon-separated, relative) that other programs write to while the tests run.
set -euo pipefail
stamp=$1
shift
home=$(realpath "$HOME")
prune=()
for folder in "$@"; do
  prune+=(-path "$(realpath -m "$folder")" -prune -o)
done
IFS=: read -ra ignored <<<"${TESSIVAR_HOME_CHECK_IGNORE:-}"
for folder in "${ignored[@]}"; do
  [[ -n "$folder" ]] && prune+=(-path "$home/$folder" -prune -o)
done
changed=$(find "$home" -mindepth 1 "${prune[@]}" -cnewer "$stamp" -print 2>/dev/null | head -20)
if [[ -n "$changed" ]]; then
  echo "check-home: the test run created or changed these under $HOME:" >&2
  echo "$changed" >&2
  exit 1
fi
echo "check-home: $HOME left as it was"
