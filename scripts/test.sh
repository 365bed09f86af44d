#!/usr/bin/env bash
# Installs what is missing, builds every target and runs every test:
#   linux-debug    native, with AddressSanitizer and UndefinedBehaviorSanitizer
#   linux-release  native, optimised; the end-to-end cases once more under
#                  valgrind's memcheck (the e2e_memcheck test)
#                  Both native builds also run the launchers against the
#                  emulator with the real Java runtime (label "jvm"); the
#                  release build also the drive inquiry against a real
#                  kernel in a virtual machine (label "device").
#   windows-x64    mingw-w64, the whole test suite under Wine
#   windows-x86    mingw-w64, built only (this kernel cannot run 32-bit code)
#   benchmark      scripts/bench.sh --quick: a few rounds, never failing on a timing
#   linux-fuzz     clang, libFuzzer targets of the parsers: a short run of each
#   package-test   the ZIPs, MSIs, TGZ and DEBs made from those builds and
#                  signed with throw-away keys, the apt repository, and the
#                  test of what they hold (label "packages"); as root, the
#                  apt group installs and removes the DEBs on this machine
# Warnings are errors. Run as root on a machine that lacks packages.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake make g++ googletest g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 clang libclang-rt-14-dev valgrind
          libbenchmark-dev hyperfine wrk python3 binutils
          scdoc mandoc dpkg-dev lintian man-db unzip bsdextrautils junit5 msitools wixl
          python3-olefile osslsigncode openssl gnupg apt-utils diffoscope-minimal fakeroot)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The JDK 17 builds the emulator and the client classes; the machine may
# have one of its own.
command -v javac >/dev/null 2>&1 || missing+=(default-jdk-headless)
if [ ${#missing[@]} -gt 0 ]; then
    echo "== installing: ${missing[*]}"
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi
# The device test's virtual machine: QEMU and a static busybox, without what
# they recommend; its kernel package is downloaded by the test itself, so the
# package lists must know it. Without them the device test is skipped.
vm_missing=()
for p in qemu-system-x86 busybox-static; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || vm_missing+=("$p")
done
if [ ${#vm_missing[@]} -gt 0 ] || ! apt-cache show linux-image-cloud-amd64 >/dev/null 2>&1; then
    echo "== installing for the device test: ${vm_missing[*]}"
    { apt-get update &&
      { [ ${#vm_missing[@]} -eq 0 ] ||
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${vm_missing[@]}"; }; } ||
        echo "== the device test's packages cannot be had: it is skipped"
fi

jobs=$(nproc)
for preset in linux-debug linux-release windows-x64 windows-x86; do
    echo "== build $preset"
    cmake --preset "$preset" -DVY_WERROR=ON >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
done

for preset in linux-debug linux-release; do
    echo "== test $preset"
    ctest --preset "$preset" -LE memcheck
done

# The benchmark once, in its quick mode: it fails on a missed size or memory
# budget or a reply that stalls on a reused connection, never on a timing
# (this machine is shared).
echo "== benchmark, quick"
bash scripts/bench.sh --quick

# The packages, made from the builds above, and the test of what they hold:
# one CTest test per group of checks, a failed one shown with its output.
# The installer's group runs Wine in a prefix and with a wineserver of its
# own, apart from the Windows test run below.
echo "== packages"
cmake --preset package-test >/dev/null
ctest --preset package-test

# Every end-to-end case again, each program under memcheck: about two
# minutes.
echo "== test linux-release under memcheck"
ctest --preset linux-release -L memcheck

# About 20 seconds of fuzzing per parser, on copies of the seed corpora.
echo "== build linux-fuzz"
cmake --preset linux-fuzz -DVY_WERROR=ON >/dev/null
cmake --build --preset linux-fuzz -j "$jobs"
echo "== test linux-fuzz"
ctest --preset linux-fuzz

echo "== test windows-x64 under Wine"
export WINEPREFIX="$PWD/build/wine-prefix" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
# One persistent server for the whole run, started before the prefix is
# prepared: a server that is already running refuses -p.
wineserver -k 2>/dev/null || true
wineserver -p
trap 'wineserver -k || true' EXIT
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
# A case that fails under Wine runs once more and keeps its first run in a
# "<case>.first-run" folder; those of this run are shown at the end.
rm -rf build/windows-x64/e2e-work/*.first-run
status=0
ctest --preset windows-x64 || status=$?
for first in build/windows-x64/e2e-work/*.first-run/first-run.txt; do
    [ -e "$first" ] || continue
    echo "== a case that ran twice under Wine"
    cat "$first"
done
exit "$status"
