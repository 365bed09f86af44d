#!/usr/bin/env bash
# The whole-process benchmark and the micro-benchmarks, against their
# budgets (docs/PERFORMANCE.md): builds linux-release and windows-x64 as a
# user would (CMake Release builds, no tuning), then runs scripts/bench.py.
#   bash scripts/bench.sh           the full run; exits 1 when a budget is missed
#   bash scripts/bench.sh --quick   a few rounds, for the test command: never
#                                   fails on a timing budget, only on a stall
#                                   of the emulator's replies
# Needs hyperfine, valgrind, python3, libbenchmark-dev, wrk, a Java 17
# development kit and the mingw-w64 compilers (scripts/test.sh installs them).
# The emulator's part starts its emulators on 127.0.0.1 and stops them.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc)
for preset in linux-release windows-x64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" >/dev/null
done
exec python3 scripts/bench.py "$@"
