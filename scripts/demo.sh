#!/usr/bin/env bash
# The suite's main job, for real: builds the seven programs and the Java side
# (the client archives, the emulator and the build's installation of the
# Java client) in the native release build, and only those: not the unit
# tests, the benchmarks or the reference pages. What the build needs and
# the machine lacks is installed first. The installer's and the build's
# output goes to build/demo.log; on a failure its last lines are shown.
# Then it starts the storage-server emulator on a free port with its sample
# state (scripts/emulator.sh), and runs a short session of all seven programs
# against it through the real Java runtime, with the build's installation of
# the Java client (build/linux-release/java/install: the client archives and
# a CLI.CFG naming the JDK the build found). Each command is shown with its
# output and exit status; a status other than the one the session expects
# makes the script fail. The emulator is stopped and the session's folder
# removed at the end, also on failure or interrupt.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

mkdir -p build
log=$root/build/demo.log
: >"$log"
# failed WHAT: names the step that failed and shows the end of the log.
failed() {
    echo "demo: $1 failed; the last lines of $log:" >&2
    tail -n 30 "$log" >&2
    exit 1
}

echo "== building the seven programs and the Java side (linux-release; output in build/demo.log)"
bash scripts/install-packages.sh build >>"$log" 2>&1 || failed "installing the packages the build needs"
cmake --preset linux-release >>"$log" 2>&1 || failed "configuring the build"
cmake --build --preset linux-release -j "$(nproc)" --target vy_programs vyEmulator >>"$log" 2>&1 ||
    failed "building the programs and the emulator"

bin=$root/build/linux-release/bin
javadir=$root/build/linux-release/java
install=$javadir/install
# The client archives and the installation; the configuration leaves the
# installation out, with a warning in the log, where a CLI.CFG line cannot
# carry the build folder's or the JDK's path.
if ! cmake --build --preset linux-release -j "$(nproc)" --target vy_java_install >>"$log" 2>&1 ||
    [ ! -f "$install/CLI.CFG" ]; then
    echo "demo: the build made no $install (see the warning of the build's configuration in $log)" >&2
    exit 1
fi
work=$(mktemp -d)
cleanup() {
    bash "$root/scripts/emulator.sh" stop "$work" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The emulator: a free port, the sample state (kept in the session's
# folder), and a safety net that stops it after 30 minutes whatever happens.
cp "$javadir/sample.state" "$work/emulator.state"
server=$(bash scripts/emulator.sh start "$work" "$javadir/vyEmulator.jar" --state "$work/emulator.state" --stop-after 30)
echo "vyEmulator: listening on $server"

export INSTALL=$install
# The emulator's multipath tool, found through the driver folder; it asks
# the emulator which volumes the host "demo-host" sees.
export INSTALLLNB=$javadir/lanebinder VY_EMULATOR=$server VY_HOST=demo-host

mkdir "$work/session"
cd "$work/session"
echo "admin secret" > sec.txt

unexpected=0
# run EXPECTED_STATUS PROGRAM ARGS...
run() {
    local want=$1
    shift
    echo
    echo "\$ $*"
    set +e
    "$bin/$@"
    local status=$?
    set -e
    echo "(exit status $status)"
    if [ "$status" != "$want" ]; then
        echo "!! expected exit status $want"
        unexpected=$((unexpected + 1))
    fi
}

echo
echo "== The emulator answers on $server"
run 0 vyPingSrv /v /s "$server"

echo
echo "== Two copy tasks (3 and 5 seconds long)"
run 0 vyRunJob /v /u admin /p secret /s "$server" nightly weekly

echo
echo "== Waiting at most one minute for both"
run 0 vyAwaitJob /u admin /p secret /m 1 /s "$server" nightly weekly

echo
echo "== The storage volumes this host sees (through the multipath tool)"
run 0 vyShowLuns

echo
echo "== Telling the server which volumes this host sees (credentials from a security file)"
run 0 vySeedHost /a sec.txt /s "$server" /d demo-host

echo
echo "== Asking about volumes by the host's disk names (/m maps them to serials)"
run 0 vyProbeVol /a sec.txt /m /q disk2 /q Disk4 /s "$server"

echo
echo "== The general client: what the server now knows of the hosts"
run 0 vyshell -s "$server" -a sec.txt list hosts

echo
echo "== A mistake: a wrong password"
run 72 vyRunJob /u admin /p wrong /s "$server" nightly

echo
cd "$root"
bash scripts/emulator.sh stop "$work"
if [ "$unexpected" -ne 0 ]; then
    echo "== $unexpected commands ended with an unexpected status"
    exit 1
fi
echo "== every command ended with the expected status"
