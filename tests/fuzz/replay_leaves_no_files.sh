#!/bin/sh
# Runs a replay program (first argument) with a temporary folder of its own,
# which must be empty again when it exits: a target that leaves files behind
# fills /tmp over a long fuzz run. Qt's runtime folder lives elsewhere.
set -u
tmp="$(mktemp -d)" && runtime="$(mktemp -d)" || exit 1
chmod 700 "$runtime"
TMPDIR="$tmp" XDG_RUNTIME_DIR="$runtime" "$@"
status=$?
rm -rf "$runtime"
if ! rmdir "$tmp"; then
  echo "left behind in the temporary folder:" >&2
  ls -A "$tmp" >&2
  rm -rf "$tmp"
  exit 1
fi
exit "$status"
