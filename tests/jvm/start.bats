#!/usr/bin/env bats
# The shared emulator, started on a free port with tests/jvm/test.state for
# the groups that follow (the CTest fixture's setup).
load common

teardown_file() { :; }
setup() { :; }

@test "the shared emulator starts" {
    # An emulator that an interrupted run left behind goes first.
    bash "$emulator_sh" stop "$work" >/dev/null 2>&1 || true
    remove_install
    rm -rf "$work"
    mkdir -p "$work"
    local private
    private=$(mktemp -d /tmp/vy-jvm.XXXXXX)
    run bash "$BATS_TEST_DIRNAME/../../scripts/java-install.sh" "$private/install" "$javadir" "$VY_JVM_JDK_BIN"
    assert_success
    echo "$private/install" > "$work/install"
    cp "$BATS_TEST_DIRNAME/test.state" "$work/emulator.state"
    run start_emulator "$work"
    assert_success
    assert_output --regexp '^127\.0\.0\.1:[0-9]+$'
}
