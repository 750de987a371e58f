#!/bin/sh
# Runs one test program with a home of its own: HOME, the XDG folders and the
# runtime folder all point into a fresh folder that is removed afterwards, so no
# test reads or writes the settings, data or caches of the account running it.
set -u
home=$(mktemp -d "${TMPDIR:-/tmp}/tessivar-test-home.XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT
mkdir -m 700 "$home/runtime"
HOME=$home
XDG_CONFIG_HOME=$home/.config
XDG_DATA_HOME=$home/.local/share
XDG_CACHE_HOME=$home/.cache
XDG_STATE_HOME=$home/.local/state
XDG_RUNTIME_DIR=$home/runtime
export HOME XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME XDG_STATE_HOME XDG_RUNTIME_DIR
"$@"
