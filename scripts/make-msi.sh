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
# build/packages.
#
# The same build gives the same MSI at any time: nothing in it comes from
# the clock. Its files are dated SOURCE_DATE_EPOCH (unless set, the time of
# the commit), and so are the summary's creation and save times. The product
# code is derived from the architecture and the version: a newer version is
# a new product, which replaces the older one (major upgrade, by the fixed
# upgrade code of the architecture), and a second build of the same version
# is the same product, never installed beside it. The package code is
# derived from everything the package holds (the staged files, the sources
# and the version), so it changes whenever a byte of the contents does, as
# Windows Installer requires, and a rebuild of the same contents keeps it.
# Exit status: 0 made, 2 a wrong command line or version (nothing is
# started), 1 a missing tool or build, or a failed step.
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
for tool in wixl wixl-heat msiinfo msibuild python3; do
    if ! command -v $tool >/dev/null 2>&1; then
        echo "make-msi.sh: $tool not found; install the Debian packages wixl and msitools" >&2
        exit 1
    fi
done
# Debian's Python, which has python3-olefile (used below for the summary), where there is one.
python=/usr/bin/python3
[ -x $python ] || python=python3
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
    # The programs are stripped when linked, and may be signed since: no --strip.
    cmake --install "$build" --component "$component" --prefix "$dir" >/dev/null
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
            --directory-ref INSTALLDIR $([ $win64 = yes ] && echo --win64) > "$stage/$component.heat.wxs"
    # wixl-heat names each folder by a random identifier, and wixl derives
    # the component codes from it: each is named here by its path instead.
    $python - "$component" "$stage/$component.heat.wxs" > "$stage/$component.wxs" <<'PYTHON'
import hashlib, re, sys
path = [sys.argv[1]]
for line in open(sys.argv[2]):
    m = re.match(r'(\s*<Directory Id=")dir[0-9A-F]+(" Name="([^"]*)")(/?>.*)', line, re.S)
    if m:
        path.append(m.group(3))
        line = m.group(1) + 'dir' + hashlib.md5('/'.join(path).encode()).hexdigest().upper() + m.group(2) + m.group(4)
        if m.group(4).startswith('/>'):
            path.pop()
    elif re.match(r'\s*</Directory>', line):
        path.pop()
    sys.stdout.write(line)
PYTHON
    rm "$stage/$component.heat.wxs"
    defines+=(-D "$name=$dir")
    sources+=("$stage/$component.wxs")
done

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || date +%s)
fi
# The cabinet dates each file by its time of change.
find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
# uuid <name>: a name-based (SHA-1) UUID of the suite's own name space.
uuid() { $python -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID("6f1d1c7e-3b0a-4c53-9d86-0c7e2b6a51f4"), sys.argv[1])).upper())' "$1"; }
contents=$( (cd "$stage" && find . -type f | LC_ALL=C sort | xargs -d '\n' sha256sum); cat "${sources[0]}" packaging/msi/Environment.idt)
contents=$(echo "$contents" | sha256sum | cut -d' ' -f1)
package_code=$(uuid "package $arch $version $contents")
defines+=(-D "ProductCode=$(uuid "product $arch $version")" -D "PackageCode=$package_code")

msi=$output/vy-command-line-$version-$preset.msi
wixl -a "$arch" "${defines[@]}" -o "$msi" "${sources[@]}"
# wixl has no Environment element: the table that appends bin to the system
# PATH (and takes exactly that entry out on removal) is added to the built
# package; the product source sequences its two actions.
msibuild "$msi" -i packaging/msi/Environment.idt
# wixl takes the package code and the summary's times from the clock: they
# are set here (the summary's other fields kept as wixl wrote them), the
# times in place in the summary stream (python3-olefile).
summary() { msiinfo suminfo "$msi" | sed -n "s/^$1: //p"; }
msibuild "$msi" -s "$(summary Subject)" "$(summary Author)" "$(summary Template)" "{$package_code}"
$python - "$msi" "$SOURCE_DATE_EPOCH" <<'PYTHON'
import struct, sys, olefile
path, epoch = sys.argv[1], int(sys.argv[2])
filetime = (epoch + 11644473600) * 10**7
ole = olefile.OleFileIO(path, write_mode=True)
name = '\x05SummaryInformation'
data = bytearray(ole.openstream(name).read())
# The property set's one section; each of its properties of type FILETIME
# (the creation and save times) gets the time.
section = struct.unpack_from('<I', data, 44)[0]
for i in range(struct.unpack_from('<I', data, section + 4)[0]):
    offset = struct.unpack_from('<II', data, section + 8 + 8 * i)[1]
    if struct.unpack_from('<I', data, section + offset)[0] == 64:
        struct.pack_into('<Q', data, section + offset + 4, filetime)
ole.write_stream(name, bytes(data))
ole.close()
PYTHON
echo "$msi"
