#!/usr/bin/env bats
# The emulator's DEB: its fields, files, lintian, its page.
load common

setup_file() {
    packages_made
    if emulator_built linux-release; then dpkg-deb -x "$emulator_deb" "$work/deb"; fi
}
setup() { emulator_or_skip; }

@test "emulator DEB fields" {
    same "Package: vy-command-line-emulator
Version: $version
Architecture: all" "$(dpkg-deb -f "$emulator_deb" Package Version Architecture)"
}

@test "emulator DEB contents" {
    same "$(emulator_files_linux | sed 's|^|./usr/|' | sort)" \
        "$(dpkg-deb -c "$emulator_deb" | awk '$1 !~ /^d/ {print $6}' | sort)"
}

@test "lintian finds no error in the emulator DEB" {
    same 0 "$(lintian_status "$emulator_deb")"
}

@test "emulator: man finds vyEmulator's page" {
    same "vyEmulator - a storage-server emulator for trying scripts of the vy programs" \
        "$(MANPATH="$work/deb/usr/share/man" MANPAGER=cat MANWIDTH=100 man vyEmulator 2>/dev/null | col -bx |
            grep -E '^ +vyEmulator - ' | sed 's/^ *//')"
}
