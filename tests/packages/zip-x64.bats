#!/usr/bin/env bats
# The ZIP of windows-x64: its files, line ends, and each program's machine
# and version resource.
arch=x64
load common
load zip

@test "ZIP windows-x64 contents" { zip_contents; }
@test "windows-x64: the sample CLI.CFG has CR LF line ends" { zip_sample_line_ends; }
@test "windows-x64: every program's machine" { zip_machines; }
@test "windows-x64: every program's version resource" { zip_version_resources; }
