#!/usr/bin/env bats
# The ZIP of windows-x86: its files, line ends, and each program's machine
# and version resource.
arch=x86
load common
load zip

@test "ZIP windows-x86 contents" { zip_contents; }
@test "windows-x86: the sample CLI.CFG has CR LF line ends" { zip_sample_line_ends; }
@test "windows-x86: every program's machine" { zip_machines; }
@test "windows-x86: every program's version resource" { zip_version_resources; }
