#!/usr/bin/env bash
# Installs what is missing, builds every target and runs every test:
#   linux-debug    native, with AddressSanitizer and UndefinedBehaviorSanitizer
#   linux-release  native, optimised; the end-to-end cases once more under
#                  valgrind's memcheck (label memcheck, a test per case)
#                  Both native builds also run the launchers against the
#                  emulator with the real Java runtime (label "jvm"); the
#                  release build also the drive inquiry against a real
#                  kernel in a virtual machine (label "device").
#   linux-aarch64  64-bit ARM (Debian's cross compiler), optimised; the unit
#                  tests and the end-to-end cases under qemu-user
#   windows-x64    mingw-w64, the whole test suite under Wine
#   windows-x86    mingw-w64, the whole test suite under 32-bit Wine
#                  (wine32:i386, in the same 64-bit prefix: WoW64)
#   benchmark      scripts/bench.sh --quick: a few rounds, never failing on a timing
#   linux-fuzz     clang, libFuzzer targets of the parsers: a short run of each
#   package-test   the ZIPs, MSIs, TGZs and DEBs made from those builds and
#                  signed with throw-away keys, the apt repository, and the
#                  test of what they hold (label "packages"); as root, the
#                  apt group installs and removes the DEBs on this machine
# Warnings are errors. Run as root on a machine that lacks packages.
set -euo pipefail
cd "$(dirname "$0")/.."

# What is missing, every group of the installer (the device test's and the
# 32-bit Wine loader's may fail: the device test is then skipped, and the
# windows-x86 run too, which the end of the run says).
bash scripts/install-packages.sh build arm64 windows checks bench packages releases device wine32
wine32=yes
[ -x /usr/lib/wine/wine ] || wine32=no

jobs=$(nproc)
# The tests that passed only on their retry, each with where its first run's
# output is kept: named at the end; more than three fail the run.
retried=()
for preset in linux-debug linux-release linux-aarch64 windows-x64 windows-x86; do
    echo "== build $preset"
    cmake --preset "$preset" -DVY_WERROR=ON >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done

# The end-to-end cases, one test each, on every core; the rest one at a
# time (the tests with the real Java runtime share one emulator and its
# state).
for preset in linux-debug linux-release; do
    echo "== test $preset"
    ctest --preset "$preset" -L e2e -j "$jobs"
    ctest --preset "$preset" -LE 'memcheck|e2e'
done

# The aarch64 build's tests under qemu-user, the end-to-end cases on every
# core. Each test runs in a namespace of its own in which binfmt_misc starts
# qemu for every aarch64 program (cmake/qemu-run.sh); without a way to do so
# the stage is skipped, and the end of the run says so.
aarch64=yes
echo "== test linux-aarch64 under qemu-user"
if sh cmake/qemu-run.sh --check; then
    ctest --preset linux-aarch64 -j "$jobs"
else
    aarch64=no
fi

# The benchmark once, in its quick mode: it fails on a missed size or memory
# budget or a reply that stalls on a reused connection, never on a timing
# (this machine is shared).
echo "== benchmark, quick"
bash scripts/bench.sh --quick

# The packages, made from the builds above, and the test of what they hold:
# one CTest test per group of checks, a failed one shown with its output.
# The installer's group runs Wine in a prefix and with a wineserver of its
# own, apart from the Windows test run below.
echo "== packages"
cmake --preset package-test >/dev/null
# A failed package test runs once more: msiexec under Wine has failed now and
# then on an install that passes when repeated. A real fault fails both runs.
if ! ctest --preset package-test; then
    temporary=build/package-test/Testing/Temporary
    cp "$temporary/LastTest.log" build/package-test/first-run.log
    failed=$(cut -d: -f2 "$temporary/LastTestsFailed.log")
    ctest --preset package-test --rerun-failed
    for name in $failed; do retried+=("$name: build/package-test/first-run.log"); done
fi

# Every end-to-end case again, each program under memcheck, on every core.
echo "== test linux-release under memcheck"
ctest --preset linux-release -L memcheck -j "$jobs"

# About 20 seconds of fuzzing per parser, on copies of the seed corpora.
echo "== build linux-fuzz"
cmake --preset linux-fuzz -DVY_WERROR=ON >/dev/null
cmake --build --preset linux-fuzz -j "$jobs"
echo "== test linux-fuzz"
ctest --preset linux-fuzz

echo "== test windows-x64 under Wine"
export WINEPREFIX="$PWD/build/wine-prefix" WINEDEBUG=-all
# A prefix made before wine32 was installed cannot run any 32-bit program
# (nor, once /usr/bin/wine is the 32-bit loader, be repaired): one made
# without it is made afresh once wine32 is there.
if [ "$wine32" = yes ] && [ -d "$WINEPREFIX" ] && [ ! -e "$WINEPREFIX/.vy-wine32" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
fi
mkdir -p "$WINEPREFIX"
# One persistent server for the whole run, started before the prefix is
# prepared: a server that is already running refuses -p. Both runs share
# it and the prefix.
wineserver -k 2>/dev/null || true
wineserver -p
trap 'wineserver -k || true' EXIT
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
[ "$wine32" = no ] || touch "$WINEPREFIX/.vy-wine32"
# A case that fails under Wine runs once more (the case runner's retry) and
# keeps its first run in a "<case>.first-run" folder, whose first-run.txt
# ends "passed on its second run" when the second passed; a test whose Wine
# could not start it at all is started once more by cmake/wine-run.sh,
# which names it in build/<preset>/wine-retries.txt when the second passed.
status=0
wine_run() {
    local preset=$1
    rm -rf "build/$preset/e2e-work/"*.first-run
    export VY_WINE_RETRIES="$PWD/build/$preset/wine-retries.txt"
    rm -f "$VY_WINE_RETRIES"
    ctest --preset "$preset" -j "$jobs" || status=$?
    if [ -e "$VY_WINE_RETRIES" ]; then
        while IFS= read -r line; do retried+=("$preset ${line%%: *}: $VY_WINE_RETRIES"); done <"$VY_WINE_RETRIES"
    fi
    for first in "build/$preset/e2e-work/"*.first-run/first-run.txt; do
        [ -e "$first" ] || continue
        if grep -qx 'passed on its second run' "$first"; then
            retried+=("$preset $(basename "${first%/*}" .first-run): $first")
        fi
    done
}
wine_run windows-x64
if [ "$wine32" = yes ]; then
    echo "== test windows-x86 under Wine"
    wine_run windows-x86
else
    echo "== SKIPPED: the windows-x86 tests did not run: wine32:i386 cannot be had"
fi
[ "$aarch64" = yes ] || echo "== SKIPPED: the linux-aarch64 tests did not run: qemu-aarch64 cannot be started through binfmt_misc here"
echo "== ${#retried[@]} test(s) passed only on their retry"
for entry in "${retried[@]}"; do
    echo "-- ${entry%%: *} (first run kept in ${entry#*: })"
    case "$entry" in *first-run.txt) cat "${entry#*: }" ;; esac
done
if [ "${#retried[@]}" -gt 3 ]; then
    echo "== FAILED: more than 3 tests needed their retry"
    status=1
fi
exit "$status"
