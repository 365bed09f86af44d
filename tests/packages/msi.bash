# The Windows installer of windows-$arch (x64 or x86), loaded by msi-x64.bats
# and msi-x86.bats: installed, run, removed, installed into a chosen
# folder, upgraded and refused as a downgrade under Wine, in a fresh prefix
# of the group's own (build/msi-wine-prefix for x64, build/msi-wine-prefix-x86
# for x86), each step a test in the order below. The files are compared with
# those of the ZIP of the same build, whose list the ZIP's group checks.

msi=$packages/vy-command-line-$version-windows-$arch.msi
upgrade_code_x64={81565B8E-58EE-4E30-BA5E-EC926CDCD7E1}
upgrade_code_x86={E1DACBCC-681C-4CBE-942C-EA2C548FDCE2}
# Where each installs by default on 64-bit Windows, below C:, and its name.
program_files_x64='Program Files'
program_files_x86='Program Files (x86)'
product_x64='vy command-line suite (64-bit)'
product_x86='vy command-line suite (32-bit)'
program_files_var=program_files_$arch product_var=product_$arch
folder="${!program_files_var}/vy command-line"
product=${!product_var}
win_dir="C:\\${folder//\//\\}"
win_bin="$win_dir\\bin"
windres=x86_64-w64-mingw32-windres
[ "$arch" = x64 ] || windres=i686-w64-mingw32-windres
# The next version, and a second build of it, made from the same build: the
# same bytes, and another product than this version.
next=${version%.*}.$((${version##*.} + 1))
next_msi=$work/next/vy-command-line-$next-windows-$arch.msi
rebuilt_msi=$work/rebuilt/vy-command-line-$next-windows-$arch.msi
install_win="Z:${work//\//\\}\\msi-install"

# Called by setup_file before the install steps: the MSIs of the next
# version, the prefix, and its system PATH before anything is installed.
msi_installs_setup() {
    msi_next_setup
    msi_prefix_up "msi-wine-prefix$([ "$arch" = x64 ] || echo "-$arch")"
    system_path > "$work/path-before"
}
msi_next_setup() {
    unpack_zip "$arch"
    bash scripts/make-msi.sh "windows-$arch" --version "$next" --output "$work/next" >/dev/null
    bash scripts/make-msi.sh "windows-$arch" --version "$next" --output "$work/rebuilt" >/dev/null
}
path_before() { cat "$work/path-before"; }

# Names of the files that differ between two trees holding the same list.
# Programs too are packaged as they were linked (and signed), byte for byte.
differing() {
    (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | while read -r f; do
        cmp -s "$f" "$2/$f" || echo "$f"
    done)
}
# msiexec's status; Wine passes on its low 8 bits (1603 is 67).
msiexec_status() { local s=0; in_wine msiexec "$@" /qn >/dev/null 2>&1 || s=$?; echo "$s"; }
# The entries of the system PATH, one a line.
system_path() {
    in_wine reg query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' /v PATH |
        tr -d '\r' | sed -n 's/^ *PATH *REG_[A-Z_]* *//p' | tr ';' '\n' | grep -v '^$' || true
}
# Installed products of ours, of both registry views (a 32-bit product is
# listed under Wow6432Node): "name version", one a line, sorted.
products() {
    local key
    for key in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
               'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall'; do
        in_wine reg query "$key" /s 2>/dev/null | tr -d '\r'
    done | awk '/^HKEY/ { if (n != "") print n " " v; n = v = "" }
                /^ +DisplayName / { sub(/^ +DisplayName +REG_SZ +/, ""); n = $0 }
                /^ +DisplayVersion / { sub(/^ +DisplayVersion +REG_SZ +/, ""); v = $0 }
                END { if (n != "") print n " " v }' | grep '^vy command-line' | LC_ALL=C sort || true
}
# The files under a folder of C:.
installed_files() { (cd "$msi_prefix/drive_c/$1" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
# What removal must leave: not a file or folder of ours anywhere in C:.
left_over() { (cd "$msi_prefix/drive_c" && find . -iname '*vy command-line*' -o -iname 'vy*.exe' -o -iname 'CLI.CFG*'); }
# vyPingSrv as the command interpreter finds it through the system PATH,
# with INSTALL naming a folder that holds an installed sample.
msi_ping() { (cd "$work" && INSTALL=$install_win in_wine cmd /c vyPingSrv "$@" | tr -d '\r'; echo "status ${PIPESTATUS[0]}"); }
product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode	//p'; }

# The steps, in order.
msi_next_reproducible() { same "" "$(cmp "$next_msi" "$rebuilt_msi" 2>&1)"; }
msi_next_product_code() {
    same "another" "$([ "$(product_code "$msi")" != "$(product_code "$next_msi")" ] && echo another || echo same)"
}
msi_install() { same 0 "$(msiexec_status /i "$msi")"; }
msi_zip_files() { same "$(zip_files "$arch")" "$(installed_files "$folder")"; }
msi_identical() { same "" "$(differing "$msi_prefix/drive_c/$folder" "$work/$arch/vy-command-line-$version-windows-$arch")"; }
msi_one_product() { same "$product $version" "$(products)"; }
msi_bin_on_path() { same "$(path_before)
$win_bin" "$(system_path)"; }
msi_ping_sample() {
    mkdir -p "$work/msi-install"
    cp "$msi_prefix/drive_c/$folder/doc/examples/CLI.CFG" "$work/msi-install/CLI.CFG"
    same "status 0" "$(msi_ping /noSystemCommand /s x)"
}
msi_sample_settings() {
    same "- JAVA_HOME    = C:\\Program Files\\vy\\jre\\java
java  -classpath \".;;C:\\Program Files\\vy\\lib\\client.jar;$install_win\\vyMirrorKit.jar;$install_win\\vySecLink.jar;$install_win\\vyShellKit.jar;\" vyMirrorKit.vyNetProbe -Server=x 
status 0" "$(msi_ping /debug /noSystemCommand /s x | grep -E '^(- JAVA_HOME|java |status)')"
}
msi_version_resource() {
    same "      VALUE \"FileVersion\", \"$version\"
      VALUE \"ProductVersion\", \"$version\"" \
        "$($windres -i "$msi_prefix/drive_c/$folder/bin/vyPingSrv.exe" -O rc | grep -E '"(FileVersion|ProductVersion)"')"
}
msi_remove() { same 0 "$(msiexec_status /x "$msi")"; }
msi_no_file_left() { same "" "$(left_over)"; }
msi_no_product() { same "" "$(products)"; }
# Wine leaves the separator of a removed entry: empty entries are not counted.
msi_path_as_before() { same "$(path_before)" "$(system_path)"; }

# A folder chosen at install is where removal and upgrades look.
msi_install_tools() { same 0 "$(msiexec_status /i "$msi" 'INSTALLDIR=C:\Tools\vy')"; }
msi_tools_files() { same "$(zip_files "$arch")" "$(installed_files Tools/vy)"; }
msi_tools_on_path() { same "$(path_before)
C:\Tools\vy\bin" "$(system_path)"; }
msi_upgrade() { same 0 "$(msiexec_status /i "$next_msi")"; }
msi_remove_next() { same 0 "$(msiexec_status /x "$next_msi")"; }
msi_tools_left() { same "" "$(find "$msi_prefix/drive_c/Tools" -mindepth 1)$(left_over)$(products)"; }

# Without the emulator feature (where the build has none, the ZIP has no
# emulator either, and the install holds the whole ZIP).
msi_install_suite() { same 0 "$(msiexec_status /i "$msi" ADDLOCAL=Suite)"; }
# The vyEmulator command and its pages belong to the emulator too.
msi_emulator_left_out() {
    same "$(zip_files "$arch" | grep -v '^emulator/' | grep -vxF "$(emulator_command_windows)")" \
        "$(installed_files "$folder")"
}

msi_next_product() { same "$product $next" "$(products)"; }
msi_install_rebuilt() { same 0 "$(msiexec_status /i "$rebuilt_msi")"; }
msi_downgrade_refused() { same 67 "$(msiexec_status /i "$msi")"; }
msi_nothing_left() { same "" "$(left_over)$(products)"; }
