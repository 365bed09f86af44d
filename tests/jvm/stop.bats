#!/usr/bin/env bats
# The shared emulator stopped (the CTest fixture's clean-up), and its log:
# every request of the tests, and never a password (those of test.state and
# the wrong one of the credentials group).
load common

teardown_file() { :; }
setup() { :; }

@test "the shared emulator stops" {
    remove_install
    stop_emulator "$work"
}

@test "the emulator logged the groups' requests" {
    assert_file_exists "$work/emulator.state.log"
    grep -q '^POST /tasks/quick/run 200 admin$' "$work/emulator.state.log"
}

@test "no password in the emulator's log" {
    run grep -n -e secret -e op-pass -e wrong "$work/emulator.state.log"
    assert_failure 1
}
