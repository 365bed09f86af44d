#!/usr/bin/env bash
# Tests of scripts/java-install.sh: the installation it writes, what it
# refuses, and that a launcher reads the CLI.CFG it writes as meant, up to
# the longest lines it accepts. Usage:
#   java_install_test.sh SCRIPT PROGRAMS_DIR DOUBLES_DIR
# DOUBLES_DIR holds the stand-in java, which logs the arguments it gets.
set -uo pipefail

script=$1 bin=$2 doubles=$3
# Under /tmp: the boundary cases need paths of an exact, short length.
work=$(mktemp -d /tmp/vy-install-test.XXXXXX) || exit 1
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# check WHAT EXPECTED ACTUAL
check() {
    if [ "$2" != "$3" ]; then
        fail "$1"
        diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | sed 's/^/    /'
    fi
}

# install ARGS...: the script's exit status and standard error, as one text.
install() {
    local err status
    err=$(bash "$script" "$@" 2>&1 >/dev/null)
    status=$?
    printf 'status %s\n%s' "$status" "$err"
}

# pad PREFIX LENGTH: PREFIX followed by "p"s up to LENGTH characters.
pad() {
    local text=$1
    while [ ${#text} -lt "$2" ]; do text+=p; done
    printf '%s' "$text"
}

mkdir jars jdk-none
for jar in vySecLink vyMirrorKit vyShellKit; do echo "$jar archive" > "jars/$jar.jar"; done

# --- An installation, with relative paths written absolute.
ln -s "$doubles" jdk
check "a new installation" "status 0" "$(install inst jars jdk)"
check "its CLI.CFG" "## The Java runtime and the client's class path
JAVA_INSTALL=$work/jdk/
JAVA_CLASSPATH=$work/inst/lib
JAVA_EXEC_OPTIONS=-XX:+UseSerialGC" "$(cat inst/CLI.CFG)"
check "its files" "CLI.CFG
lib
vyMirrorKit.jar
vySecLink.jar
vyShellKit.jar" "$(ls inst)"
check "its archives" "vySecLink archive
vyMirrorKit archive
vyShellKit archive" "$(cat inst/vySecLink.jar inst/vyMirrorKit.jar inst/vyShellKit.jar)"
[ -d inst/lib ] || fail "no lib folder"

# --- Written again: new archives replace the old ones, other files stay.
echo "vyShellKit archive 2" > jars/vyShellKit.jar
echo "kept" > inst/lib/extra.jar
check "an installation written again" "status 0" "$(install "$work/inst/" jars "$work/jdk/")"
check "its new archive" "vyShellKit archive 2" "$(cat inst/vyShellKit.jar)"
check "a file of its own" "kept" "$(cat inst/lib/extra.jar)"
check "its CLI.CFG, written again" "## The Java runtime and the client's class path
JAVA_INSTALL=$work/jdk/
JAVA_CLASSPATH=$work/inst/lib
JAVA_EXEC_OPTIONS=-XX:+UseSerialGC" "$(cat inst/CLI.CFG)"
check "no file left beside" "" "$(ls inst | grep '\.new$')"

# --- "-": no archives.
check "an installation without archives" "status 0" "$(install bare - jdk)"
check "its files" "CLI.CFG
lib" "$(ls bare)"

# --- Wrong arguments: status 2, nothing written.
check "two arguments" "status 2
usage: java-install.sh DEST JAR_DIR JDK_BIN" "$(install x jars)"
check "an empty argument" "status 2
usage: java-install.sh DEST JAR_DIR JDK_BIN" "$(install x "" jdk)"
rm jars/vySecLink.jar
check "a missing archive" "status 2
java-install.sh: jars/vySecLink.jar is missing" "$(install x jars jdk)"
echo "vySecLink archive" > jars/vySecLink.jar
check "no java in JDK_BIN" "status 2
java-install.sh: $work/jdk-none holds no java to start" "$(install x jars jdk-none)"
[ ! -e x ] || fail "a refused installation was written"

# --- The longest lines a launcher reads whole: 99 characters.
dest=$(pad "$work/d" 80) # JAVA_CLASSPATH=<80>/lib: 99
jdk=$(pad "$work/j" 85)  # JAVA_INSTALL=<85>/: 99
ln -s "$doubles" "$jdk"
check "lines of 99 characters" "status 0" "$(install "$dest" jars "$jdk")"
# The launcher starts the stand-in java with both paths whole.
INSTALL=$dest FAKEJAVA_LOG=$work/java.log "$bin/vyPingSrv" /s srv >/dev/null
check "vyPingSrv with that installation: its status" 0 "$?"
check "vyPingSrv with that installation: the Java command" "argv[0]=java
argv[1]=-XX:+UseSerialGC
argv[2]=-classpath
argv[3]=.::$dest/lib:$dest/vyMirrorKit.jar:$dest/vySecLink.jar:$dest/vyShellKit.jar:
argv[4]=vyMirrorKit.vyNetProbe
argv[5]=-Server=srv
JAVA_HOME=$jdk/java
end" "$(cat java.log)"

# --- One character more, or one outside printable ASCII: status 3, nothing written.
long=$(pad "$work/d" 81)
check "a class-path line of 100 characters" "status 3
java-install.sh: \"JAVA_CLASSPATH=$long/lib\" is longer than the 99 characters a CLI.CFG line holds" \
    "$(install "$long" jars "$jdk")"
[ ! -e "$long" ] || fail "an installation with a line of 100 characters was written"
ln -s "$doubles" "${jdk}p"
check "a JAVA_INSTALL line of 100 characters" "status 3
java-install.sh: \"JAVA_INSTALL=${jdk}p/\" is longer than the 99 characters a CLI.CFG line holds" \
    "$(install y jars "${jdk}p")"
check "a tab in a path" "status 3
java-install.sh: \"JAVA_CLASSPATH=$work/a	b/lib\" holds a character outside printable ASCII, which CLI.CFG cannot carry" \
    "$(install "a	b" jars jdk)"
check "a letter outside ASCII in a path" "status 3
java-install.sh: \"JAVA_CLASSPATH=$work/é/lib\" holds a character outside printable ASCII, which CLI.CFG cannot carry" \
    "$(install "é" jars jdk)"
check "a line feed in a path" "status 3
java-install.sh: \"JAVA_CLASSPATH=$work/a
JAVA_INSTALL=/x/lib\" holds a character outside printable ASCII, which CLI.CFG cannot carry" \
    "$(install "a
JAVA_INSTALL=/x" jars jdk)"
for refused in y "a	b" "é" "a
JAVA_INSTALL="; do
    [ ! -e "$refused" ] || fail "a refused installation was written: $refused"
done

# --- --check: the same rule, and nothing written, whatever it says.
fits=$(pad "$work/c" 80)
check "--check: the longest lines CLI.CFG carries" "status 0" "$(install --check "$fits" "$jdk")"
check "--check: a class-path line of 100 characters" "status 3
java-install.sh: \"JAVA_CLASSPATH=$long/lib\" is longer than the 99 characters a CLI.CFG line holds" \
    "$(install --check "$long" "$jdk")"
check "--check: a letter outside ASCII in the JDK's path" "status 3
java-install.sh: \"JAVA_INSTALL=$work/é/\" holds a character outside printable ASCII, which CLI.CFG cannot carry" \
    "$(install --check "$fits" "é")"
for checked in "$fits" "$long"; do
    [ ! -e "$checked" ] || fail "--check wrote $checked"
done

if [ "$failures" -ne 0 ]; then
    echo "java_install: $failures failures"
    exit 1
fi
echo "java_install: passed"
