#!/usr/bin/env bats
# A primary server that is down, with and without a backup that answers.
load common
setup_file() { shared_setup; }

@test "vyRunJob /v: the task runs off the backup server" {
    expect 0 "vyRunJob: The primary server is down, trying the specified backup server...
vyRunJob: The task will be run off the backup server.
vyRunJob: connected to $server as admin
vyRunJob: task failover started
vyRunJob: task failover copies 02B12028 to 03B12028 in 600 seconds" \
        vyRunJob /v /u admin /p secret /s "$down" /b "$server" failover
}
@test "vyRunJob: the task started there is already running" {
    expect 75 "vyRunJob: task failover is already running" vyRunJob /u admin /p secret /s "$server" failover
}
@test "vyRunJob: the primary server down and no backup" {
    expect 41 "vyRunJob: The primary server is down and there is no backup server specified. The task is not completed." \
        vyRunJob /u admin /p secret /s "$down" failover
}
