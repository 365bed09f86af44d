#!/usr/bin/env bats
# The shared emulator, started on a free port with tests/jvm/test.state for
# the groups that follow (the CTest fixture's setup).
load common

teardown_file() { :; }
setup() { :; }

@test "the shared emulator starts" {
    # An emulator that an interrupted run left behind goes first.
    bash "$emulator_sh" stop "$work" >/dev/null 2>&1 || true
    rm -rf "$work"
    mkdir -p "$work"
    cp "$BATS_TEST_DIRNAME/test.state" "$work/emulator.state"
    run start_emulator "$work"
    assert_success
    assert_output --regexp '^127\.0\.0\.1:[0-9]+$'
}
