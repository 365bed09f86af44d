#!/bin/sh
# The long run of every fuzz target, one target after another, each on a
# fresh copy of its seed corpus under <build>/fuzz-long/<target>. Prints, per
# target, the executions that libFuzzer reported and the time taken; stops
# at the first finding (the input is kept there as crash-*, leak-*, ...).
#   long_run.sh [build folder] [executions per job] [jobs]
# Defaults: build/linux-fuzz, 5000000, 2 (two jobs, 10 million executions
# in all per target). Run from the repository's top folder.
set -eu
build=${1:-build/linux-fuzz}
runs=${2:-5000000}
jobs=${3:-2}
source=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$build" && pwd)

# target, longest input, dictionary (as in CMakeLists.txt)
targets="parser_fuzz:4096:parser.dict config_fuzz:4096:config.dict security_fuzz:256:
volume_list_fuzz:8192: report_fuzz:16384:report.dict cmdline_fuzz:1024:"

for entry in $targets; do
    name=${entry%%:*}
    rest=${entry#*:}
    max_len=${rest%%:*}
    dict=${rest#*:}
    work=$build/fuzz-long/$name
    rm -rf "$work"
    mkdir -p "$work/corpus"
    cp "$source/corpus/$name"/* "$work/corpus/"
    set -- -runs="$runs" -max_len="$max_len" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$work/"
    [ -n "$dict" ] && set -- "$@" -dict="$source/dict/$dict"
    start=$(date +%s)
    echo "== $name: $build/fuzz/$name -jobs=$jobs -workers=$jobs $* corpus"
    status=0
    (cd "$work" && "$build/fuzz/$name" -jobs="$jobs" -workers="$jobs" "$@" corpus >run.log 2>&1) || status=$?
    end=$(date +%s)
    executions=$(cat "$work"/fuzz-*.log | sed -n 's/^stat::number_of_executed_units: *//p' |
        awk '{ n += $1 } END { print n + 0 }')
    echo "   status $status, $executions executions in $((end - start)) s, corpus $(ls "$work/corpus" | wc -l) inputs"
    if [ "$status" -ne 0 ] || ls "$work" | grep -qE '^(crash|leak|timeout|oom|slow-unit)-'; then
        echo "   finding: see $work"
        exit 1
    fi
done
