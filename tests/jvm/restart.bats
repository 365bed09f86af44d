#!/usr/bin/env bats
# An emulator of the group's own: what vySeedHost registered and the tasks
# started survive a stop and a new start on another port.
load common
setup_file() {
    group_setup
    cp "$BATS_TEST_DIRNAME/test.state" "$dir/emulator.state"
    echo "admin secret" > "$dir/sec.txt"
}
own() { cat "$dir/server"; }

@test "an emulator of its own starts" { start_emulator "$dir"; }
@test "vySeedHost registers a host" {
    VY_EMULATOR=$(own) VY_HOST=restart-host expect 0 "vySeedHost: restart-host sees Disk7 as volume 04B12028
vySeedHost: host restart-host registered with 1 volumes" vySeedHost /u admin /p secret /s "$(own)" /d restart-host
}
@test "vyRunJob starts a task" {
    VY_EMULATOR=$(own) expect 0 "vyRunJob: task slow started" vyRunJob /u admin /p secret /s "$(own)" slow
}
@test "vySeedHost registers \"two words\"" {
    VY_EMULATOR=$(own) VY_HOST="two words" expect 0 "vySeedHost: two words sees Disk2 as volume 02B12028
vySeedHost: host two words registered with 1 volumes" vySeedHost /u admin /p secret /s "$(own)" /d "two words"
}
@test "stopped, it answers no more" {
    local old
    old=$(own)
    stop_emulator "$dir"
    expect 70 "" vyPingSrv /s "$old"
}
@test "started again, it holds the hosts registered" {
    start_emulator "$dir"
    expect 0 "HOST          DISK   SERIAL
restart-host  Disk7  04B12028
two words     Disk2  02B12028" vyshell -s "$(own)" -a sec.txt list hosts
}
@test "started again, it holds the task started" {
    expect 0 "task: slow
state: running
progress: 0%
source: 04B12028
target: 05B12028
seconds: 36000
outcome: complete" vyshell -s "$(own)" -a sec.txt show task slow
}
@test "no temporary file of the state is left, and it stops" {
    same "" "$(ls "$dir" | grep '\.tmp$' || true)"
    stop_emulator "$dir"
}
