#!/usr/bin/env bats
# scripts/java-install.sh: the installation it writes, what it refuses, and
# that a launcher reads the CLI.CFG it writes as meant, up to the longest
# lines it accepts. CTest names in the environment:
#   VY_INSTALL_SCRIPT  scripts/java-install.sh
#   VY_BIN             the launchers
#   VY_DOUBLES         the test doubles: the stand-in java logs the arguments it gets
bats_load_library bats-support
bats_load_library bats-assert
bats_load_library bats-file

script=$VY_INSTALL_SCRIPT bin=$VY_BIN doubles=$VY_DOUBLES

# Under /tmp: the boundary cases need paths of an exact, short length.
setup_file() {
    work=$(mktemp -d /tmp/vy-install-test.XXXXXX)
    export work
    cd "$work"
    mkdir jars jdk-none
    for jar in vySecLink vyMirrorKit vyShellKit; do echo "$jar archive" > "jars/$jar.jar"; done
    ln -s "$doubles" jdk
}
teardown_file() { rm -rf "$work"; }
setup() { cd "$work"; }

# same EXPECTED ACTUAL: equal, or fails showing the difference.
same() {
    [ "$1" == "$2" ] && return 0
    diff <(printf '%s\n' "$1") <(printf '%s\n' "$2") | sed 's/^/    /'
    return 1
}
# install ARGS...: the script's exit status and standard error, as one text.
install() {
    local err status=0
    err=$(bash "$script" "$@" 2>&1 >/dev/null) || status=$?
    printf 'status %s\n%s' "$status" "$err"
}
# pad PREFIX LENGTH: PREFIX followed by "p"s up to LENGTH characters.
pad() {
    local text=$1
    while [ ${#text} -lt "$2" ]; do text+=p; done
    printf '%s' "$text"
}
usage="status 2
usage: java-install.sh DEST JAR_DIR JDK_BIN"
cfg() {
    echo "## The Java runtime and the client's class path
JAVA_INSTALL=$work/jdk/
JAVA_CLASSPATH=$work/$1/lib
JAVA_EXEC_OPTIONS=-XX:+UseSerialGC"
}

@test "a new installation, relative paths written absolute" {
    same "status 0" "$(install inst jars jdk)"
    same "$(cfg inst)" "$(cat inst/CLI.CFG)"
    same "CLI.CFG
lib
vyMirrorKit.jar
vySecLink.jar
vyShellKit.jar" "$(ls inst)"
    same "vySecLink archive
vyMirrorKit archive
vyShellKit archive" "$(cat inst/vySecLink.jar inst/vyMirrorKit.jar inst/vyShellKit.jar)"
    assert_dir_exists inst/lib
}

@test "written again: new archives replace the old ones, other files stay" {
    echo "vyShellKit archive 2" > jars/vyShellKit.jar
    echo "kept" > inst/lib/extra.jar
    same "status 0" "$(install "$work/inst/" jars "$work/jdk/")"
    same "vyShellKit archive 2" "$(cat inst/vyShellKit.jar)"
    same "kept" "$(cat inst/lib/extra.jar)"
    same "$(cfg inst)" "$(cat inst/CLI.CFG)"
    same "" "$(ls inst | grep '\.new$' || true)"
}

@test "\"-\": an installation without archives" {
    same "status 0" "$(install bare - jdk)"
    same "CLI.CFG
lib" "$(ls bare)"
}

@test "wrong arguments: status 2, nothing written" {
    same "$usage" "$(install x jars)"
    same "$usage" "$(install x "" jdk)"
    mv jars/vySecLink.jar vySecLink.jar
    same "status 2
java-install.sh: jars/vySecLink.jar is missing" "$(install x jars jdk)"
    mv vySecLink.jar jars/vySecLink.jar
    same "status 2
java-install.sh: $work/jdk-none holds no java to start" "$(install x jars jdk-none)"
    assert_not_exists x
}

# The longest lines a launcher reads whole: 99 characters.
@test "lines of 99 characters, read whole by vyPingSrv" {
    local dest jdk
    dest=$(pad "$work/d" 80) # JAVA_CLASSPATH=<80>/lib: 99
    jdk=$(pad "$work/j" 85)  # JAVA_INSTALL=<85>/: 99
    ln -s "$doubles" "$jdk"
    same "status 0" "$(install "$dest" jars "$jdk")"
    # The launcher starts the stand-in java with both paths whole.
    run env INSTALL="$dest" FAKEJAVA_LOG="$work/java.log" "$bin/vyPingSrv" /s srv
    assert_success
    same "argv[0]=java
argv[1]=-XX:+UseSerialGC
argv[2]=-classpath
argv[3]=.::$dest/lib:$dest/vyMirrorKit.jar:$dest/vySecLink.jar:$dest/vyShellKit.jar:
argv[4]=vyMirrorKit.vyNetProbe
argv[5]=-Server=srv
JAVA_HOME=$jdk/java
end" "$(cat java.log)"
}

# One character more, or one outside printable ASCII: status 3, nothing written.
@test "a line of 100 characters is refused" {
    local long jdk
    long=$(pad "$work/d" 81)
    jdk=$(pad "$work/j" 85)
    same "status 3
java-install.sh: \"JAVA_CLASSPATH=$long/lib\" is longer than the 99 characters a CLI.CFG line holds" \
        "$(install "$long" jars "$jdk")"
    assert_not_exists "$long"
    ln -s "$doubles" "${jdk}p"
    same "status 3
java-install.sh: \"JAVA_INSTALL=${jdk}p/\" is longer than the 99 characters a CLI.CFG line holds" \
        "$(install y jars "${jdk}p")"
    assert_not_exists y
}

@test "a character outside printable ASCII is refused" {
    same "status 3
java-install.sh: \"JAVA_CLASSPATH=$work/a	b/lib\" holds a character outside printable ASCII, which CLI.CFG cannot carry" \
        "$(install "a	b" jars jdk)"
    same "status 3
java-install.sh: \"JAVA_CLASSPATH=$work/é/lib\" holds a character outside printable ASCII, which CLI.CFG cannot carry" \
        "$(install "é" jars jdk)"
    same "status 3
java-install.sh: \"JAVA_CLASSPATH=$work/a
JAVA_INSTALL=/x/lib\" holds a character outside printable ASCII, which CLI.CFG cannot carry" \
        "$(install "a
JAVA_INSTALL=/x" jars jdk)"
    assert_not_exists "a	b"
    assert_not_exists "é"
    assert_not_exists "a
JAVA_INSTALL=/x"
    assert_not_exists "a
JAVA_INSTALL="
}

@test "--check: the same rule, and nothing written, whatever it says" {
    local fits long jdk
    fits=$(pad "$work/c" 80)
    long=$(pad "$work/d" 81)
    jdk=$(pad "$work/j" 85)
    same "status 0" "$(install --check "$fits" "$jdk")"
    same "status 3
java-install.sh: \"JAVA_CLASSPATH=$long/lib\" is longer than the 99 characters a CLI.CFG line holds" \
        "$(install --check "$long" "$jdk")"
    same "status 3
java-install.sh: \"JAVA_INSTALL=$work/é/\" holds a character outside printable ASCII, which CLI.CFG cannot carry" \
        "$(install --check "$fits" "é")"
    assert_not_exists "$fits"
    assert_not_exists "$long"
}
