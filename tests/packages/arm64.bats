#!/usr/bin/env bats
# The arm64 DEB and the aarch64 TGZ in build/packages (scripts/package.sh),
# checked from the outside: the DEB's fields and dependency, the files of
# both against the amd64 DEB's (whose list deb.bats checks), every
# program an AArch64 executable, lintian, and the programs of the unpacked
# DEB run under qemu-user.
#   bats tests/packages/arm64.bats

bats_load_library bats-support
bats_load_library bats-assert

setup_file() {
    cd "$BATS_TEST_DIRNAME/../.."
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/linux-aarch64/CMakeCache.txt)
    export REPO=$PWD VERSION=$version
    export DEB=$PWD/build/packages/vy-command-line_${version}_arm64.deb
    export NATIVE_DEB=$PWD/build/packages/vy-command-line_${version}_$(dpkg --print-architecture).deb
    export TGZ=$PWD/build/packages/vy-command-line-$version-linux-aarch64.tar.gz
    export UNPACKED=$BATS_FILE_TMPDIR/deb
    [ -n "$version" ] && [ -f "$DEB" ] && [ -f "$NATIVE_DEB" ] && [ -f "$TGZ" ] ||
        { echo "no arm64 packages of the linux-aarch64 build; make them first (bash scripts/package.sh)" >&2; return 1; }
    dpkg-deb -x "$DEB" "$UNPACKED"
}

# The files of a DEB below its prefix, "./usr/" taken off.
deb_files() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ { print $6 }' | sed 's|^\./usr/||' | LC_ALL=C sort; }

# run_program <program> <arguments>: the unpacked DEB's program under
# qemu-user, with INSTALL naming a folder that holds the sample CLI.CFG.
run_program() {
    local install=$BATS_TEST_TMPDIR/install
    mkdir -p "$install"
    cp "$UNPACKED/usr/share/doc/vy-command-line/examples/CLI.CFG" "$install/"
    run env -C "$BATS_TEST_TMPDIR" INSTALL="$install" INSTALLLNB=/nonexistent PATH=/usr/bin:/bin \
        qemu-aarch64 -L /usr/aarch64-linux-gnu "$UNPACKED/usr/bin/$1" "${@:2}"
}

@test "the arm64 DEB's fields" {
    run dpkg-deb -f "$DEB" Package Version Architecture Section Priority
    assert_output "Package: vy-command-line
Version: $VERSION
Architecture: arm64
Section: admin
Priority: optional"
}

@test "the arm64 DEB depends on the C library alone, of a version no program exceeds" {
    run dpkg-deb -f "$DEB" Depends
    assert_output "libc6 (>= 2.36)"
    # The highest symbol version of the C library that any program needs.
    local needed
    needed=$(for p in "$UNPACKED"/usr/bin/*; do aarch64-linux-gnu-readelf -V --wide "$p"; done |
        grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//' | sort -V | tail -n 1)
    [ -n "$needed" ]
    run bash -c "printf '%s\n' '$needed' 2.36 | sort -V | tail -n 1"
    assert_output 2.36
}

@test "the arm64 DEB and the aarch64 TGZ hold the amd64 DEB's files" {
    local native top=vy-command-line-$VERSION-linux-aarch64
    native=$(deb_files "$NATIVE_DEB")
    run deb_files "$DEB"
    assert_output "$native"
    run bash -c "tar -tzf '$TGZ' | grep -v '/\$' | sed 's|^$top/||' | LC_ALL=C sort"
    assert_output "$native"
}

@test "every program is a 64-bit ARM executable, stripped" {
    local p
    for p in "$UNPACKED"/usr/bin/*; do
        run aarch64-linux-gnu-readelf -h "$p"
        assert_output --partial "Machine:                           AArch64"
        assert_output --partial "Class:                             ELF64"
        run aarch64-linux-gnu-readelf -S "$p"
        refute_output --partial ".symtab"
    done
}

@test "lintian finds no error in the arm64 DEB" {
    run lintian --fail-on error "$DEB"
    assert_success
}

@test "the DEB's programs run under qemu-user" {
    run_program vyRunJob
    assert_failure 21
    assert_output "vyRunJob: No parameter(s) specified
usage: vyRunJob [/v] /u username & /p password | /a securityfilepath /s primaryserver /b backupserver taskNames"
    run_program vyPingSrv /noSystemCommand /s x
    assert_success
    run_program vyPingSrv /debug /noSystemCommand /s x
    assert_success
    assert_line "- JAVA_HOME    = /opt/vy/jre/java"
    assert_line "java  -classpath \".::/opt/vy/lib/client.jar:$BATS_TEST_TMPDIR/install/vyMirrorKit.jar:$BATS_TEST_TMPDIR/install/vySecLink.jar:$BATS_TEST_TMPDIR/install/vyShellKit.jar:\" vyMirrorKit.vyNetProbe -Server=x "
}
