#!/usr/bin/env bash
# The jar tool with every entry of a new archive dated at one time, for
# reproducible archives: CMake's add_jar runs
#   jar -cf[e][m] archive [main class] [manifest] files...
# and this runs it as
#   jar --create --file archive [--main-class C] [--manifest M] --date=DATE files...
# (the old form takes no --date). Anything else goes to jar as it is.
#   jar-dated.sh <jar> <SOURCE_DATE_EPOCH> <jar's arguments>
set -euo pipefail
jar=$1 epoch=$2
shift 2
if ! [[ ${1:-} =~ ^-cf([em]*)$ ]]; then
    exec "$jar" "$@"
fi
flags=${BASH_REMATCH[1]}
shift
args=(--create --file "$1")
shift
for ((i = 0; i < ${#flags}; i++)); do
    case ${flags:i:1} in
        e) args+=(--main-class "$1") ;;
        m) args+=(--manifest "$1") ;;
    esac
    shift
done
exec "$jar" "${args[@]}" --date="$(date -u -d "@$epoch" +%Y-%m-%dT%H:%M:%SZ)" "$@"
