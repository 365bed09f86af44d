#!/usr/bin/env bats
# The TGZ: its files; its programs and a page used from where they lie.
load common

tgz=$packages/vy-command-line-$version-$linux_arch.tar.gz
top=$work/tgz/vy-command-line-$version-$linux_arch

setup_file() {
    packages_made
    mkdir -p "$work/tgz"
    tar -xzf "$tgz" -C "$work/tgz"
}

@test "TGZ contents" {
    same "$( (linux_files; if emulator_built linux-release; then emulator_files_linux; fi) |
        sed "s|^|vy-command-line-$version-$linux_arch/|" | sort)" \
        "$(tar -tzf "$tgz" | grep -v '/$' | sort)"
}

@test "TGZ: vyPingSrv with the sample CLI.CFG" { vyPingSrv_with_sample "$top"; }
@test "TGZ: the sample's settings" { sample_settings "$top"; }
@test "TGZ: vyRunJob without arguments" { vyRunJob_without_arguments "$top"; }
@test "TGZ: vyShowLuns -z without the multipath tool or a drive" { vyShowLuns_without_tool "$top"; }

@test "TGZ: man -l shows the page" {
    same "$expected_page" \
        "$(MANPAGER=cat MANWIDTH=80 man -l "$top/share/man/man1/vyRunJob.1.gz" 2>/dev/null | page_lines)"
}
