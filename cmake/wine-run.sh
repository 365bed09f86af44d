#!/bin/sh
# Runs one Windows test executable under 64-bit Wine, quietly. The test
# command sets WINEPREFIX and keeps one wineserver alive for the whole run.
WINEDEBUG=${WINEDEBUG:--all}
export WINEDEBUG
if [ -z "${WINEPREFIX:-}" ]; then
    WINEPREFIX="${TMPDIR:-/tmp}/vy-wine-$(id -u)"
    export WINEPREFIX
fi
for wine in wine64 /usr/lib/wine/wine64 wine; do
    if command -v "$wine" >/dev/null 2>&1; then
        exec "$wine" "$@"
    fi
done
echo "wine-run.sh: no wine64 found" >&2
exit 127
