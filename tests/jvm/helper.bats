#!/usr/bin/env bats
# scripts/emulator.sh: an emulator per folder, nothing left running, each
# folder's emulator ended should it not stop when asked.
load common
jar=$javadir/vyEmulator.jar

setup_file() {
    group_setup
    cp "$BATS_TEST_DIRNAME/test.state" "$dir/emulator.state"
}
teardown_file() {
    local f
    for f in a b c d e; do bash "$emulator_sh" stop "$dir/$f" >/dev/null 2>&1 || true; done
}

# helper_run ARGS...: its status, standard output and standard error.
helper_run() {
    local out status=0
    out=$(bash "$emulator_sh" "$@" 2>"$dir/helper.err" 3>&-) || status=$?
    printf 'status %s\n%s\n%s' "$status" "$out" "$(cat "$dir/helper.err")"
}
# alive PID: the process runs (a zombie has ended).
alive() { ps -o stat= -p "$1" 2>/dev/null | grep -qv Z; }
# nothing_in FOLDER: it holds no file.
nothing_in() { same "" "$(ls -A "$1")"; }
pid_of() { cat "$dir/$1/emulator.pid"; }
# not_alive PID: it has ended; a process that has not is ended here.
not_alive() {
    alive "$1" || return 0
    echo "process $1 still runs"
    kill -KILL "$1"
    return 1
}

@test "start prints the address, and the emulator runs" {
    local server
    server=$(bash "$emulator_sh" start "$dir/a" "$jar" --state "$dir/emulator.state" --stop-after 5 3>&-)
    assert_regex "$server" '^127\.0\.0\.1:[0-9]+$'
    alive "$(pid_of a)"
    expect 0 "vyNetProbe: server $server answers (vyEmulator $version)" vyPingSrv /v /s "$server"
}
@test "a second start in the folder is refused, the first emulator answers on" {
    same "status 2

emulator.sh: $dir/a already holds a running emulator (process $(pid_of a)); stop it first" "$(helper_run start "$dir/a" "$jar" --in-memory)"
    expect 0 "" vyPingSrv /s "$(cat "$dir/a/server")"
}
@test "stop: the emulator has ended, its files are gone" {
    local server pid
    server=$(cat "$dir/a/server") pid=$(pid_of a)
    same "status 0
vyEmulator: stopped $server" "$(helper_run stop "$dir/a")"
    not_alive "$pid"
    nothing_in "$dir/a"
    expect 70 "" vyPingSrv /s "$server"
}
@test "stop with nothing started" { same "status 0" "$(helper_run stop "$dir/a")"; }

@test "a state file the emulator refuses: its status, nothing kept" {
    echo "no such keyword" > "$dir/bad.state"
    run helper_run start "$dir/b" "$jar" --state "$dir/bad.state"
    assert_line --index 0 "status 82"
    nothing_in "$dir/b"
}
@test "an emulator that ended by itself: stop says that nothing answers" {
    local server
    server=$(bash "$emulator_sh" start "$dir/c" "$jar" --in-memory --stop-after 5 3>&-)
    kill -KILL "$(pid_of c)"
    same "status 70

vyEmulator: nothing answers at $server" "$(helper_run stop "$dir/c")"
    nothing_in "$dir/c"
}
@test "an emulator that cannot answer (stopped by a signal) is ended" {
    local server pid
    server=$(bash "$emulator_sh" start "$dir/d" "$jar" --in-memory --stop-after 5 3>&-)
    pid=$(pid_of d)
    kill -STOP "$pid"
    same "status 1

vyEmulator: $server accepts connections but does not answer within 3 seconds
emulator.sh: the emulator (process $pid) did not stop when asked; ending it" "$(helper_run stop "$dir/d")"
    not_alive "$pid"
    nothing_in "$dir/d"
}
@test "a port file the emulator did not write: nothing is sent, the emulator is ended" {
    local server pid
    server=$(bash "$emulator_sh" start "$dir/e" "$jar" --in-memory --stop-after 5 3>&-)
    pid=$(pid_of e)
    echo "127.1:${server##*:}" > "$dir/e/server"
    run helper_run stop "$dir/e"
    assert_line --index 0 "status 1"
    assert_output --partial "vyEmulator: port file $dir/e/server does not hold the line ADDRESS:PORT the emulator writes there (as 127.0.0.1:7530); nothing is sent"
    refute_output --partial "127.1:${server##*:}"
    assert_output --regexp 'ending it$'
    not_alive "$pid"
    nothing_in "$dir/e"
}
