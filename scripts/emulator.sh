#!/usr/bin/env bash
# Starts and stops a storage-server emulator that belongs to a folder of its
# own, so that a script or a test leaves nothing running:
#
#   emulator.sh start WORK EMULATOR [OPTION...]
#   emulator.sh stop WORK
#
# start runs "EMULATOR start --port 0 --port-file WORK/server --stop-after 30
# OPTION..." and prints the address it listens on (127.0.0.1:PORT).
# EMULATOR is vyEmulator.jar (run with the first java on the PATH) or a
# vyEmulator command. The emulator takes a later option in the place of an
# earlier one: OPTION may name another --port or --stop-after (the emulator
# stops by itself after that many minutes should nothing stop it), and gives
# --state FILE or --in-memory and --log FILE; --port-file is this script's.
# WORK also keeps the emulator's process number and the command that stops it.
#
# stop asks the emulator to stop, by the port file. An emulator that does not
# stop when asked is ended by its process number. Once nothing runs, the
# files start wrote are removed; a WORK in which nothing was started is left
# as it is.
#
# Each wait is bounded: a minute for the emulator's start and stop commands,
# 15 seconds for a process that is ended.
#
# Exit status: 0 started or stopped (or nothing to stop); 2 wrong arguments,
# or WORK already holds a running emulator; 1 the emulator did not stop when
# asked and had to be ended; otherwise the status of the emulator's start or
# stop command (70 nothing answers at the port file's address, 82 a bad state
# file, 83 the emulator did not come up, 84 it accepts but does not answer,
# 85 the port file does not hold what the emulator writes there: start ends
# the emulator it started, stop sends nothing and ends it by its process
# number, with 1).
set -uo pipefail

usage() {
    echo "usage: emulator.sh start WORK EMULATOR [OPTION...] | emulator.sh stop WORK" >&2
    exit 2
}
[ $# -ge 2 ] && [ -n "$2" ] || usage
action=$1 work=${2%/}
[ -n "$work" ] || work=/
command_file=$work/emulator.command
pid_file=$work/emulator.pid
port_file=$work/server

# emulator ARGS...: the recorded emulator with ARGS, bounded to a minute.
emulator() {
    local program
    program=$(cat "$command_file") || return 2
    case $program in
    *.jar) timeout 60 java -jar "$program" "$@" ;;
    *) timeout 60 "$program" "$@" ;;
    esac
}

# Whether the recorded process is still an emulator: a process number that
# was given to another program since is left alone.
running() {
    local pid
    pid=$(cat "$pid_file" 2>/dev/null) || return 1
    [[ $pid =~ ^[0-9]+$ ]] || return 1
    ps -o args= -p "$pid" 2>/dev/null | grep -q vyEmulator
}

# await_end SECONDS: true once the recorded process has ended.
await_end() {
    local i
    for ((i = 0; i < $1 * 10; i++)); do
        running || return 0
        sleep 0.1
    done
    ! running
}

forget() {
    rm -f "$port_file" "$pid_file" "$command_file"
}

case $action in
start)
    [ $# -ge 3 ] && [ -n "$3" ] || usage
    program=$3
    shift 3
    if running; then
        echo "emulator.sh: $work already holds a running emulator (process $(cat "$pid_file")); stop it first" >&2
        exit 2
    fi
    case $program in
    /*) ;;
    *) program=$PWD/$program ;;
    esac
    [ -f "$program" ] || { echo "emulator.sh: $program is not there" >&2; exit 2; }
    mkdir -p "$work" || exit 2
    forget
    printf '%s\n' "$program" > "$command_file" || exit 2
    output=$(emulator start --port 0 --port-file "$port_file" --stop-after 30 "$@")
    status=$?
    pid=$(printf '%s\n' "$output" | sed -n 's/^vyEmulator: listening on .* (process \([0-9]*\))$/\1/p')
    [ -n "$pid" ] && printf '%s\n' "$pid" > "$pid_file"
    if [ "$status" -ne 0 ]; then
        [ -n "$output" ] && printf '%s\n' "$output" >&2
        # The emulator ends what it started when it fails; a start that was
        # itself cut short may leave its emulator running.
        if running; then
            kill "$(cat "$pid_file")" 2>/dev/null
            await_end 15 || kill -KILL "$(cat "$pid_file")" 2>/dev/null
        fi
        forget
        exit "$status"
    fi
    server=$(cat "$port_file" 2>/dev/null)
    if [ -z "$server" ]; then
        echo "emulator.sh: the emulator wrote no address to $port_file" >&2
        "$0" stop "$work" >/dev/null
        exit 83
    fi
    # The emulator writes its address in numbers and its port, one line:
    # anything else is not its file, and is neither printed nor used.
    if ! [[ $server =~ ^(([0-9]{1,3}\.){3}[0-9]{1,3}|\[[0-9A-Fa-f:.]+\]):[1-9][0-9]{0,4}$ ]] ||
        [ "$(wc -l < "$port_file")" != 1 ]; then
        echo "emulator.sh: $port_file does not hold the line ADDRESS:PORT the emulator writes there" >&2
        "$0" stop "$work" >/dev/null 2>&1
        exit 85
    fi
    printf '%s\n' "$server"
    ;;
stop)
    [ $# -eq 2 ] || usage
    [ -f "$command_file" ] || exit 0
    emulator stop --port-file "$port_file"
    status=$?
    # A stop that succeeded has waited for the process already; a bounded
    # wait more covers a slow exit.
    if { [ "$status" -eq 0 ] && await_end 15; } || ! running; then
        forget
        exit "$status"
    fi
    pid=$(cat "$pid_file")
    echo "emulator.sh: the emulator (process $pid) did not stop when asked; ending it" >&2
    # A stopped process (SIGSTOP, a debugger let go) takes the signal once
    # it continues.
    kill -TERM "$pid" 2>/dev/null
    kill -CONT "$pid" 2>/dev/null
    if ! await_end 15; then
        kill -KILL "$pid" 2>/dev/null
        await_end 15 || { echo "emulator.sh: process $pid does not end" >&2; exit 1; }
    fi
    forget
    exit 1
    ;;
*)
    usage
    ;;
esac
