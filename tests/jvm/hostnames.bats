#!/usr/bin/env bats
# A host name with a blank, passed whole by the launcher, through the
# emulator's lanectl (VY_HOST) and the class to the emulator and back; a
# disk whose serial the server does not know.
load common
setup_file() { shared_setup; }

@test "vySeedHost: a host named \"two words\"" {
    VY_HOST="two words" expect 0 "vySeedHost: two words sees Disk2 as volume 02B12028
vySeedHost: host two words registered with 1 volumes" vySeedHost /u admin /p secret /s "$server" /d "two words"
}
@test "vyshell show host: \"two words\" as registered" {
    VY_HOST="two words" expect 0 "host: two words
volume: Disk2 02B12028" vyshell -s "$server" -u admin -p secret show host "two words"
}
@test "vySeedHost: a disk the server does not know; the known one is still registered" {
    VY_HOST=stranger-host expect 78 "vySeedHost: stranger-host sees Disk2 as volume 02B12028
vySeedHost: Disk9 (serial 09B12028) is not a volume of this server
vySeedHost: host stranger-host registered with 1 volumes" vySeedHost /u admin /p secret /s "$server" /d stranger-host
}
