# Part of device_test.sh (--wine): the virtio disk of the Wine run, an ext4
# image ($work/wine.img) made with mke2fs -d from a small root file system:
# Wine's loaders, server and Unix libraries at the paths they have here,
# the Windows DLLs that the cases load (wine-dlls.txt), every shared
# library these need (ldd) with the dynamic linkers, a static busybox for
# the shell, a prefix prepared here, and the programs under test. The
# guest mounts it at /w and runs wine_cases.sh in it with chroot, so that
# Wine finds its files where it was built to look for them.

# The prefix, made once here (wineboot is slow in the guest) and kept
# while the same Wine is installed.
prefix=$work/wine-prefix
stamp="$(/usr/lib/wine/wine64 --version) $([ -x /usr/lib/wine/wine ] && echo wine32)"
if [ "$(cat "$prefix/.vy-stamp" 2>/dev/null)" != "$stamp" ]; then
    rm -rf "$prefix" && mkdir -p "$prefix" || exit 1
    WINEPREFIX=$prefix WINEDEBUG=-all /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -w
    [ -d "$prefix/drive_c/windows/system32" ] || { echo "FAILED: wineboot made no prefix"; exit 1; }
    echo "$stamp" > "$prefix/.vy-stamp"
fi

tree=$work/wine-tree
rm -rf "$tree" && mkdir -p "$tree"/{usr/bin,usr/lib,usr/lib64,usr/sbin,dev,proc,sys,tmp,etc,vy/x64,vy/x86,doubles,inst} || exit 1
# Merged /usr, as here: /lib is /usr/lib.
for link in bin lib lib64 sbin; do ln -s "usr/$link" "$tree/$link" || exit 1; done
# A program or library at its own path, with every shared library (and
# dynamic linker) that ldd names, at the paths it names them by.
copy_elf() {
    local file
    for file in "$1" $(ldd "$1" 2>/dev/null | grep -o '/[^ ]*'); do
        [ -e "$tree$file" ] && continue
        mkdir -p "$tree$(dirname "$file")" && cp -L "$file" "$tree$file" || exit 1
    done
}
lib64=/usr/lib/x86_64-linux-gnu/wine lib32=/usr/lib/i386-linux-gnu/wine
mkdir -p "$tree/usr/lib/wine" "$tree/usr/share" "$tree$lib64/x86_64-windows" "$tree$lib32/i386-windows" || exit 1
# Two that are opened while running, not linked: libgcc_s (for the C
# library's thread exit) and FreeType (the fonts), for each machine.
for file in /usr/lib/wine/* "$lib64"/x86_64-unix/*.so "$lib32"/i386-unix/*.so \
    /usr/lib/{x86_64,i386}-linux-gnu/{libgcc_s.so.1,libfreetype.so.6}; do
    [ -e "$file" ] && copy_elf "$file"
done
cp -a /usr/share/wine "$tree/usr/share/wine" || exit 1
cp "$busybox" "$tree/usr/bin/busybox" && ln -s busybox "$tree/usr/bin/sh" || exit 1
printf 'root:x:0:0:root:/tmp:/bin/sh\n' > "$tree/etc/passwd"
printf 'root:x:0:\n' > "$tree/etc/group"

# The DLLs that the cases load; ntdll.dll, which the Unix side loads
# before any is logged, for each.
dlls=$(grep -v '^#' "$here/wine-dlls.txt"; printf 'system32 ntdll.dll\nsyswow64 ntdll.dll\n')
kept=$(awk '{ print tolower($2) }' <<<"$dlls" | sort -u)
while read -r view name; do
    case $view in
        system32) cp "$lib64/x86_64-windows/$name" "$tree$lib64/x86_64-windows/" || exit 1 ;;
        syswow64) [ ! -x /usr/lib/wine/wine ] || cp "$lib32/i386-windows/$name" "$tree$lib32/i386-windows/" || exit 1 ;;
    esac
done <<<"$dlls"
# The prefix (with its times: an older wine.inf than the prefix's stamp
# would start wineboot) without the copies of the DLLs that are not loaded.
cp -a "$prefix" "$tree/prefix" || exit 1
rm -f "$tree/prefix/.vy-stamp"
find "$tree/prefix/drive_c/windows/system32" "$tree/prefix/drive_c/windows/syswow64" -type f \
    \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.sys' -o -iname '*.drv' -o -iname '*.ocx' -o -iname '*.cpl' \
       -o -iname '*.acm' -o -iname '*.ax' -o -iname '*.tlb' -o -iname '*.com' -o -iname '*.ds' -o -iname '*16' \
       -o -iname '*.msstyles' -o -iname '*.vxd' -o -iname '*.mod' \) -print 2>/dev/null |
    while read -r file; do
        base=$(basename "$file" | tr 'A-Z' 'a-z')
        grep -qxF "$base" <<<"$kept" || rm -f "$file"
    done
# Those kept are copies of Wine's own: hard links to them, half the image.
while read -r view folder; do
    for file in "$tree/prefix/drive_c/windows/$view"/*; do
        original=$tree$folder/$(basename "$file")
        [ -f "$file" ] && [ -f "$original" ] && cmp -s "$file" "$original" && ln -f "$original" "$file"
    done
done <<<"system32 $lib64/x86_64-windows
syswow64 $lib32/i386-windows"

# The programs: the release builds', the stand-in java (no lanectl, so the
# volume file comes from the inquiry), the helper that names the drives,
# and the cases.
cp "$win64/bin/vyShowLuns.exe" "$win64/bin/vySeedHost.exe" "$tree/vy/x64/" || exit 1
cp "$win64/doubles/java.exe" "$tree/doubles/" || exit 1
[ "$wine32" = no ] || cp "$win32/bin/vyShowLuns.exe" "$tree/vy/x86/" || exit 1
x86_64-w64-mingw32-gcc -std=c11 -O2 -Wall -Wextra -Werror -o "$tree/vy/dos_names.exe" "$here/dos_names.c" -lntdll || exit 1
cp "$here/wine_cases.sh" "$tree/vy/wine_cases.sh" || exit 1
printf 'JAVA_INSTALL=Z:\\doubles\\\r\nJAVA_CLASSPATH=lib.jar\r\n' > "$tree/inst/CLI.CFG"

size=$(( $(du -sm "$tree" | cut -f1) * 5 / 4 + 64 ))
rm -f "$work/wine.img"
mke2fs -q -t ext4 -d "$tree" "$work/wine.img" "${size}M" || exit 1
