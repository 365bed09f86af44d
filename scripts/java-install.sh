#!/usr/bin/env bash
# Writes an installation of the Java client, as the launchers read it from
# their INSTALL folder:
#
#   java-install.sh DEST JAR_DIR JDK_BIN
#   java-install.sh --check DEST JDK_BIN
#
#   DEST/<archives>  the client's class archives (cmake/suite-facts.txt),
#                    copied from JAR_DIR
#   DEST/lib/        the class-path folder
#   DEST/CLI.CFG    JAVA_INSTALL=JDK_BIN/
#                   JAVA_CLASSPATH=DEST/lib
#                   JAVA_EXEC_OPTIONS=-XX:+UseSerialGC
#
# JDK_BIN is the folder of the `java` the launchers start. JAR_DIR "-" writes
# no archives, for a stand-in `java` that loads none. Relative paths are
# taken from the current folder and written absolute. An existing DEST is
# refreshed: the archives and CLI.CFG are replaced, nothing else is touched.
#
# The launchers read CLI.CFG in pieces of 99 bytes and stop a value at its
# first byte outside printable ASCII: a longer line or such a byte would give
# them another path than the one meant. Such paths are refused before
# anything is written. With --check nothing is written: the script only
# tells whether CLI.CFG can carry DEST and JDK_BIN (the build asks it before
# it makes an installation).
#
# Exit status: 0 written; 1 a file could not be written; 2 wrong arguments
# (their count, a missing archive, no `java` in JDK_BIN); 3 a path that
# CLI.CFG cannot carry (a line over 99 characters, or a byte outside
# printable ASCII).
set -euo pipefail
# Bytes, not characters: lengths and the printable range are counted as the
# launchers count them.
export LC_ALL=C
source "$(dirname "$0")/facts.sh"

usage() {
    echo "usage: java-install.sh DEST JAR_DIR JDK_BIN" >&2
    exit 2
}
check_only=
if [ $# -eq 3 ] && [ "$1" = --check ]; then
    check_only=yes
    dest=$2 jars=- jdkbin=$3
else
    [ $# -eq 3 ] || usage
    dest=$1 jars=$2 jdkbin=$3
fi
[ -n "$dest" ] && [ -n "$jars" ] && [ -n "$jdkbin" ] || usage

absolute() {
    case $1 in
    /*) printf '%s' "$1" ;;
    *) printf '%s/%s' "$PWD" "$1" ;;
    esac
}
dest=$(absolute "$dest")
dest=${dest%/}
jdkbin=$(absolute "$jdkbin")
jdkbin=${jdkbin%/}

lines=("## The Java runtime and the client's class path"
    "JAVA_INSTALL=$jdkbin/"
    "JAVA_CLASSPATH=$dest/lib"
    "JAVA_EXEC_OPTIONS=-XX:+UseSerialGC")
# The one rule of what a CLI.CFG line can carry.
check_lines() {
    local line
    for line in "${lines[@]}"; do
        if [ ${#line} -gt 99 ]; then
            echo "java-install.sh: \"$line\" is longer than the 99 characters a CLI.CFG line holds" >&2
            exit 3
        fi
        if [[ $line == *[^\ -~]* ]]; then
            echo "java-install.sh: \"$line\" holds a character outside printable ASCII, which CLI.CFG cannot carry" >&2
            exit 3
        fi
    done
}
if [ -n "$check_only" ]; then
    check_lines
    exit 0
fi

read -ra archives <<< "$(fact client-jars)"
if [ "$jars" = - ]; then
    archives=()
else
    for jar in "${archives[@]}"; do
        [ -f "$jars/$jar" ] || { echo "java-install.sh: $jars/$jar is missing" >&2; exit 2; }
    done
fi
[ -x "$jdkbin/java" ] && [ ! -d "$jdkbin/java" ] ||
    { echo "java-install.sh: $jdkbin holds no java to start" >&2; exit 2; }
check_lines

fail() {
    echo "java-install.sh: $*" >&2
    exit 1
}
mkdir -p "$dest/lib" || fail "cannot make $dest/lib"
for jar in "${archives[@]}"; do
    cp "$jars/$jar" "$dest/$jar.new" && mv -f "$dest/$jar.new" "$dest/$jar" || fail "cannot copy $jar to $dest"
done
# Written beside and renamed over: a launcher never reads half a file.
printf '%s\n' "${lines[@]}" > "$dest/CLI.CFG.new" && mv -f "$dest/CLI.CFG.new" "$dest/CLI.CFG" ||
    fail "cannot write $dest/CLI.CFG"
