#!/usr/bin/env bash
# The layout check on small trees of its own: each fault is found and named,
# and a tree that keeps to the layout passes.
set -euo pipefail
check=$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-layout.sh
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
failures=0

put() { mkdir -p "$tree/$(dirname "$1")" && printf '%s\n' "$2" >"$tree/$1"; }
expect() { # expect <pass|fail> <what> [text the output must hold]
  local output result=pass
  output=$(bash "$check" "$tree" 2>&1) || result=fail
  if [ "$result" != "$1" ] || ! grep -qF -- "${3:-}" <<<"$output"; then
    echo "FAILED: $2 (expected $1${3:+ naming \"$3\"}, got $result): $output"
    failures=$((failures + 1))
  fi
}

put files/Rules.h '#pragma once'
put hall/Hall.cpp '#include "hall/Hall.h"'
put journal/Writer.cpp '#include "files/Rules.h"
#include "hall/Hall.h"'
put app/main.cpp '#include "journal/Writer.h"
#include "support/Wait.h"
#include <unistd.h>'
put widgets/Button.cpp '#include "desktop/Seam.h"'
put tests/app/Test.cpp '#include "app/main.h"'
expect pass "includes from lower levels, unknown prefixes, tests above all"

put files/Rules.cpp '#include "app/PontraApplication.h"'
expect fail "an include from the top" 'files/Rules.cpp:1: includes from app/, which is not below files/'
rm "$tree/files/Rules.cpp"

put journal/Reader.cpp '  #  include "link/Door.h"'
expect fail "an include from a neighbour on the same level" 'journal/Reader.cpp:1: includes from link/'
rm "$tree/journal/Reader.cpp"

put unplaced/Thing.h '#pragma once'
expect fail "a folder outside the layout" 'unplaced/ holds sources but has no place in the layout'
rm -r "$tree/unplaced"

put widgets/Viewer.cpp '#include <sys/wait.h>'
expect fail "a platform header among the controls" 'widgets/Viewer.cpp:1: a platform header <sys/wait.h>'
rm "$tree/widgets/Viewer.cpp"

expect pass "the tree again without its faults"
exit $((failures > 0))
