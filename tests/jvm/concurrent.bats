#!/usr/bin/env bats
# Eight runs at once, each starting a task of its own, then eight that all
# try to start one task: exactly one may start it.
load common
setup_file() { shared_setup; }

# run_to FILE TASK: vyRunJob starts TASK; its output, then its status, in FILE.
run_to() {
    local status=0
    timeout 120 "$bin/vyRunJob" /u admin /p secret /s "$server" "$2" >"$1" 2>&1 || status=$?
    echo "$status" >>"$1"
}

@test "eight runs at once, a task each" {
    local i
    for i in 1 2 3 4 5 6 7 8; do
        run_to "own-$i.txt" "c$i" &
    done
    wait
    same "$(for i in 1 2 3 4 5 6 7 8; do printf 'vyRunJob: task c%s started\n0\n' "$i"; done)" \
        "$(for i in 1 2 3 4 5 6 7 8; do cat "own-$i.txt"; done)"
}
@test "eight runs at once on one task: one starts it, seven are refused" {
    local i
    for i in 1 2 3 4 5 6 7 8; do
        run_to "race-$i.txt" race &
    done
    wait
    same "1 started, 7 refused" \
        "$(cat race-*.txt | tr '\n' ' ' | grep -o 'vyRunJob: task race started 0' | wc -l) started, $(
            cat race-*.txt | tr '\n' ' ' | grep -o 'vyRunJob: task race is already running 75' | wc -l) refused"
}
