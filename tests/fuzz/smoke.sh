#!/bin/sh
# A bounded run of one fuzz target on a fresh copy of its seed corpus, so
# that what the run adds stays in the build folder and the sources stay as
# they are. Fails when the target finds anything (libFuzzer's status is then
# not 0; the input is kept in the work folder as crash-*, leak-*, ...).
#   smoke.sh <target> <seed corpus> <work folder> <seconds> [libFuzzer options...]
set -eu
target=$1 seeds=$2 work=$3 seconds=$4
shift 4
rm -rf "$work"
mkdir -p "$work/corpus"
cp "$seeds"/* "$work/corpus/"
cd "$work"
exec "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/" "$@" "$work/corpus"
