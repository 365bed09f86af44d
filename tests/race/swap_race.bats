#!/usr/bin/env bats
# The files that vyShowLuns and vySeedHost hand to a child, raced by another
# user: runs as root in a folder that user (nobody) owns, while the swapper
# puts a link in place of every entry that appears there or in the
# temporary folder. None may succeed: the root-owned victim stays as it
# was, nothing lands in the attacker's folder, and no class reads the
# attacker's volume file.
#
# Given by the CTest test: VY_BIN (the programs), VY_DOUBLES (the fake java
# and lanectl), VY_SWAPPER. Each test works in a fresh folder under /tmp,
# the doubles linked there, so that CLI.CFG's lines and INSTALL are as long
# wherever the build is. The
# CTest wrapper skips (77) unless run as root with setpriv.

RUNS=${VY_RACE_RUNS:-200}
BUDGET=${VY_RACE_SECONDS:-120}   # seconds for all the runs of one test
NOBODY=65534

setup() {
    W=$(mktemp -d /tmp/vy-race.XXXXXX)
    chmod 0755 "$W"
    ln -s "$VY_DOUBLES" "$W/doubles"
    mkdir "$W/race" "$W/evil" "$W/tmp" "$W/secret" "$W/inst"
    chown $NOBODY:$NOBODY "$W/race" "$W/evil"
    chmod 0755 "$W/race"
    chmod 0777 "$W/evil"
    chmod 1777 "$W/tmp"
    chmod 0700 "$W/secret"
    printf 'untouched\n' > "$W/secret/victim"
    printf -- '-l DiskEvil -r 04B12028 \n' > "$W/evil/volumes"
    chown $NOBODY:$NOBODY "$W/evil/volumes"
    printf 'JAVA_INSTALL=%s/\nJAVA_CLASSPATH=lib.jar\n' "$W/doubles" > "$W/inst/CLI.CFG"
    cat > "$W/report.txt" <<'EOF'
Total Devices : 1

DEV#:   0  DEVICE NAME: Disk2 Part0  TYPE: 7315E20  SERIAL: 02B12028
============================================================================
Path#          Adapter/Hard Disk          State  Mode     Select     Errors
    0    Scsi Port5 Bus0/Disk2 Part0     OPEN    NORMAL       3          0
EOF
    export INSTALL=$W/inst INSTALLLNB=$W/doubles FAKELANECTL_REPORT=$W/report.txt
    export FAKEJAVA_LOG=$W/java.log TMPDIR=$W/tmp
}

teardown() {
    touch "$W/race/.stop" 2>/dev/null || true
    [ -z "${SWAPPER_PID:-}" ] || wait "$SWAPPER_PID" 2>/dev/null || true
    rm -rf "$W"
}

start_swapper() {
    setpriv --reuid=$NOBODY --regid=$NOBODY --clear-groups \
        "$VY_SWAPPER" $((BUDGET + 10)) "$1" "$W/evil" "$W/race" "$W/tmp" > "$W/swaps" &
    SWAPPER_PID=$!
}

# Runs the program RUNS times in the race folder, each bounded in time;
# fails when the budget ends first.
race() {
    local start=$SECONDS i
    cd "$W/race"
    for ((i = 1; i <= RUNS; i++)); do
        if ((SECONDS - start > BUDGET)); then
            echo "only $((i - 1)) runs in $BUDGET seconds"
            return 1
        fi
        timeout 20 "$VY_BIN/$@" > "$W/out" 2>&1 || true
    done
    cd "$W"
    touch "$W/race/.stop"
    wait "$SWAPPER_PID"
    SWAPPER_PID=
    echo "runs: $RUNS, $(cat "$W/swaps")"
}

# What the attacker must never achieve.
assert_no_success() {
    [ "$(cat "$W/secret/victim")" = untouched ] || { echo "the victim was written"; return 1; }
    local landed
    landed=$(ls -A "$W/evil")
    [ "$landed" = volumes ] || { echo "landed in the attacker's folder: $landed"; return 1; }
    ! grep -q DiskEvil "$W/java.log" 2>/dev/null || { echo "a class read the attacker's volume file"; return 1; }
}

@test "vyShowLuns: no report is written through a swapped link" {
    start_swapper "$W/secret/victim"
    race vyShowLuns
    assert_no_success
}

@test "vySeedHost: no class reads a swapped volume file, no report is written through a link" {
    start_swapper "$W/evil/volumes"
    race vySeedHost /s srv1
    assert_no_success
    # The runs did their work: the class got the host's volume each time.
    [ "$(grep -c '^volume file: -l Disk2 -r 02B12028 $' "$W/java.log")" -eq "$RUNS" ]
}
