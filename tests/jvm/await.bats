#!/usr/bin/env bats
# vyAwaitJob: tasks that complete, fail, time out, and one the server does
# not know.
load common
setup_file() { shared_setup; }

@test "vyRunJob starts three tasks" {
    expect 0 "vyRunJob: task quick started
vyRunJob: task broken started
vyRunJob: task slow started" vyRunJob /u admin /p secret /s "$server" quick broken slow
}
# quick completes within its second, broken fails after its own.
@test "vyAwaitJob: a task completes" {
    expect 0 "vyAwaitJob: task quick is complete (100%)" vyAwaitJob /u admin /p secret /m 1 /s "$server" quick
}
@test "vyAwaitJob: a task fails" {
    expect 77 "vyAwaitJob: task quick is complete (100%)
vyAwaitJob: task broken failed" vyAwaitJob /u admin /p secret /m 1 /t 100 /s "$server" quick broken
}
@test "vyAwaitJob: three seconds are not enough for ten minutes of copying" {
    local start=$SECONDS
    expect 76 "vyAwaitJob: task slow is not complete (0%)" vyAwaitJob /u admin /p secret /m 0.05 /s "$server" slow
    local elapsed=$((SECONDS - start))
    [ "$elapsed" -ge 2 ] && [ "$elapsed" -le 30 ] || { echo "awaiting 0.05 minutes took $elapsed seconds"; return 1; }
}
@test "vyAwaitJob: a task the server does not know" {
    expect 74 "vyAwaitJob: task nosuch is not known to the server" vyAwaitJob /u admin /p secret /m 1 /s "$server" quick nosuch
}
