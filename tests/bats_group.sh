#!/usr/bin/env bash
# Runs one group of shell tests, a .bats file, as one CTest test:
#
#   bats_group.sh REPORT_DIR FILE.bats
#
# The TAP stream goes to standard output (CTest shows it) and is kept in
# REPORT_DIR/report.tap. Exit status: 0 every test passed, 1 a test failed
# (or bats could not run the file), 2 a wrong command line, 77 none failed
# but at least one was skipped (CTest's SKIP_RETURN_CODE): a group that
# cannot run all of its tests here never counts as passed.
set -uo pipefail

if [ $# -ne 2 ] || [ ! -f "$2" ]; then
    echo "usage: bats_group.sh REPORT_DIR FILE.bats" >&2
    exit 2
fi
report_dir=$1 file=$2
command -v bats >/dev/null || { echo "bats_group.sh: bats not found; install the Debian package bats" >&2; exit 1; }
rm -rf "$report_dir"
mkdir -p "$report_dir" || exit 1
bats --formatter tap --report-formatter tap --output "$report_dir" "$file"
status=$?
report=$report_dir/report.tap
if [ "$status" -ne 0 ]; then
    exit 1
fi
# A passing run whose report is missing or counts no test proves nothing.
if [ ! -s "$report" ] || ! grep -q '^ok ' "$report"; then
    echo "bats_group.sh: $file: no test ran" >&2
    exit 1
fi
skipped=$(grep -c '^ok [0-9]* .* # skip' "$report")
if [ "$skipped" -gt 0 ]; then
    echo "bats_group.sh: $file: $skipped of $(grep -c '^\(not \)\?ok ' "$report") tests skipped"
    exit 77
fi
exit 0
