#!/bin/sh
# Runs one Windows test executable under Wine, quietly: wine-run.sh [--32]
# program arguments. Without --32 the 64-bit loader (wine64), with it the
# 32-bit one (wine, from Debian's wine32:i386), which runs 32-bit programs
# in the same 64-bit prefix (WoW64). The test command sets WINEPREFIX and
# keeps one wineserver alive for the whole run.
#
# wine-run.sh --server-start MARK and --server-stop MARK are the CTest
# fixture that keeps one persistent wineserver for a ctest run that has
# none: start makes the prefix if it is new and starts "wineserver -p",
# writing MARK, unless a server already runs (the test command's: then it is
# left alone); stop ends the server only when MARK says it was started so.
WINEDEBUG=${WINEDEBUG:--all}
export WINEDEBUG
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX="${TMPDIR:-/tmp}/vy-wine-$(id -u)"
    export WINEPREFIX
fi
wine64_loader() {
    for wine in wine64 /usr/lib/wine/wine64 wine; do
        if command -v "$wine" >/dev/null 2>&1; then
            echo "$wine"
            return 0
        fi
    done
    echo "wine-run.sh: no wine64 found" >&2
    return 1
}
case "${1:-}" in
--server-start)
    mkdir -p "$WINEPREFIX" || exit 1
    rm -f "$2"
    status=0
    # The server lives on: it holds none of the caller's files open, or
    # ctest would wait for it.
    wineserver -p </dev/null >/dev/null 2>&1 || status=$?
    # 2: a server runs already for this prefix.
    [ "$status" -eq 2 ] && exit 0
    [ "$status" -eq 0 ] || exit "$status"
    echo "$WINEPREFIX" >"$2"
    if [ ! -e "$WINEPREFIX/system.reg" ]; then
        wine=$(wine64_loader) || exit 127
        "$wine" wineboot -i </dev/null >/dev/null 2>&1 || true
    fi
    exit 0
    ;;
--server-stop)
    if [ -e "$2" ]; then
        rm -f "$2"
        wineserver -k || true
    fi
    exit 0
    ;;
esac
if [ "${1:-}" = --32 ]; then
    shift
    # Debian's wine32:i386 puts the 32-bit loader here; without it
    # /usr/bin/wine falls back to the 64-bit one, which cannot run a
    # 32-bit program.
    wine=/usr/lib/wine/wine
    if [ ! -x "$wine" ]; then
        echo "wine-run.sh: no 32-bit Wine (Debian: wine32:i386)" >&2
        exit 127
    fi
else
    wine=$(wine64_loader) || exit 127
fi
# Wine's own processes that a program happens to start first (services.exe,
# conhost.exe, ...) outlive it and keep the files it had open: the program's
# output goes to a file, shown once it has ended, so that ctest never waits
# for them on its pipe.
output=$(mktemp "${TMPDIR:-/tmp}/vy-wine-run.XXXXXX") || exit 1
status=0
"$wine" "$@" >"$output" 2>&1 || status=$?
# Wine now and then fails to start a process at all (the case runner's
# retry, tests/e2e/runner.cpp, says why): it ends at once, with a status and
# not a word. That start alone is tried once more; a second run that passes
# is said on the output and, when VY_WINE_RETRIES names a file, written
# there for the test command's list of retries.
if [ "$status" -ne 0 ] && [ ! -s "$output" ]; then
    first=$status
    status=0
    "$wine" "$@" >"$output" 2>&1 || status=$?
    if [ "$status" -eq 0 ]; then
        echo "wine-run.sh: Wine ended with $first before the program said anything; the second start passed"
        [ -z "${VY_WINE_RETRIES:-}" ] || echo "${1##*/} $(basename "${2:-}"): Wine ended with $first before the program said anything; the second start passed" >>"$VY_WINE_RETRIES"
    fi
fi
cat "$output"
rm -f "$output"
exit "$status"
