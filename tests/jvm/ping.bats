#!/usr/bin/env bats
# vyPingSrv against the emulator and a server that is down; a server name
# the probe refuses.
load common
setup_file() { shared_setup; }

@test "vyPingSrv: the emulator answers, nothing printed" { expect 0 "" vyPingSrv /s "$server"; }
@test "vyPingSrv /v: the emulator's version" {
    expect 0 "vyNetProbe: server $server answers (vyEmulator $version)" vyPingSrv /v /s "$server"
}
@test "vyPingSrv /v: a server that is down" { expect 70 "vyNetProbe: server $down does not answer" vyPingSrv /v /s "$down"; }
@test "vyRunJob: a short form of 127.0.0.1 is refused by the probe, nothing reaches the emulator" {
    expect 41 "vyNetProbe: bad server name 127.1:${server##*:}: an IPv4 address is four decimal numbers 0 to 255 without leading zeros, as in 127.0.0.1, and a host name does not end in a number
vyRunJob: The primary server is down and there is no backup server specified. The task is not completed." \
        vyRunJob /u admin /p secret /s "127.1:${server##*:}" quick
}
