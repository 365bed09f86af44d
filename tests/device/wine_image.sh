# Part of device_test.sh (--wine): the virtio disk of the Wine run, an ext4
# image ($work/wine.img) made with mke2fs -d from a tree holding Wine's
# loaders, server and Unix libraries, the Windows DLLs that the cases load
# (wine-dlls.txt), the shared libraries all of these need, a prefix
# prepared here, and the programs under test. The guest mounts it at /w;
# its /usr points at /w/usr.

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
rm -rf "$tree" && mkdir -p "$tree"/{vy/x64,vy/x86,doubles,inst} || exit 1
# A library or program at its path below /usr (merged /usr: /lib is
# /usr/lib), with every shared library it needs.
copy_elf() {
    local file=$1 library target
    for library in "$file" $(ldd "$file" 2>/dev/null | grep -o '/[^ ]*'); do
        target=$(realpath -s "$library")
        case $target in /usr/*) ;; *) target=/usr$target ;; esac
        [ -e "$tree$target" ] && continue
        mkdir -p "$tree$(dirname "$target")" && cp -L "$library" "$tree$target" || exit 1
    done
}
lib64=/usr/lib/x86_64-linux-gnu/wine lib32=/usr/lib/i386-linux-gnu/wine
mkdir -p "$tree/usr/lib/wine" "$tree/usr/share" "$tree$lib64/x86_64-windows" "$tree$lib32/i386-windows"
for file in /usr/lib/wine/* "$lib64"/x86_64-unix/*.so "$lib32"/i386-unix/*.so; do
    [ -e "$file" ] && copy_elf "$file"
done
cp -a /usr/share/wine "$tree/usr/share/wine" || exit 1
# The 32-bit loader's dynamic linker, where the initramfs looks for it.
[ ! -x /usr/lib/wine/wine ] || ln -s /usr/lib/i386-linux-gnu/ld-linux.so.2 "$root/lib/ld-linux.so.2"
mkdir -p "$root/w" && ln -s /w/usr "$root/usr"

kept=$(grep -v '^#' "$here/wine-dlls.txt" | awk '{ print tolower($2) }' | sort -u)
while read -r view name; do
    case $view in
        system32) cp "$lib64/x86_64-windows/$name" "$tree$lib64/x86_64-windows/" || exit 1 ;;
        syswow64) [ ! -x /usr/lib/wine/wine ] || cp "$lib32/i386-windows/$name" "$tree$lib32/i386-windows/" || exit 1 ;;
    esac
done < <(grep -v '^#' "$here/wine-dlls.txt")
# The prefix without the copies of the DLLs that are not loaded.
cp -a "$prefix" "$tree/prefix" || exit 1
find "$tree/prefix/drive_c/windows/system32" "$tree/prefix/drive_c/windows/syswow64" -type f \
    \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.sys' -o -iname '*.drv' -o -iname '*.ocx' -o -iname '*.cpl' \
       -o -iname '*.acm' -o -iname '*.ax' -o -iname '*.tlb' -o -iname '*.com' -o -iname '*.ds' -o -iname '*16' \
       -o -iname '*.msstyles' -o -iname '*.vxd' -o -iname '*.mod' \) -print 2>/dev/null |
    while read -r file; do
        base=$(basename "$file" | tr 'A-Z' 'a-z')
        grep -qxF "$base" <<<"$kept" || rm -f "$file"
    done

# The programs: the release builds', the stand-in java (no lanectl, so the
# volume file comes from the inquiry), and the helper that names the drives.
cp "$win64/bin/vyShowLuns.exe" "$win64/bin/vySeedHost.exe" "$tree/vy/x64/" || exit 1
cp "$win64/doubles/java.exe" "$tree/doubles/" || exit 1
[ ! -x /usr/lib/wine/wine ] || [ ! -e "$win32/bin/vyShowLuns.exe" ] || cp "$win32/bin/vyShowLuns.exe" "$tree/vy/x86/" || exit 1
x86_64-w64-mingw32-gcc -std=c11 -O2 -Wall -Wextra -Werror -o "$tree/vy/dos_names.exe" "$here/dos_names.c" -lntdll || exit 1
printf 'JAVA_INSTALL=Z:\\w\\doubles\\\r\nJAVA_CLASSPATH=lib.jar\r\n' > "$tree/inst/CLI.CFG"

size=$(( $(du -sm "$tree" | cut -f1) * 5 / 4 + 64 ))
rm -f "$work/wine.img"
mke2fs -q -t ext4 -d "$tree" "$work/wine.img" "${size}M" || exit 1
