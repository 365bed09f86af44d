#!/usr/bin/env bash
# The drive inquiry against the kernel's SCSI stack: boots Debian's cloud
# kernel under QEMU (software emulation) with a busybox initramfs that makes
# the disks of disks.txt, runs vyShowLuns, vySeedHost and vyProbeVol /m
# there, and compares what they print with the expected output below.
#
#   device_test.sh <programs folder> <doubles folder> <tcmu_disks> <work folder>
#
# Exit status: 0 passed, 1 failed, 77 skipped (no QEMU, busybox or kernel;
# with --wine also no Wine or windows-x64 build, or, once the x64 cases have
# passed, no 32-bit Wine or windows-x86 build for the x86 one).
# The kernel is downloaded once into <work folder>/kernel and kept.
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
# --wine <windows-x64 build> <windows-x86 build>: the Windows programs of
# those builds under Wine in the guest instead (wine_cases.sh).
mode=posix
if [ "${1:-}" = --wine ]; then
    mode=wine win64=$2 win32=$3
    shift 3
fi
programs=$1 doubles=$2 handler=$3 work=$4
boot_limit=${VY_DEVICE_BOOT_LIMIT:-60}  # seconds

skip() {
    echo "SKIPPED: $*"
    exit 77
}
if [ "$mode" = wine ]; then
    # Wine in a software-emulated guest starts slowly: more time and memory.
    boot_limit=${VY_DEVICE_BOOT_LIMIT:-180}
    [ -x /usr/lib/wine/wine64 ] && [ -x /usr/lib/wine/wineserver ] || skip "Wine is missing (Debian: wine, wine64)"
    [ -e "$win64/bin/vyShowLuns.exe" ] && [ -e "$win64/bin/vySeedHost.exe" ] && [ -e "$win64/doubles/java.exe" ] ||
        skip "no windows-x64 build in $win64 (build the windows-x64 preset first)"
    command -v mke2fs >/dev/null || skip "mke2fs is missing (Debian: e2fsprogs)"
    command -v x86_64-w64-mingw32-gcc >/dev/null || skip "x86_64-w64-mingw32-gcc is missing (Debian: gcc-mingw-w64-x86-64)"
    # The x86 program too where 32-bit Wine and the windows-x86 build are there.
    wine32=yes
    [ -x /usr/lib/wine/wine ] && [ -e "$win32/bin/vyShowLuns.exe" ] || wine32=no
fi

qemu=$(command -v qemu-system-x86_64) || skip "qemu-system-x86_64 is missing (Debian: qemu-system-x86)"
busybox=$(command -v busybox) || skip "busybox is missing (Debian: busybox-static)"
# The guest has no C library for a dynamic busybox; ldd fails on a static one.
! ldd "$busybox" >/dev/null 2>&1 || skip "$busybox is not linked statically (Debian: busybox-static)"

# The kernel: the package that linux-image-cloud-amd64 depends on now,
# unpacked, never installed.
kernel_dir=$work/kernel
if ! ls "$kernel_dir"/root/boot/vmlinuz-* >/dev/null 2>&1; then
    package=$(apt-cache depends linux-image-cloud-amd64 2>/dev/null | awk '$1 == "Depends:" && $2 ~ /^linux-image-/ { print $2; exit }')
    [ -n "$package" ] || skip "apt-cache cannot resolve linux-image-cloud-amd64 (no Debian package lists?)"
    rm -rf "$kernel_dir" && mkdir -p "$kernel_dir/download" || exit 1
    echo "downloading $package"
    (cd "$kernel_dir/download" && apt-get download "$package" >/dev/null 2>&1) || skip "apt-get download $package failed"
    dpkg-deb -x "$kernel_dir"/download/*.deb "$kernel_dir/root" || skip "dpkg-deb cannot unpack $package"
    rm -rf "$kernel_dir/download"
fi
vmlinuz=$(ls "$kernel_dir"/root/boot/vmlinuz-* | head -n 1)
modules=$(ls -d "$kernel_dir"/root/lib/modules/* | head -n 1)

# --- the initramfs ---------------------------------------------------------
root=$work/root-$mode
rm -rf "$root" && mkdir -p "$root"/{bin,dev,proc,sys,tmp,modules,vy,doubles,inst} || exit 1
cp "$busybox" "$root/bin/busybox" && ln -s busybox "$root/bin/sh" || exit 1
cp "$handler" "$root/bin/tcmu_disks" || exit 1
cp "$here/init.sh" "$root/init" && chmod 755 "$root/init" || exit 1
if [ "$mode" = wine ]; then
    cp "$here/disks-wine.txt" "$root/disks.txt" && touch "$root/wine" || exit 1
else
    cp "$here/disks.txt" "$root/disks.txt" || exit 1
fi
printf 'JAVA_INSTALL=/doubles/\nJAVA_CLASSPATH=lib.jar\n' > "$root/inst/CLI.CFG"

# A program with the shared libraries that ldd names, at the same paths.
copy_program() {
    cp "$1" "$root/$2" || exit 1
    local library
    for library in $(ldd "$1" 2>/dev/null | grep -o '/[^ ]*'); do
        mkdir -p "$root$(dirname "$library")" && cp -L "$library" "$root$library" || exit 1
    done
}
for program in vyShowLuns vySeedHost vyProbeVol; do copy_program "$programs/$program" "vy/$program"; done
copy_program "$doubles/java" doubles/java

# The modules and, before each, what it depends on (the "depends=" of its
# .modinfo: the package carries no modules.dep). Compressed ones are
# unpacked here, so that busybox's insmod can load them.
module_file() {
    find "$modules/kernel" \( -name "$1.ko*" -o -name "${1//_/-}.ko*" \) -print -quit
}
loaded=()
add_module() {
    local name=$1 file target=$root/modules/$1.ko dependency
    for dependency in "${loaded[@]}"; do [ "$dependency" = "$name" ] && return 0; done
    file=$(module_file "$name")
    [ -n "$file" ] || { echo "module $name is not in the kernel package"; exit 1; }
    case $file in
        *.ko) cp "$file" "$target" ;;
        *.ko.xz) xz -dc "$file" > "$target" ;;
        *.ko.zst) zstd -qdc "$file" > "$target" ;;
        *.ko.gz) gzip -dc "$file" > "$target" ;;
        *) false ;;
    esac || skip "cannot unpack the module $file"
    for dependency in $(tr '\0' '\n' < "$target" | sed -n 's/^depends=//p' | tr ',' ' '); do add_module "$dependency"; done
    loaded+=("$name")
}
extra_modules=
[ "$mode" = posix ] || extra_modules="virtio_pci virtio_blk"
for module in configfs target_core_user tcm_loop sd_mod $extra_modules; do add_module "$module"; done
printf '%s\n' "${loaded[@]}" > "$root/modules.list"

drive=()
if [ "$mode" = wine ]; then
    . "$here/wine_image.sh"
    drive=(-drive "file=$work/wine.img,if=virtio,format=raw")
fi

(cd "$root" && find . | "$busybox" cpio -o -H newc 2>/dev/null) > "$work/initramfs-$mode.cpio" || exit 1

# --- the boot --------------------------------------------------------------
console=$work/console-$mode.log
started=$(date +%s)
# QEMU's exit status tells nothing of the guest: the markers do. timeout
# ends it, killed if need be, should the guest hang; so does the end of
# this script, however it comes.
memory=512
[ "$mode" = posix ] || memory=1024
timeout -k 5 "$boot_limit" "$qemu" -accel tcg -m "$memory" -smp 1 -nographic -no-reboot -net none \
    -kernel "$vmlinuz" -initrd "$work/initramfs-$mode.cpio" "${drive[@]}" \
    -append "console=ttyS0 loglevel=1 panic=-1 rdinit=/init" </dev/null >"$console" 2>&1 &
qemu_pid=$!
trap 'kill "$qemu_pid" 2>/dev/null' EXIT
trap 'exit 1' INT TERM HUP
wait "$qemu_pid"
qemu_status=$?
tr -d '\r' < "$console" > "$console.txt"
echo "boot: $(( $(date +%s) - started )) s (QEMU status $qemu_status); guest uptime: $(grep -o 'VYDEV [a-z ]* [0-9.]*$' "$console.txt" | tr '\n' ' ')"

if ! grep -q '^VYDEV done ' "$console.txt"; then
    cat "$console.txt"
    grep -q 'VYDEV booted ' "$console.txt" || echo "FAILED: the guest did not boot within $boot_limit s"
    echo "FAILED: the guest did not finish its cases"
    exit 1
fi

# --- the comparisons -------------------------------------------------------
failures=0
section() {
    # The volume file has a fresh name in a fresh folder each run.
    sed -n "/^VYDEV-BEGIN $1\$/,/^VYDEV-END $1\$/p" "$console.txt" | sed '1d;$d' |
        sed -E -e 's#^argv\[7\]=/tmp/seed/[^/]+/[^/]+$#VOLUME-FILE#' -e 's#^argv\[7\]=Z:\\tmp\\wseed\\[^\\]+\\[^\\]+$#VOLUME-FILE#'
}
expect() {
    local name=$1 expected actual
    expected=$(cat)
    actual=$(section "$name")
    if [ "$actual" == "$expected" ]; then
        echo "passed: $name"
    else
        echo "FAILED: $name"
        diff -u <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | sed '1,2d'
        failures=$((failures + 1))
    fi
}

finish() {
    if [ "$failures" -ne 0 ]; then
        echo "== console"
        cat "$console.txt"
        echo "$failures failed"
        exit 1
    fi
    echo "all passed"
    exit 0
}

if [ "$mode" = wine ]; then
    . "$here/wine_expected.sh"
    [ "$failures" -ne 0 ] || [ "$wine32" = yes ] ||
        skip "the x64 cases passed, but the x86 vyShowLuns.exe did not run: no 32-bit Wine (Debian: wine32:i386) or no windows-x86 build in $win32"
    finish
fi

# The kernel sees every disk, with the identity that tcmu_disks gave it.
[ "$(section disks | wc -l)" -eq 28 ] || { echo "FAILED: the guest has not 28 disks"; section disks; failures=$((failures + 1)); }
section disks | grep -qx 'sdab ZEB 7315' || { echo "FAILED: sdab is not drive 27"; failures=$((failures + 1)); }

# The device names come in an order other than drive order, so that the
# sorting has work to do.
order=$(section readdir)
sorted=$(tr ' ' '\n' <<<"$order" | awk '{ print length($0), $0 }' | sort -k1,1n -k2,2 | cut -d' ' -f2 | paste -sd' ')
if [ -z "$order" ] || [ "$order" == "$sorted" ]; then
    echo "FAILED: /dev lists the disks in drive order here ($order): the order case proves nothing"
    failures=$((failures + 1))
fi

# Drives 0, 3, 26 (sdaa) and 27 (sdab) are the storage server's: vendor
# "ZEB" and a product that begins with "7315". Another vendor (1), "7345"
# (2), "zeb" (4), "731" (5), "ZE" (6) and the fillers are not.
expect showluns <<'EOF'
disk name     7315 serial number
------------  ------------------
Disk0           02B12028
Disk3           20312028
Disk26          AA000026
Disk27          AB-27/Z!
status 0
EOF

# lanectl is not there, so the volume file comes from the inquiry.
expect seedhost <<'EOF'
[java] vyMirrorKit.vyNetProbe exits 0
[java] vyMirrorKit.vySeedHost exits 0
status 0
EOF
expect seedhost-java <<'EOF'
argv[0]=java
argv[1]=-classpath
argv[2]=.::lib.jar:/inst/vyMirrorKit.jar:/inst/vySecLink.jar:/inst/vyShellKit.jar:
argv[3]=vyMirrorKit.vyNetProbe
argv[4]=-Server=srv1
JAVA_HOME=/doubles/java
end
argv[0]=java
argv[1]=-classpath
argv[2]=.::lib.jar:/inst/vyMirrorKit.jar:/inst/vySecLink.jar:/inst/vyShellKit.jar:
argv[3]=vyMirrorKit.vySeedHost
argv[4]=-s
argv[5]=srv1
argv[6]=-l
VOLUME-FILE
volume file: -l Disk0 -r 02B12028 
volume file: -l Disk3 -r 20312028 
volume file: -l Disk26 -r AA000026 
volume file: -l Disk27 -r AB-27/Z! 
JAVA_HOME=/doubles/java
end
status 0
EOF
expect seedhost-left <<'EOF'
status 0
EOF

# /m turns the host's disk names, in any case, into serials; Disk1 is a
# drive but not one of the server's volumes, and passes whole.
expect probevol-java <<'EOF'
argv[0]=java
argv[1]=-classpath
argv[2]=.::lib.jar:/inst/vyMirrorKit.jar:/inst/vySecLink.jar:/inst/vyShellKit.jar:
argv[3]=vyMirrorKit.vyNetProbe
argv[4]=-Server=srv1
JAVA_HOME=/doubles/java
end
argv[0]=java
argv[1]=-classpath
argv[2]=.::lib.jar:/inst/vyMirrorKit.jar:/inst/vySecLink.jar:/inst/vyShellKit.jar:
argv[3]=vyMirrorKit.vyProbeVol
argv[4]=-s
argv[5]=srv1
argv[6]=AB-27/Z!
argv[7]=02B12028
argv[8]=Disk1
argv[9]=20312028
JAVA_HOME=/doubles/java
end
status 0
EOF

# A user who cannot open the drives finds nothing.
expect showluns-user <<'EOF'
vyShowLuns: No 7315 volumes found
status 18
EOF

finish
