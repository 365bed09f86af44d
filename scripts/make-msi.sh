#!/usr/bin/env bash
# Makes the Windows installer of one Windows build with msitools' wixl:
#   bash scripts/make-msi.sh windows-x64|windows-x86 [--version V] [--output DIR]
# The build (build/<preset>) must be built already. Its install rules are
# staged per component (cmake --install --component suite|emulator, files
# stripped), wixl-heat lists each staged tree, and wixl builds
# <output>/vy-command-line-<version>-<preset>.msi from those lists and
# packaging/msi/vy-command-line.wxs. The version is the project's;
# --version builds the same files under another product version (the
# package test uses it to try an upgrade). The output folder defaults to
# build/packages. Exit status: 0 made, 2 a wrong command line or version
# (nothing is started), 1 a missing tool or build, or a failed step.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "usage: make-msi.sh windows-x64|windows-x86 [--version major.minor.patch] [--output folder]" >&2
    exit 2
}
[ $# -ge 1 ] || usage
preset=$1
shift
case $preset in
    windows-x64) arch=x64 win64=yes ;;
    windows-x86) arch=x86 win64=no ;;
    *) usage ;;
esac
build=build/$preset
version=
output=build/packages
while [ $# -gt 0 ]; do
    case $1 in
        --version) [ $# -ge 2 ] || usage; version=$2; shift 2 ;;
        --output) [ $# -ge 2 ] || usage; output=$2; shift 2 ;;
        *) usage ;;
    esac
done
for tool in wixl wixl-heat msiinfo msibuild; do
    if ! command -v $tool >/dev/null 2>&1; then
        echo "make-msi.sh: $tool not found; install the Debian packages wixl and msitools" >&2
        exit 1
    fi
done
if [ ! -f "$build/CMakeCache.txt" ]; then
    echo "make-msi.sh: $build is not configured; build it first (cmake --workflow --preset $preset-packages)" >&2
    exit 1
fi
[ -n "$version" ] || version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
# Windows Installer compares the first three fields, each at most
# 255.255.65535.
if ! [[ $version =~ ^([0-9]{1,3})\.([0-9]{1,3})\.([0-9]{1,5})$ ]] ||
    [ "${BASH_REMATCH[1]}" -gt 255 ] || [ "${BASH_REMATCH[2]}" -gt 255 ] || [ "${BASH_REMATCH[3]}" -gt 65535 ]; then
    echo "make-msi.sh: version \"$version\" is not major.minor.patch within 255.255.65535" >&2
    exit 2
fi

stage=$build/msi-stage
rm -rf "$stage"
mkdir -p "$stage" "$output"
defines=(-D "Version=$version" -D "Arch=$arch" -D "Win64=$win64")
sources=(packaging/msi/vy-command-line.wxs)
for component in suite emulator; do
    dir=$stage/$component
    cmake --install "$build" --component "$component" --prefix "$dir" --strip >/dev/null
    # A build without the emulator stages nothing for it: no feature then.
    if [ -z "$(find "$dir" -type f 2>/dev/null)" ]; then
        [ $component = suite ] && { echo "make-msi.sh: nothing staged for the suite" >&2; exit 1; }
        continue
    fi
    name=${component^}Dir
    # Sorted, so that the fragment lists the files in a stable order.
    (cd "$dir" && find . -type f | sed 's|^\./||' | LC_ALL=C sort) |
        sed "s|^|$dir/|" |
        wixl-heat -p "$dir/" --component-group "Files.$component" --var "var.$name" \
            --directory-ref INSTALLDIR $([ $win64 = yes ] && echo --win64) > "$stage/$component.wxs"
    defines+=(-D "$name=$dir")
    sources+=("$stage/$component.wxs")
done

msi=$output/vy-command-line-$version-$preset.msi
wixl -a "$arch" "${defines[@]}" -o "$msi" "${sources[@]}"
# wixl has no Environment element: the table that appends bin to the system
# PATH (and takes exactly that entry out on removal) is added to the built
# package; the product source sequences its two actions.
msibuild "$msi" -i packaging/msi/Environment.idt
# Every build has a new product code: a rebuild of the installed version
# replaces it too (the upgrade row's maximum made inclusive, 512), rather
# than being installed beside it as a second product.
msiinfo export "$msi" Upgrade |
    awk 'BEGIN { FS = OFS = "\t" } NR > 3 && $7 ~ /^WIX_UPGRADE_DETECTED\r?$/ { $5 += 512 } { print }' \
    > "$stage/Upgrade.idt"
msibuild "$msi" -i "$stage/Upgrade.idt"
echo "$msi"
