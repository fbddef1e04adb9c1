#!/usr/bin/env bash
# Runs every test program N times in a row (default 200), to show that the
# suite does not depend on timing. Run scripts/test.sh first; BUILD_DIR as there.
set -euo pipefail
cd "$(dirname "$0")/.."
repeats=${1:-200}
tests_dir="${BUILD_DIR:-build}/tests"
screens() { case "$1" in serial_tests|app_one_monitor_tests) echo one_screen ;; *) echo two_screens ;; esac; }
for program in app_tests app_one_monitor_tests dialogs_tests display_tests serial_tests widgets_tests hall_tests \
    journal_tests chart_tests feed_tests link_tests; do
  export QT_QPA_PLATFORM="offscreen:configfile=$PWD/tests/support/$(screens "$program").json"
  echo "== $program x$repeats"
  "$tests_dir/$program" --gtest_repeat="$repeats" --gtest_brief=1 >"/tmp/pontra-repeat-$program.log" 2>&1 \
    || { tail -40 "/tmp/pontra-repeat-$program.log"; exit 1; }
  grep -c '^\[  PASSED  \]' "/tmp/pontra-repeat-$program.log" | sed 's/^/   rounds passed: /'
done
