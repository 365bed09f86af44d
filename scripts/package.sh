#!/usr/bin/env bash
# Builds the packages into build/packages: the TGZ and the DEBs (the suite's
# and, where Java 17 is found, the emulator's) of the native release build,
# and a ZIP and an MSI of each Windows build. Each build comes from its
# own CMake workflow (configure, build, package), which can also be run on
# its own: cmake --workflow --preset linux-packages (or windows-x64-packages,
# windows-x86-packages); the MSIs are then made from the Windows builds by
# scripts/make-msi.sh (msitools' wixl).
set -euo pipefail
cd "$(dirname "$0")/.."
# The workflows build with as many jobs as there are cores.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}
rm -rf build/packages
for workflow in linux-packages windows-x64-packages windows-x86-packages; do
    echo "== $workflow"
    cmake --workflow --preset "$workflow"
done
for preset in windows-x64 windows-x86; do
    echo "== MSI $preset"
    bash scripts/make-msi.sh "$preset"
done
ls -l build/packages
