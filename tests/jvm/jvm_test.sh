#!/usr/bin/env bash
# End-to-end tests with the real Java runtime: the launchers start the
# reference client classes through the class path they compose, and the
# classes talk to a running emulator. Usage:
#   jvm_test.sh TEST PROGRAMS_DIR JAVA_DIR JDK_BIN VERSION WORK_DIR
# JAVA_DIR holds the client's archives and the emulator, JDK_BIN the `java`
# the launchers start, VERSION the one the emulator reports. "start" and
# "stop" bring the shared emulator up and down (the CTest fixture); every
# other TEST runs against it, except "restart" and "slowclients", which start
# and stop an emulator of their own. "start" also writes the installation
# of the Java client that the launchers use (scripts/java-install.sh) in a
# private folder under /tmp, whose path is as long wherever the build is:
# CLI.CFG carries lines of 99 characters and INSTALL 191. "stop" removes it.
set -uo pipefail

test=$1 bin=$2 javadir=$3 jdkbin=$4 version=$5 work=$6
here=$(cd "$(dirname "$0")" && pwd)
emulator_sh=$here/../../scripts/emulator.sh
emulator=(java -jar "$javadir/vyEmulator.jar")
failures=0

fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# expect STATUS EXPECTED_OUTPUT PROGRAM ARGS...: runs a launcher in the
# test's folder and compares its standard output (trailing line ends aside)
# and exit status; nothing may come on standard error.
expect() {
    local want_status=$1 want=$2 program=$3
    shift 3
    local got status
    got=$(timeout 120 "$bin/$program" "$@" 2>"$dir/stderr.txt")
    status=$?
    if [ "$got" != "$want" ]; then
        fail "$program $*: output differs"
        diff <(printf '%s\n' "$want") <(printf '%s\n' "$got") | sed 's/^/    /'
    fi
    [ "$status" = "$want_status" ] || fail "$program $*: exit status $status, expected $want_status"
    if [ -s "$dir/stderr.txt" ]; then
        fail "$program $*: standard error not empty"
        sed 's/^/    /' "$dir/stderr.txt"
    fi
}

# start_emulator FOLDER: an emulator on a free port with the test state,
# which stops by itself after 15 minutes should nothing stop it; prints its
# address.
start_emulator() {
    bash "$emulator_sh" start "$1" "$javadir/vyEmulator.jar" --state "$1/emulator.state" --stop-after 15
}

stop_emulator() {
    bash "$emulator_sh" stop "$1" >/dev/null
}

if [ "$test" = start ]; then
    # An emulator that an interrupted run left behind goes first.
    bash "$emulator_sh" stop "$work" >/dev/null 2>&1
    [ -s "$work/install" ] && rm -rf "$(dirname "$(cat "$work/install")")"
    rm -rf "$work"
    mkdir -p "$work"
    private=$(mktemp -d /tmp/vy-jvm.XXXXXX) &&
        bash "$here/../../scripts/java-install.sh" "$private/install" "$javadir" "$jdkbin" &&
        echo "$private/install" >"$work/install" || { echo "FAILED: no installation of the Java client"; exit 1; }
    cp "$here/test.state" "$work/emulator.state"
    start_emulator "$work" >/dev/null || { echo "FAILED: the emulator did not start"; exit 1; }
    exit 0
fi
if [ "$test" = stop ]; then
    [ -s "$work/install" ] && rm -rf "$(dirname "$(cat "$work/install")")"
    stop_emulator "$work" || { echo "FAILED: the emulator did not stop"; exit 1; }
    # The emulator logged every request of the tests, and never a password
    # (those of test.state and the wrong one of the credentials test).
    log=$work/emulator.state.log
    grep -q '^POST /tasks/quick/run 200 admin$' "$log" || { echo "FAILED: requests not logged"; exit 1; }
    if grep -n -e secret -e op-pass -e wrong "$log"; then
        echo "FAILED: a password in the emulator's log"
        exit 1
    fi
    exit 0
fi

server=$(cat "$work/server" 2>/dev/null) || { echo "FAILED: no emulator running"; exit 1; }
dir=$work/$test
bash "$emulator_sh" stop "$dir" >/dev/null 2>&1
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir" || exit 1
# A test with an emulator of its own leaves none running, whatever happens.
trap 'bash "$emulator_sh" stop "$dir" >/dev/null 2>&1' EXIT
install=$(cat "$work/install") || { echo "FAILED: no installation of the Java client"; exit 1; }
export INSTALL=$install
# The multipath tool of the emulator, found through the driver folder.
export INSTALLLNB=$javadir/lanebinder VY_EMULATOR=$server VY_HOST=jvm-host
# A port on which nothing listens: a server that is down.
down=127.0.0.1:1

case $test in
ping)
    expect 0 "" vyPingSrv /s "$server"
    expect 0 "vyNetProbe: server $server answers (vyEmulator $version)" vyPingSrv /v /s "$server"
    expect 70 "vyNetProbe: server $down does not answer" vyPingSrv /v /s "$down"
    # A short form of 127.0.0.1: the probe refuses it, nothing reaches the emulator.
    expect 41 "vyNetProbe: bad server name 127.1:${server##*:}: an IPv4 address is four decimal numbers 0 to 255 without leading zeros, as in 127.0.0.1, and a host name does not end in a number
vyRunJob: The primary server is down and there is no backup server specified. The task is not completed." \
        vyRunJob /u admin /p secret /s "127.1:${server##*:}" quick
    ;;
failover)
    expect 0 "vyRunJob: The primary server is down, trying the specified backup server...
vyRunJob: The task will be run off the backup server.
vyRunJob: connected to $server as admin
vyRunJob: task failover started
vyRunJob: task failover copies 02B12028 to 03B12028 in 600 seconds" \
        vyRunJob /v /u admin /p secret /s "$down" /b "$server" failover
    expect 75 "vyRunJob: task failover is already running" \
        vyRunJob /u admin /p secret /s "$server" failover
    expect 41 "vyRunJob: The primary server is down and there is no backup server specified. The task is not completed." \
        vyRunJob /u admin /p secret /s "$down" failover
    ;;
credentials)
    # The class reads the security file itself; its path holds a blank.
    mkdir "sec dir"
    echo "admin wrong" > "sec dir/sec file.txt"
    expect 72 "vyRunJob: user admin is not known or the password is wrong" \
        vyRunJob /a "sec dir/sec file.txt" /s "$server" quick
    echo "operator op-pass" > "sec dir/sec file.txt"
    expect 74 "vyRunJob: task nosuch is not known to the server" \
        vyRunJob /a "sec dir/sec file.txt" /s "$server" nosuch
    expect 72 "vyRunJob: no user name and password given" vyRunJob /s "$server" quick
    # A vertical tab separates the words for the launcher and the class alike.
    printf 'admin\vsecret\n' > "sec dir/sec file.txt"
    expect 0 "vyRunJob: task separated started" vyRunJob /a "sec dir/sec file.txt" /s "$server" separated
    ;;
await)
    expect 0 "vyRunJob: task quick started
vyRunJob: task broken started
vyRunJob: task slow started" vyRunJob /u admin /p secret /s "$server" quick broken slow
    # quick completes within its second, broken fails after its own.
    expect 0 "vyAwaitJob: task quick is complete (100%)" \
        vyAwaitJob /u admin /p secret /m 1 /s "$server" quick
    expect 77 "vyAwaitJob: task quick is complete (100%)
vyAwaitJob: task broken failed" vyAwaitJob /u admin /p secret /m 1 /t 100 /s "$server" quick broken
    # Three seconds are not enough for ten minutes of copying.
    start=$SECONDS
    expect 76 "vyAwaitJob: task slow is not complete (0%)" \
        vyAwaitJob /u admin /p secret /m 0.05 /s "$server" slow
    elapsed=$((SECONDS - start))
    [ "$elapsed" -ge 2 ] && [ "$elapsed" -le 30 ] || fail "awaiting 0.05 minutes took $elapsed seconds"
    expect 74 "vyAwaitJob: task nosuch is not known to the server" \
        vyAwaitJob /u admin /p secret /m 1 /s "$server" quick nosuch
    ;;
volumes)
    row="Disk2    02B12028  Disk2  Disk2$(printf '%24s' '')"
    row3="Disk3    03B12028  Disk3  Disk3$(printf '%24s' '')"
    expect 0 " Vpath    Serial    Volume Names
-------  --------  --------------
$row
$row3" vyShowLuns
    # /m maps the host's disk names to serials; a serial passes unchanged.
    expect 78 "vyProbeVol: 02B12028 is volume payroll, serial 02B12028
vyProbeVol: 04B12028 is volume archive, serial 04B12028
vyProbeVol: Disk9 is not a volume of this server" \
        vyProbeVol /u admin /p secret /m /q disk2 /q 04B12028 /q Disk9 /s "$server"
    expect 0 "vySeedHost: jvm-host sees Disk2 as volume 02B12028
vySeedHost: jvm-host sees Disk3 as volume 03B12028
vySeedHost: host jvm-host registered with 2 volumes" vySeedHost /u admin /p secret /s "$server" /d jvm-host
    [ -z "$(ls "$dir" | grep -v stderr.txt)" ] || fail "files left behind: $(ls "$dir")"
    expect 0 "HOST      DISK   SERIAL
jvm-host  Disk2  02B12028
jvm-host  Disk3  03B12028" vyshell -s "$server" -u admin -p secret list hosts
    ;;
hostnames)
    # A host name with a blank, passed whole by the launcher, through the
    # emulator's lanectl (VY_HOST) and the class to the emulator and back.
    export VY_HOST="two words"
    expect 0 "vySeedHost: two words sees Disk2 as volume 02B12028
vySeedHost: host two words registered with 1 volumes" vySeedHost /u admin /p secret /s "$server" /d "two words"
    expect 0 "host: two words
volume: Disk2 02B12028" vyshell -s "$server" -u admin -p secret show host "two words"
    # A disk whose serial the server does not know: the known one is still registered.
    export VY_HOST=stranger-host
    expect 78 "vySeedHost: stranger-host sees Disk2 as volume 02B12028
vySeedHost: Disk9 (serial 09B12028) is not a volume of this server
vySeedHost: host stranger-host registered with 1 volumes" vySeedHost /u admin /p secret /s "$server" /d stranger-host
    ;;
concurrent)
    # Eight runs at once, each starting a task of its own, then eight that
    # all try to start one task: exactly one may start it.
    for i in 1 2 3 4 5 6 7 8; do
        (timeout 120 "$bin/vyRunJob" /u admin /p secret /s "$server" "c$i" >"own-$i.txt" 2>&1; echo $? >>"own-$i.txt") &
    done
    wait
    for i in 1 2 3 4 5 6 7 8; do
        [ "$(cat "own-$i.txt")" = "vyRunJob: task c$i started
0" ] || fail "run $i of eight: $(cat "own-$i.txt")"
    done
    for i in 1 2 3 4 5 6 7 8; do
        (timeout 120 "$bin/vyRunJob" /u admin /p secret /s "$server" race >"race-$i.txt" 2>&1; echo $? >>"race-$i.txt") &
    done
    wait
    started=$(cat race-*.txt | tr '\n' ' ' | grep -o 'vyRunJob: task race started 0' | wc -l)
    running=$(cat race-*.txt | tr '\n' ' ' | grep -o 'vyRunJob: task race is already running 75' | wc -l)
    [ "$started" = 1 ] && [ "$running" = 7 ] || fail "one task, eight runs: $started started, $running refused: $(cat race-*.txt)"
    ;;
helper)
    # scripts/emulator.sh: an emulator per folder, nothing left running.
    # helper_run ARGS...: its status, standard output and standard error.
    helper_run() {
        local out
        out=$(bash "$emulator_sh" "$@" 2>"$dir/helper.err")
        printf 'status %s\n%s\n%s' "$?" "$out" "$(cat "$dir/helper.err")"
    }
    # alive PID: the process runs (a zombie has ended).
    alive() { ps -o stat= -p "$1" 2>/dev/null | grep -qv Z; }
    jar=$javadir/vyEmulator.jar
    trap 'for f in a b c d e; do bash "$emulator_sh" stop "$dir/$f" >/dev/null 2>&1; done' EXIT
    cp "$here/test.state" "$dir/emulator.state"
    server=$(bash "$emulator_sh" start "$dir/a" "$jar" --state "$dir/emulator.state" --stop-after 5)
    [[ $server =~ ^127\.0\.0\.1:[0-9]+$ ]] || fail "start printed \"$server\""
    pid=$(cat "$dir/a/emulator.pid")
    alive "$pid" || fail "the emulator's process $pid does not run"
    expect 0 "vyNetProbe: server $server answers (vyEmulator $version)" vyPingSrv /v /s "$server"
    got=$(helper_run start "$dir/a" "$jar" --in-memory)
    [ "$got" = "status 2

emulator.sh: $dir/a already holds a running emulator (process $pid); stop it first" ] || fail "a second start: $got"
    expect 0 "" vyPingSrv /s "$server"
    got=$(helper_run stop "$dir/a")
    [ "$got" = "status 0
vyEmulator: stopped $server" ] || fail "stop: $got"
    alive "$pid" && fail "process $pid still runs after stop"
    [ -z "$(ls -A "$dir/a")" ] || fail "stop left files: $(ls -A "$dir/a")"
    expect 70 "" vyPingSrv /s "$server"
    got=$(helper_run stop "$dir/a")
    [ "$got" = "status 0" ] || fail "stop with nothing started: $got"

    # A state file the emulator refuses: its status, nothing kept.
    echo "no such keyword" > "$dir/bad.state"
    got=$(helper_run start "$dir/b" "$jar" --state "$dir/bad.state")
    [[ $got == "status 82"* ]] || fail "start with a bad state file: $got"
    [ -z "$(ls -A "$dir/b")" ] || fail "a failed start left files: $(ls -A "$dir/b")"

    # An emulator that ended by itself: stop says that nothing answers.
    server=$(bash "$emulator_sh" start "$dir/c" "$jar" --in-memory --stop-after 5)
    pid=$(cat "$dir/c/emulator.pid")
    kill -KILL "$pid"
    got=$(helper_run stop "$dir/c")
    [ "$got" = "status 70

vyEmulator: nothing answers at $server" ] || fail "stop of an emulator that ended: $got"
    [ -z "$(ls -A "$dir/c")" ] || fail "stop left files: $(ls -A "$dir/c")"

    # An emulator that cannot answer (stopped by a signal) is ended.
    server=$(bash "$emulator_sh" start "$dir/d" "$jar" --in-memory --stop-after 5)
    pid=$(cat "$dir/d/emulator.pid")
    kill -STOP "$pid"
    got=$(helper_run stop "$dir/d")
    [ "$got" = "status 1

vyEmulator: $server accepts connections but does not answer within 3 seconds
emulator.sh: the emulator (process $pid) did not stop when asked; ending it" ] || fail "stop of a stuck emulator: $got"
    if alive "$pid"; then
        fail "process $pid still runs"
        kill -KILL "$pid"
    fi
    [ -z "$(ls -A "$dir/d")" ] || fail "stop left files: $(ls -A "$dir/d")"

    # A port file the emulator did not write: nothing is sent, the emulator is ended.
    server=$(bash "$emulator_sh" start "$dir/e" "$jar" --in-memory --stop-after 5)
    pid=$(cat "$dir/e/emulator.pid")
    echo "127.1:${server##*:}" > "$dir/e/server"
    got=$(helper_run stop "$dir/e")
    [[ $got == "status 1"*"vyEmulator: port file $dir/e/server holds \"127.1:${server##*:}\\n\", not the line"*"ending it" ]] ||
        fail "stop with a foreign port file: $got"
    alive "$pid" && fail "process $pid still runs"
    [ -z "$(ls -A "$dir/e")" ] || fail "stop left files: $(ls -A "$dir/e")"
    ;;
restart)
    # An emulator of its own: what vySeedHost registered and the tasks
    # started survive a stop and a new start on another port.
    cp "$here/test.state" "$dir/emulator.state"
    server=$(start_emulator "$dir") || { fail "the emulator did not start"; exit 1; }
    export VY_EMULATOR=$server VY_HOST=restart-host
    expect 0 "vySeedHost: restart-host sees Disk7 as volume 04B12028
vySeedHost: host restart-host registered with 1 volumes" vySeedHost /u admin /p secret /s "$server" /d restart-host
    expect 0 "vyRunJob: task slow started" vyRunJob /u admin /p secret /s "$server" slow
    VY_HOST="two words" expect 0 "vySeedHost: two words sees Disk2 as volume 02B12028
vySeedHost: host two words registered with 1 volumes" vySeedHost /u admin /p secret /s "$server" /d "two words"
    stop_emulator "$dir" || fail "the emulator did not stop"
    expect 70 "" vyPingSrv /s "$server"
    server=$(start_emulator "$dir") || { fail "the emulator did not start again"; exit 1; }
    echo "admin secret" > sec.txt
    expect 0 "HOST          DISK   SERIAL
restart-host  Disk7  04B12028
two words     Disk2  02B12028" vyshell -s "$server" -a sec.txt list hosts
    expect 0 "task: slow
state: running
progress: 0%
source: 04B12028
target: 05B12028
seconds: 36000
outcome: complete" vyshell -s "$server" -a sec.txt show task slow
    ls "$dir" | grep -q '\.tmp$' && fail "a temporary file of the state is left: $(ls "$dir")"
    stop_emulator "$dir" || fail "the emulator did not stop"
    ;;
slowclients)
    # An emulator of its own, held by 20 requests that never end (10 cut in
    # the head, 10 in the body) and 20 connections that send nothing: it
    # still answers at once, runs a task for a launcher and stops when told.
    cp "$here/test.state" "$dir/emulator.state"
    server=$(start_emulator "$dir") || { fail "the emulator did not start"; exit 1; }
    port=${server##*:}
    held=()
    for i in 1 2 3 4 5 6 7 8 9 10; do
        exec {fd}<>"/dev/tcp/127.0.0.1/$port" || fail "connection $i was refused"
        printf 'GET /ping HTTP/1.1\r\nHost: x\r\n' >&"$fd"
        held+=("$fd")
        exec {fd}<>"/dev/tcp/127.0.0.1/$port" || fail "connection $i was refused"
        # admin:secret
        printf 'PUT /hosts/h HTTP/1.1\r\nHost: x\r\nAuthorization: Basic YWRtaW46c2VjcmV0\r\nContent-Length: 100\r\n\r\nDisk2' >&"$fd"
        held+=("$fd")
    done
    for i in $(seq 20); do
        exec {fd}<>"/dev/tcp/127.0.0.1/$port" || fail "idle connection $i was refused"
        held+=("$fd")
    done
    sleep 1
    exec {fd}<>"/dev/tcp/127.0.0.1/$port"
    printf 'GET /ping HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n' >&"$fd"
    reply=$(timeout 1 cat <&"$fd" | head -n 1 | tr -d '\r')
    exec {fd}>&-
    [ "$reply" = "HTTP/1.1 200 OK" ] || fail "/ping did not answer within a second while 40 connections were held: $reply"
    expect 0 "vyRunJob: task quick started" vyRunJob /u admin /p secret /s "$server" quick
    got=$(timeout 60 "${emulator[@]}" stop --port-file "$dir/server" 2>&1)
    status=$?
    [ "$status" = 0 ] && [ "$got" = "vyEmulator: stopped $server" ] || fail "stop: status $status, $got"
    for fd in "${held[@]}"; do exec {fd}>&-; done
    expect 70 "" vyPingSrv /s "$server"
    # Nothing listens there any more.
    got=$(timeout 60 "${emulator[@]}" stop --port-file "$dir/server" 2>&1)
    status=$?
    [ "$status" = 70 ] && [ "$got" = "vyEmulator: nothing answers at $server" ] || fail "stop again: status $status, $got"
    ;;
*)
    echo "unknown test $test"
    exit 2
    ;;
esac

if [ "$failures" -ne 0 ]; then
    echo "$test: $failures failures"
    exit 1
fi
echo "$test: passed"
