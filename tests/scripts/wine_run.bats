#!/usr/bin/env bats
# cmake/wine-run.sh's second start: only of a Wine that ended at once with
# a status and no word, and said where the second start passed. A stand-in
# wine64 on PATH plays each run from a script of outcomes. CTest names in
# the environment:
#   VY_WINE_RUN  cmake/wine-run.sh
bats_load_library bats-support
bats_load_library bats-assert

setup() {
    work=$BATS_TEST_TMPDIR
    mkdir "$work/bin"
    # Each start takes the next line of $work/outcomes: "silent N" ends
    # with N and says nothing, "says N" prints its arguments and ends with N.
    cat >"$work/bin/wine64" <<'WINE'
#!/bin/sh
read -r kind code <"$WORK/outcomes"
sed -i 1d "$WORK/outcomes"
echo start >>"$WORK/starts"
[ "$kind" = silent ] || echo "ran $*"
exit "$code"
WINE
    chmod +x "$work/bin/wine64"
    export WORK=$work PATH="$work/bin:$PATH" VY_WINE_RETRIES="$work/retries.txt" WINEPREFIX="$work/prefix"
}

play() { printf '%s\n' "$@" >"$work/outcomes"; }
starts() { [ -e "$work/starts" ] && wc -l <"$work/starts" || echo 0; }

@test "a silent failed start is started once more and named when the second passes" {
    play "silent 5" "says 0"
    run sh "$VY_WINE_RUN" /x/e2e_runner.exe /y/some.case
    assert_success
    assert_output "wine-run.sh: Wine ended with 5 before the program said anything; the second start passed
ran /x/e2e_runner.exe /y/some.case"
    assert_equal "$(starts)" 2
    assert_equal "$(cat "$work/retries.txt")" \
        "e2e_runner.exe some.case: Wine ended with 5 before the program said anything; the second start passed"
}

@test "two silent failed starts fail with the second's status, named nowhere" {
    play "silent 5" "silent 7"
    run sh "$VY_WINE_RUN" /x/e2e_runner.exe /y/some.case
    assert_failure 7
    assert_output ""
    assert_equal "$(starts)" 2
    [ ! -e "$work/retries.txt" ]
}

@test "a failure with output and a pass are run once" {
    play "says 3"
    run sh "$VY_WINE_RUN" /x/unit_tests.exe
    assert_failure 3
    assert_output "ran /x/unit_tests.exe"
    play "says 0"
    run sh "$VY_WINE_RUN" /x/unit_tests.exe
    assert_success
    assert_equal "$(starts)" 2
    [ ! -e "$work/retries.txt" ]
}
