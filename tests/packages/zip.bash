# The checks of a ZIP, windows-$arch (x64 or x86), loaded by zip-x64.bats and
# zip-x86.bats: its files, line ends, and each program's machine and
# version resource.

zip_top=vy-command-line-$version-windows-$arch
case $arch in
    x64) windres=x86_64-w64-mingw32-windres format=pei-x86-64 ;;
    x86) windres=i686-w64-mingw32-windres format=pei-i386 ;;
esac

setup_file() {
    packages_made
    unpack_zip "$arch"
}

zip_contents() {
    local expected
    expected=$(
        for p in $programs; do echo "bin/$p.exe"; done
        echo doc/README.md
        echo doc/copyright
        echo doc/examples/CLI.CFG
        for p in $pages; do
            p=${p#man?/}
            echo "doc/html/$p.html"
            echo "doc/txt/$p.txt"
        done
        if emulator_built "windows-$arch"; then emulator_files emulator lanectl.cmd; emulator_command_windows; fi
    )
    same "$(echo "$expected" | sed "s|^|$zip_top/|" | sort)" \
        "$(unzip -Z1 "$packages/$zip_top.zip" | grep -v '/$' | sort)"
}

zip_sample_line_ends() {
    local sample=$work/$arch/$zip_top/doc/examples/CLI.CFG
    same "$(grep -c '' "$sample")" "$(grep -c $'\r$' "$sample")"
}

# One line a program: its name and the file format objdump reads.
zip_machines() {
    same "$(for p in $programs; do echo "$p.exe $format"; done)" \
        "$(for p in $programs; do
            echo "$p.exe $(x86_64-w64-mingw32-objdump -f "$work/$arch/$zip_top/bin/$p.exe" | sed -n 's/.*file format //p')"
        done)"
}

# The version resource of every program, one block a program.
zip_version_resources() {
    same "$(for p in $programs; do echo "$p.exe:
 FILEVERSION ${version//./, }, 0
 PRODUCTVERSION ${version//./, }, 0
      VALUE \"FileVersion\", \"$version\"
      VALUE \"OriginalFilename\", \"$p.exe\"
      VALUE \"ProductName\", \"vy command-line suite\"
      VALUE \"ProductVersion\", \"$version\""; done)" \
        "$(for p in $programs; do
            echo "$p.exe:"
            $windres -i "$work/$arch/$zip_top/bin/$p.exe" -O rc |
                grep -E 'FILEVERSION|PRODUCTVERSION|"(FileVersion|OriginalFilename|ProductName|ProductVersion)"'
        done)"
}
