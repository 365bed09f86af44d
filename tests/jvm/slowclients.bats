#!/usr/bin/env bats
# An emulator of the group's own, held by 20 requests that never end (10 cut
# in the head, 10 in the body) and 20 connections that send nothing: it
# still answers at once, runs a task for a launcher and stops when told.
load common
setup_file() {
    group_setup
    cp "$BATS_TEST_DIRNAME/test.state" "$dir/emulator.state"
}

@test "held by 40 connections, it answers /ping within a second, runs a task and stops when told" {
    local server port i fd reply got status=0
    server=$(start_emulator "$dir")
    port=${server##*:}
    local held=()
    for i in 1 2 3 4 5 6 7 8 9 10; do
        exec {fd}<>"/dev/tcp/127.0.0.1/$port"
        printf 'GET /ping HTTP/1.1\r\nHost: x\r\n' >&"$fd"
        held+=("$fd")
        exec {fd}<>"/dev/tcp/127.0.0.1/$port"
        # admin:secret
        printf 'PUT /hosts/h HTTP/1.1\r\nHost: x\r\nAuthorization: Basic YWRtaW46c2VjcmV0\r\nContent-Length: 100\r\n\r\nDisk2' >&"$fd"
        held+=("$fd")
    done
    for i in $(seq 20); do
        exec {fd}<>"/dev/tcp/127.0.0.1/$port"
        held+=("$fd")
    done
    sleep 1
    exec {fd}<>"/dev/tcp/127.0.0.1/$port"
    printf 'GET /ping HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n' >&"$fd"
    reply=$(timeout 1 cat <&"$fd" | head -n 1 | tr -d '\r')
    exec {fd}>&-
    same "HTTP/1.1 200 OK" "$reply"
    VY_EMULATOR=$server expect 0 "vyRunJob: task quick started" vyRunJob /u admin /p secret /s "$server" quick
    got=$(timeout 60 "${emulator[@]}" stop --port-file "$dir/server" 2>&1) || status=$?
    same "status 0 vyEmulator: stopped $server" "status $status $got"
    for fd in "${held[@]}"; do exec {fd}>&-; done
    expect 70 "" vyPingSrv /s "$server"
}

@test "stopped, a second stop finds nothing answering" {
    local server got status=0
    server=$(cat "$dir/server")
    got=$(timeout 60 "${emulator[@]}" stop --port-file "$dir/server" 2>&1) || status=$?
    same "status 70 vyEmulator: nothing answers at $server" "status $status $got"
}
