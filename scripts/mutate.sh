#!/usr/bin/env bash
# Puts small faults into the code one at a time and runs the fast tests
# (the unit tests and the end-to-end cases) on each, to find faults that no
# test notices:
#   bash scripts/mutate.sh [PRESET [LIST]]
# PRESET is a configured build preset (linux-debug), LIST the faults, one a
# line: FILE@@TEXT@@REPLACEMENT, "\n" standing for a line end
# (scripts/mutations.txt). Each is caught (a test failed), survived (every
# test passed) or not built; the source is restored after each. The last
# lines sum up; the log of each run is kept in build/mutate/. MUTATE_EXCLUDE,
# a CTest regular expression, leaves tests out (a time bound that a loaded
# machine misses would count as a catch).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-linux-debug}
list=${2:-scripts/mutations.txt}
logs=build/mutate
mkdir -p "$logs"
saved=""
restore() { [ -z "$saved" ] || cp "$saved" "$file"; saved=""; }
trap restore EXIT

n=0 caught=0 survived=0 unbuilt=0
survivors=""
while IFS= read -r entry; do
    case "$entry" in ''|'#'*) continue ;; esac
    n=$((n + 1))
    file=${entry%%@@*}
    saved="$logs/original"
    cp "$file" "$saved"
    if ! python3 - "$file" "$entry" <<'PY'
import sys
path, entry = sys.argv[1], sys.argv[2]
_, text, replacement = entry.split("@@", 2)
text, replacement = text.replace("\\n", "\n"), replacement.replace("\\n", "\n")
source = open(path).read()
if source.count(text) != 1:
    sys.exit("%s: the text occurs %d times: %s" % (path, source.count(text), text))
open(path, "w").write(source.replace(text, replacement))
PY
    then
        restore
        exit 2
    fi
    log="$logs/$n.log"
    echo "$entry" >"$log"
    if ! cmake --build --preset "$preset" -j2 >>"$log" 2>&1; then
        verdict="not built"
        unbuilt=$((unbuilt + 1))
    elif ctest --preset "$preset" -j2 -R '^(unit|e2e\..*)$' ${MUTATE_EXCLUDE:+-E "$MUTATE_EXCLUDE"} --timeout 300 \
        >>"$log" 2>&1; then
        verdict=SURVIVED
        survived=$((survived + 1))
        survivors+="  $n: $entry"$'\n'
    else
        verdict=caught
        caught=$((caught + 1))
    fi
    restore
    echo "$n $verdict: $entry"
done <"$list"
# The last build of the restored sources.
cmake --build --preset "$preset" -j2 >/dev/null 2>&1 || true
built=$((caught + survived))
echo "$caught of $built caught ($unbuilt not built)"
[ -z "$survivors" ] || printf 'survivors:\n%s' "$survivors"
