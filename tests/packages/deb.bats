#!/usr/bin/env bats
# The DEB: its fields, dependencies and files; its programs and a page used
# from where they lie; lintian.
load common

setup_file() {
    packages_made
    dpkg-deb -x "$deb" "$work/deb"
}

@test "DEB fields" {
    same "Package: vy-command-line
Version: $version
Architecture: $(dpkg --print-architecture)
Section: admin
Priority: optional" \
        "$(dpkg-deb -f "$deb" Package Version Architecture Section Priority)"
}

@test "DEB depends on the C library alone (the C++ runtime is linked in)" {
    same "libc6" "$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/ *(.*//; s/^ *//' | sort | xargs)"
}

@test "DEB contents" {
    same "$(linux_files | sed 's|^|./usr/|' | sort)" \
        "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)"
}

@test "DEB: vyPingSrv with the sample CLI.CFG" { vyPingSrv_with_sample "$work/deb/usr"; }
@test "DEB: the sample's settings" { sample_settings "$work/deb/usr"; }
@test "DEB: vyRunJob without arguments" { vyRunJob_without_arguments "$work/deb/usr"; }
@test "DEB: vyShowLuns -z without the multipath tool or a drive" { vyShowLuns_without_tool "$work/deb/usr"; }

@test "DEB: man finds the page by name" {
    same "$expected_page" \
        "$(MANPATH="$work/deb/usr/share/man" MANPAGER=cat MANWIDTH=80 man vyRunJob 2>/dev/null | page_lines)"
}

@test "lintian finds no error in the DEB" {
    same 0 "$(lintian_status "$deb")"
}
