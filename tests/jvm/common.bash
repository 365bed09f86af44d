# What the JVM groups share, loaded by each tests/jvm/<group>.bats: the
# launchers start the reference client classes through the class path they
# compose, and the classes talk to a running emulator. CTest names the
# build's parts in the environment:
#   VY_JVM_BIN      the launchers
#   VY_JVM_JAVA     the emulator's archives (vyEmulator.jar, lanebinder/)
#   VY_JVM_JDK_BIN  the JDK's bin folder, which the installation's CLI.CFG
#                   names
#   VY_VERSION      the version the emulator reports
#   VY_JVM_WORK     the work folder: the shared emulator (start.bats and
#                   stop.bats bring it up and down, the CTest fixture) and a
#                   folder for each group; start.bats writes the Java
#                   client's installation the launchers use in a private
#                   folder under /tmp (its path as long wherever the build
#                   is: CLI.CFG carries lines of 99 characters, INSTALL 191)
#                   and names it in the work folder's file "install";
#                   stop.bats removes it
# restart.bats, slowclients.bats and helper.bats start and stop emulators of
# their own.

bats_load_library bats-support
bats_load_library bats-assert
bats_load_library bats-file

bin=$VY_JVM_BIN javadir=$VY_JVM_JAVA version=$VY_VERSION work=$VY_JVM_WORK
install=$(cat "$work/install" 2>/dev/null || true)
emulator_sh=$BATS_TEST_DIRNAME/../../scripts/emulator.sh
emulator=(java -jar "$javadir/vyEmulator.jar")
group=$(basename "$BATS_TEST_FILENAME" .bats)
dir=$work/$group
# The shared emulator's address, once it runs.
server=$(cat "$work/server" 2>/dev/null || true)
# A port on which nothing listens: a server that is down.
down=127.0.0.1:1

export INSTALL=$install
# remove_install: the private folder of the installation start.bats wrote.
remove_install() { if [ -s "$work/install" ]; then rm -rf "$(dirname "$(cat "$work/install")")"; fi; }
# The multipath tool of the emulator, found through the driver folder.
export INSTALLLNB=$javadir/lanebinder VY_EMULATOR=$server VY_HOST=jvm-host

# same EXPECTED ACTUAL: equal, or fails showing the difference.
same() {
    [ "$1" == "$2" ] && return 0
    diff <(printf '%s\n' "$1") <(printf '%s\n' "$2") | sed 's/^/    /'
    return 1
}

# expect STATUS EXPECTED_OUTPUT PROGRAM ARGS...: runs a launcher in the
# group's folder and compares its standard output (trailing line ends aside)
# and exit status; nothing may come on standard error.
expect() {
    local want_status=$1 want=$2 program=$3
    shift 3
    local got status=0
    got=$(cd "$dir" && timeout 120 "$bin/$program" "$@" 2>"$dir/stderr.txt") || status=$?
    same "$want
status $want_status" "$got
status $status"
    if [ -s "$dir/stderr.txt" ]; then
        echo "$program $*: standard error not empty"
        sed 's/^/    /' "$dir/stderr.txt"
        return 1
    fi
}

# start_emulator FOLDER: an emulator on a free port with the state file
# FOLDER/emulator.state, which stops by itself after 15 minutes should
# nothing stop it; prints its address. It keeps none of bats's descriptors.
start_emulator() {
    bash "$emulator_sh" start "$1" "$javadir/vyEmulator.jar" --state "$1/emulator.state" --stop-after 15 3>&-
}
stop_emulator() {
    bash "$emulator_sh" stop "$1" >/dev/null
}

# A group's fresh folder; a group against the shared emulator needs it
# running. An emulator of the group's own goes at the end, whatever happens.
group_setup() {
    bash "$emulator_sh" stop "$dir" >/dev/null 2>&1
    rm -rf "$dir"
    mkdir -p "$dir"
}
shared_setup() {
    [ -n "$server" ] || { echo "no emulator running" >&2; return 1; }
    group_setup
}
teardown_file() {
    bash "$emulator_sh" stop "$dir" >/dev/null 2>&1 || true
}
setup() { cd "$dir" || return 1; }
