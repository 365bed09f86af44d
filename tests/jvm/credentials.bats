#!/usr/bin/env bats
# The class reads the security file itself; its path holds a blank.
load common
setup_file() {
    shared_setup
    mkdir "$dir/sec dir"
}

@test "vyRunJob /a: a wrong password" {
    echo "admin wrong" > "sec dir/sec file.txt"
    expect 72 "vyRunJob: user admin is not known or the password is wrong" vyRunJob /a "sec dir/sec file.txt" /s "$server" quick
}
@test "vyRunJob /a: another user, a task the server does not know" {
    echo "operator op-pass" > "sec dir/sec file.txt"
    expect 74 "vyRunJob: task nosuch is not known to the server" vyRunJob /a "sec dir/sec file.txt" /s "$server" nosuch
}
@test "vyRunJob: no user name and password given" {
    expect 72 "vyRunJob: no user name and password given" vyRunJob /s "$server" quick
}
@test "vyRunJob /a: a vertical tab separates the words for the launcher and the class alike" {
    printf 'admin\vsecret\n' > "sec dir/sec file.txt"
    expect 0 "vyRunJob: task separated started" vyRunJob /a "sec dir/sec file.txt" /s "$server" separated
}
