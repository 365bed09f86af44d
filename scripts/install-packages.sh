#!/usr/bin/env bash
# Installs the Debian packages that the named groups need and this machine
# lacks (apt-get, as root; nothing is done when nothing is missing):
#
#   bash scripts/install-packages.sh GROUP...
#
# scripts/demo.sh asks for "build", scripts/test.sh for every group. A new
# need is one more name in the list of its purpose below.
set -euo pipefail

# The programs, the reference pages and the Java side (a JDK where javac is
# missing: the machine may have one of its own).
build=(cmake make g++ googletest scdoc)
# The aarch64 build (Debian's cross compiler and the target's C library) and
# its tests under qemu-user, which binfmt_misc starts for every aarch64
# program (cmake/qemu-run.sh).
arm64=(g++-aarch64-linux-gnu libc6-dev-arm64-cross qemu-user qemu-user-binfmt)
# The Windows builds and their tests under Wine.
windows=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64)
# The fuzzing build, memcheck, the Java side's tests, and bats with its
# helper libraries for the shell test suites.
checks=(clang libclang-rt-14-dev valgrind junit5 bats bats-assert bats-file bats-support)
# The benchmark.
bench=(libbenchmark-dev hyperfine wrk python3 binutils)
# The packages and the test of what they hold.
packages=(mandoc dpkg-dev lintian man-db unzip bsdextrautils msitools wixl rpm rpmlint cpio)
# Releases: signing, the apt and dnf repositories, the reproducibility check.
releases=(python3-olefile osslsigncode openssl gnupg apt-utils diffoscope-minimal fakeroot createrepo-c dnf)
# The device test's virtual machine: QEMU and a static busybox, without what
# they recommend; its kernel package is downloaded by the test itself, so the
# package lists must know it. Without them the device test is skipped, so a
# failure here is told, not fatal.
device=(qemu-system-x86 busybox-static)
# The 32-bit Wine loader for the windows-x86 tests: Debian's wine32 of the
# i386 architecture (multiarch), without what it recommends. Without it the
# x86 run is skipped, so a failure here is told, not fatal.
wine32=(wine32:i386)

usage() {
    echo "usage: install-packages.sh build|arm64|windows|checks|bench|packages|releases|device|wine32..." >&2
    exit 2
}
[ $# -gt 0 ] || usage

missing_of() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
    done
}

missing=()
with_device=
with_wine32=
for group in "$@"; do
    case $group in
        build)
            mapfile -t -O "${#missing[@]}" missing < <(missing_of "${build[@]}")
            command -v javac >/dev/null 2>&1 || missing+=(default-jdk-headless) ;;
        arm64) mapfile -t -O "${#missing[@]}" missing < <(missing_of "${arm64[@]}") ;;
        windows) mapfile -t -O "${#missing[@]}" missing < <(missing_of "${windows[@]}") ;;
        checks) mapfile -t -O "${#missing[@]}" missing < <(missing_of "${checks[@]}") ;;
        bench) mapfile -t -O "${#missing[@]}" missing < <(missing_of "${bench[@]}") ;;
        packages) mapfile -t -O "${#missing[@]}" missing < <(missing_of "${packages[@]}") ;;
        releases) mapfile -t -O "${#missing[@]}" missing < <(missing_of "${releases[@]}") ;;
        device) with_device=yes ;;
        wine32) with_wine32=yes ;;
        *) usage ;;
    esac
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

if [ -n "$with_device" ]; then
    mapfile -t vm_missing < <(missing_of "${device[@]}")
    if [ ${#vm_missing[@]} -gt 0 ] || ! apt-cache show linux-image-cloud-amd64 >/dev/null 2>&1; then
        echo "== installing for the device test: ${vm_missing[*]}"
        { apt-get update &&
          { [ ${#vm_missing[@]} -eq 0 ] ||
            DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${vm_missing[@]}"; }; } ||
            echo "== the device test's packages cannot be had: it is skipped"
    fi
fi

if [ -n "$with_wine32" ]; then
    mapfile -t w32_missing < <(missing_of "${wine32[@]}")
    if [ ${#w32_missing[@]} -gt 0 ]; then
        echo "== installing ${w32_missing[*]} (multiarch)"
        { { dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386; } &&
          apt-get update &&
          DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${w32_missing[@]}"; } ||
            echo "== wine32:i386 cannot be had: the windows-x86 tests will NOT run"
    fi
fi
