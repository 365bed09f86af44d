#!/usr/bin/env bats
# The packaged launchers against the packaged emulator: an installation made
# of the emulator DEB's client archives and a CLI.CFG naming this machine's
# Java, an emulator with its sample state on a free loopback port (it stops
# by itself after 5 minutes should the clean-up not stop it). It is started
# and stopped through the package's vyEmulator command, as a user would.
load common

emu=$work/deb/usr/share/vy-command-line/emulator

setup_file() {
    packages_made
    emulator_built linux-release || return 0
    dpkg-deb -x "$deb" "$work/deb"
    dpkg-deb -x "$emulator_deb" "$work/deb"
    bash scripts/java-install.sh "$work/emu-install" "$emu" "$(dirname "$(readlink -f "$(command -v java)")")"
}
setup() { emulator_or_skip; }

# with_emulator PROGRAM ARGS...: a packaged launcher against the emulator;
# its output, then "status N".
with_emulator() {
    local server
    server=$(cat "$work/emulator/server")
    (cd "$work" && INSTALL="$work/emu-install" INSTALLLNB="$emu/lanebinder" VY_EMULATOR="$server" \
        VY_HOST=demo-host timeout 120 "$work/deb/usr/bin/$1" "${@:2}"; echo "status $?")
}

@test "emulator: vyEmulator start" {
    same "status 0" "$(bash scripts/emulator.sh start "$work/emulator" "$work/deb/usr/bin/vyEmulator" \
        --in-memory --stop-after 5 --log "$work/emulator.log" >/dev/null 3>&-; echo "status $?")"
}

@test "emulator: vyPingSrv /v reports the emulator's version" {
    local server
    server=$(cat "$work/emulator/server")
    same "vyNetProbe: server $server answers (vyEmulator $version)
status 0" "$(with_emulator vyPingSrv /v /s "$server")"
}

@test "emulator: vyRunJob starts a task" {
    same "vyRunJob: task nightly started
status 0" "$(with_emulator vyRunJob /u admin /p secret /s "$(cat "$work/emulator/server")" nightly)"
}

@test "emulator: vyShowLuns through the packaged lanectl" {
    same " Vpath    Serial    Volume Names
-------  --------  --------------
Disk2    02B12028  Disk2  Disk2$(printf '%24s' '')
Disk3    03B12028  Disk3  Disk3$(printf '%24s' '')
Disk4    04B12028  Disk4  Disk4$(printf '%24s' '')
status 0" "$(with_emulator vyShowLuns)"
}

@test "emulator: vyEmulator stop" {
    local server
    server=$(cat "$work/emulator/server")
    same "vyEmulator: stopped $server
status 0" "$(bash scripts/emulator.sh stop "$work/emulator"; echo "status $?")"
}
