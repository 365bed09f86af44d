#!/bin/sh
# Runs one Windows test executable under Wine, quietly: wine-run.sh [--32]
# program arguments. Without --32 the 64-bit loader (wine64), with it the
# 32-bit one (wine, from Debian's wine32:i386), which runs 32-bit programs
# in the same 64-bit prefix (WoW64). The test command sets WINEPREFIX and
# keeps one wineserver alive for the whole run.
WINEDEBUG=${WINEDEBUG:--all}
export WINEDEBUG
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX="${TMPDIR:-/tmp}/vy-wine-$(id -u)"
    export WINEPREFIX
fi
if [ "${1:-}" = --32 ]; then
    shift
    # Debian's wine32:i386 puts the 32-bit loader here; without it
    # /usr/bin/wine falls back to the 64-bit one, which cannot run a
    # 32-bit program.
    if [ -x /usr/lib/wine/wine ]; then
        exec /usr/lib/wine/wine "$@"
    fi
    echo "wine-run.sh: no 32-bit Wine (Debian: wine32:i386)" >&2
    exit 127
fi
for wine in wine64 /usr/lib/wine/wine64 wine; do
    if command -v "$wine" >/dev/null 2>&1; then
        exec "$wine" "$@"
    fi
done
echo "wine-run.sh: no wine64 found" >&2
exit 127
