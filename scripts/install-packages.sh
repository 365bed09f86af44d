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
# The Windows builds and their tests under Wine.
windows=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64)
# The fuzzing build, memcheck, the Java side's tests.
checks=(clang libclang-rt-14-dev valgrind junit5)
# The benchmark.
bench=(libbenchmark-dev hyperfine wrk python3 binutils)
# The packages and the test of what they hold.
packages=(mandoc dpkg-dev lintian man-db unzip bsdextrautils msitools wixl)
# The device test's virtual machine: QEMU and a static busybox, without what
# they recommend; its kernel package is downloaded by the test itself, so the
# package lists must know it. Without them the device test is skipped, so a
# failure here is told, not fatal.
device=(qemu-system-x86 busybox-static)

usage() {
    echo "usage: install-packages.sh build|windows|checks|bench|packages|device..." >&2
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
for group in "$@"; do
    case $group in
        build)
            mapfile -t -O "${#missing[@]}" missing < <(missing_of "${build[@]}")
            command -v javac >/dev/null 2>&1 || missing+=(default-jdk-headless) ;;
        windows) mapfile -t -O "${#missing[@]}" missing < <(missing_of "${windows[@]}") ;;
        checks) mapfile -t -O "${#missing[@]}" missing < <(missing_of "${checks[@]}") ;;
        bench) mapfile -t -O "${#missing[@]}" missing < <(missing_of "${bench[@]}") ;;
        packages) mapfile -t -O "${#missing[@]}" missing < <(missing_of "${packages[@]}") ;;
        device) with_device=yes ;;
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
