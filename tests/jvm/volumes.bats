#!/usr/bin/env bats
# The host's volumes through the emulator's lanectl: vyShowLuns, vyProbeVol
# /m, vySeedHost, and the general client's list of what it registered.
load common
setup_file() { shared_setup; }

@test "vyShowLuns" {
    expect 0 " Vpath    Serial    Volume Names
-------  --------  --------------
Disk2    02B12028  Disk2  Disk2$(printf '%24s' '')
Disk3    03B12028  Disk3  Disk3$(printf '%24s' '')" vyShowLuns
}
# /m maps the host's disk names to serials; a serial passes unchanged.
@test "vyProbeVol /m: names, a serial and a disk the server does not know" {
    expect 78 "vyProbeVol: 02B12028 is volume payroll, serial 02B12028
vyProbeVol: 04B12028 is volume archive, serial 04B12028
vyProbeVol: Disk9 is not a volume of this server" \
        vyProbeVol /u admin /p secret /m /q disk2 /q 04B12028 /q Disk9 /s "$server"
}
@test "vySeedHost registers the host's volumes and leaves no file" {
    expect 0 "vySeedHost: jvm-host sees Disk2 as volume 02B12028
vySeedHost: jvm-host sees Disk3 as volume 03B12028
vySeedHost: host jvm-host registered with 2 volumes" vySeedHost /u admin /p secret /s "$server" /d jvm-host
    same "" "$(ls "$dir" | grep -v stderr.txt)"
}
@test "vyshell list hosts: what vySeedHost registered" {
    expect 0 "HOST      DISK   SERIAL
jvm-host  Disk2  02B12028
jvm-host  Disk3  03B12028" vyshell -s "$server" -u admin -p secret list hosts
}
