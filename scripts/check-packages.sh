#!/usr/bin/env bash
# The test of what ships: the packages in build/packages (made by
# scripts/package.sh), checked from the outside as an administrator would
# meet them, one group of checks a run:
#
#   bash scripts/check-packages.sh GROUP
#
# The groups are named in tests/packages/CMakeLists.txt, where CTest runs
# each as a test of its own (label "packages", made packages as their
# fixture; `ctest --preset package-test -N` lists them); the dispatch at the
# end of this script gives each its check_ function, which says what it
# checks. Each check compares what the package does or holds with what is
# written here; a failed one is named with its difference. Exit status: 0
# every check passed, 1 a check failed, 2 a wrong command line or no
# packages (nothing is checked), 77 a group of the emulator where the build
# has none.
#
# The packages are made signed, with throw-away keys in VY_TEST_KEYS
# (tests/packages/make-keys.sh; GNUPGHOME holds the OpenPGP key); the apt
# group installs and removes the DEBs on this machine (as root).
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/facts.sh

usage() {
    echo "usage: check-packages.sh GROUP (a group of tests/packages/CMakeLists.txt)" >&2
    exit 2
}
[ $# -eq 1 ] || usage
group=$1
packages=build/packages
# The version the packages were made with: the project's, as the native
# build that made them configured it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/linux-release/CMakeCache.txt 2>/dev/null || true)
if [ -z "$version" ] || [ ! -d "$packages" ]; then
    echo "check-packages.sh: no packages; make them first (bash scripts/package.sh)" >&2
    exit 2
fi

# The emulator and the client's class archives are there when the build
# made them (Java 17 found).
emulator_built() { [ -e "build/$1/java/vyEmulator.jar" ]; }
case $group in
    emulator-*)
        if ! emulator_built linux-release; then
            echo "check-packages.sh: the native build has no emulator (no Java 17): nothing to check"
            exit 77
        fi ;;
esac

work=$(mktemp -d)
msi_prefix=
apt_installed=no
other_gnupg=
# An emulator started below is stopped on the way out, whatever happens
# (ended by its process number should it not stop when asked), and the Wine
# server of the installer test's own prefix with it.
cleanup() {
    bash scripts/emulator.sh stop "$work/emulator" >/dev/null 2>&1 || true
    if [ -n "$msi_prefix" ]; then WINEPREFIX=$msi_prefix wineserver -k 2>/dev/null || true; fi
    # What the apt group installed on this machine goes again.
    if [ $apt_installed = yes ]; then dpkg --purge vy-command-line-emulator vy-command-line >/dev/null 2>&1 || true; fi
    if [ -n "$other_gnupg" ]; then GNUPGHOME=$other_gnupg gpgconf --kill gpg-agent 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
# check <what> <expected> <actual>
check() {
    if [ "$2" == "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $1"
        diff <(printf '%s\n' "$2") <(printf '%s\n' "$3") | sed 's/^/    /' || true
    fi
}

# The programs (cmake/suite-facts.txt), each with its page, and the other
# pages of the suite.
programs=$(fact programs)
pages="$(for p in $programs; do echo "man1/$p.1"; done)
man5/CLI.CFG.5 man5/vy-security-file.5 man5/vy-volume-list.5 man7/vy-exit-status.7"

emulator_files() {
    local dir=$1 lanectl=$2
    for jar in vyEmulator.jar $(fact client-jars); do echo "$dir/$jar"; done
    echo "$dir/lanebinder/$lanectl"
    echo "$dir/sample.state"
}
# The vyEmulator command and its page, beside the emulator's files.
emulator_command_linux() {
    echo bin/vyEmulator
    echo share/man/man1/vyEmulator.1.gz
}
emulator_command_windows() {
    echo bin/vyEmulator.cmd
    echo doc/html/vyEmulator.1.html
    echo doc/txt/vyEmulator.1.txt
}
# What the emulator's DEB holds under its prefix (the TGZ holds it too).
emulator_files_linux() {
    emulator_files share/vy-command-line/emulator lanectl
    emulator_command_linux
    echo share/doc/vy-command-line-emulator/changelog.gz
    echo share/doc/vy-command-line-emulator/copyright
}

# What a Linux package holds under its prefix.
linux_files() {
    for p in $programs; do echo "bin/$p"; done
    echo "share/doc/vy-command-line/README.md"
    echo "share/doc/vy-command-line/changelog.gz"
    echo "share/doc/vy-command-line/copyright"
    echo "share/doc/vy-command-line/examples/CLI.CFG"
    for p in $pages; do echo "share/man/$p.gz"; done
}

# Runs an installed program with INSTALL set to a folder that holds the
# installed sample CLI.CFG; prints its output, then "status N".
run_installed() {
    local bin=$1 sample=$2
    shift 2
    mkdir -p "$work/install"
    cp "$sample" "$work/install/CLI.CFG"
    local status=0
    (cd "$work" && INSTALL="$work/install" INSTALLLNB=/nonexistent PATH=/usr/bin:/bin "$bin" "$@") || status=$?
    echo "status $status"
}

# vyRunJob without arguments: its usage, and "status N".
runjob_usage="vyRunJob: No parameter(s) specified
usage: vyRunJob [/v] /u username & /p password | /a securityfilepath /s primaryserver /b backupserver taskNames
status 21"

# The programs of an unpacked Linux package, run from where they lie.
check_programs() {
    local prefix=$1 label=$2
    check "$label: vyPingSrv with the sample CLI.CFG" "status 0" \
        "$(run_installed "$prefix/bin/vyPingSrv" "$prefix/share/doc/vy-command-line/examples/CLI.CFG" /noSystemCommand /s x)"
    check "$label: the sample's settings" "- JAVA_HOME    = /opt/vy/jre/java
java  -classpath \".::/opt/vy/lib/client.jar:$work/install/vyMirrorKit.jar:$work/install/vySecLink.jar:$work/install/vyShellKit.jar:\" vyMirrorKit.vyNetProbe -Server=x 
status 0" \
        "$(run_installed "$prefix/bin/vyPingSrv" "$prefix/share/doc/vy-command-line/examples/CLI.CFG" /debug /noSystemCommand /s x |
            grep -E '^(- JAVA_HOME|java |status)')"
    check "$label: vyRunJob without arguments" "$runjob_usage" \
        "$(run_installed "$prefix/bin/vyRunJob" "$prefix/share/doc/vy-command-line/examples/CLI.CFG")"
    check "$label: vyShowLuns -z without the multipath tool or a drive" "status 18" \
        "$(run_installed "$prefix/bin/vyShowLuns" /dev/null -z)"
}

# A page as man shows it: its name line and its footer with the version.
page_lines() {
    col -bx | grep -E '^ +vyRunJob - |vy command-line suite [0-9]' | sed 's/^ *//; s/  .*//'
}
expected_page="vyRunJob - run named copy tasks on the storage server
vy command-line suite $version"

deb=$packages/vy-command-line_${version}_$(dpkg --print-architecture).deb
emulator_deb=$packages/vy-command-line-emulator_${version}_all.deb

# lintian's verdict on a DEB: its status. Its findings are shown, indented,
# on standard error, out of the value compared.
lintian_status() {
    local status=0
    lintian --fail-on error "$1" | sed 's/^/    /' >&2 || status=$?
    echo "$status"
}

# tgz: the TGZ's files; its programs and a page used from there.
check_tgz() {
    local tgz top
    tgz=$packages/vy-command-line-$version-linux-$(uname -m | tr A-Z a-z).tar.gz
    top=vy-command-line-$version-linux-$(uname -m | tr A-Z a-z)
    check "TGZ contents" "$( (linux_files; if emulator_built linux-release; then emulator_files_linux; fi) |
        sed "s|^|$top/|" | sort)" \
        "$(tar -tzf "$tgz" | grep -v '/$' | sort)"
    mkdir -p "$work/tgz"
    tar -xzf "$tgz" -C "$work/tgz"
    check_programs "$work/tgz/$top" TGZ
    check "TGZ: man -l shows the page" "$expected_page" \
        "$(MANPAGER=cat MANWIDTH=80 man -l "$work/tgz/$top/share/man/man1/vyRunJob.1.gz" 2>/dev/null | page_lines)"
}

# deb: the DEB's fields, dependencies and files; its programs and a page
# used from there; lintian.
check_deb() {
    check "DEB fields" "Package: vy-command-line
Version: $version
Architecture: $(dpkg --print-architecture)
Section: admin
Priority: optional" \
        "$(dpkg-deb -f "$deb" Package Version Architecture Section Priority)"
    check "DEB depends on the C library alone (the C++ runtime is linked in)" "libc6" \
        "$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/ *(.*//; s/^ *//' | sort | xargs)"
    check "DEB contents" "$(linux_files | sed 's|^|./usr/|' | sort)" \
        "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)"
    dpkg-deb -x "$deb" "$work/deb"
    check_programs "$work/deb/usr" DEB
    check "DEB: man finds the page by name" "$expected_page" \
        "$(MANPATH="$work/deb/usr/share/man" MANPAGER=cat MANWIDTH=80 man vyRunJob 2>/dev/null | page_lines)"
    echo "lintian:"
    check "lintian finds no error in the DEB" 0 "$(lintian_status "$deb")"
}

# emulator-deb: the emulator's DEB: fields, files, lintian, its page.
check_emulator_deb() {
    check "emulator DEB fields" "Package: vy-command-line-emulator
Version: $version
Architecture: all" "$(dpkg-deb -f "$emulator_deb" Package Version Architecture)"
    check "emulator DEB contents" "$(emulator_files_linux | sed 's|^|./usr/|' | sort)" \
        "$(dpkg-deb -c "$emulator_deb" | awk '$1 !~ /^d/ {print $6}' | sort)"
    echo "lintian:"
    check "lintian finds no error in the emulator DEB" 0 "$(lintian_status "$emulator_deb")"
    dpkg-deb -x "$emulator_deb" "$work/deb"
    check "emulator: man finds vyEmulator's page" "vyEmulator - a storage-server emulator for trying scripts of the vy programs" \
        "$(MANPATH="$work/deb/usr/share/man" MANPAGER=cat MANWIDTH=100 man vyEmulator 2>/dev/null | col -bx |
            grep -E '^ +vyEmulator - ' | sed 's/^ *//')"
}

# emulator-run: the packaged launchers against the packaged emulator: an
# installation made of the emulator DEB's client archives and a CLI.CFG
# naming this machine's Java, an emulator with its sample state on a free
# loopback port (it stops by itself after 5 minutes should the clean-up not
# stop it).
check_emulator_run() {
    dpkg-deb -x "$deb" "$work/deb"
    dpkg-deb -x "$emulator_deb" "$work/deb"
    local emu=$work/deb/usr/share/vy-command-line/emulator
    bash scripts/java-install.sh "$work/emu-install" "$emu" "$(dirname "$(readlink -f "$(command -v java)")")"
    # Started and stopped through the package's vyEmulator command, as a
    # user would.
    check "emulator: vyEmulator start" "status 0" "$(bash scripts/emulator.sh start "$work/emulator" \
        "$work/deb/usr/bin/vyEmulator" --in-memory --stop-after 5 --log "$work/emulator.log" >/dev/null; echo "status $?")"
    local server
    server=$(cat "$work/emulator/server")
    with_emulator() {
        (cd "$work" && INSTALL="$work/emu-install" INSTALLLNB="$emu/lanebinder" VY_EMULATOR="$server" \
            VY_HOST=demo-host timeout 120 "$work/deb/usr/bin/$1" "${@:2}"; echo "status $?")
    }
    check "emulator: vyPingSrv /v reports the emulator's version" \
        "vyNetProbe: server $server answers (vyEmulator $version)
status 0" "$(with_emulator vyPingSrv /v /s "$server")"
    check "emulator: vyRunJob starts a task" "vyRunJob: task nightly started
status 0" "$(with_emulator vyRunJob /u admin /p secret /s "$server" nightly)"
    check "emulator: vyShowLuns through the packaged lanectl" " Vpath    Serial    Volume Names
-------  --------  --------------
Disk2    02B12028  Disk2  Disk2$(printf '%24s' '')
Disk3    03B12028  Disk3  Disk3$(printf '%24s' '')
Disk4    04B12028  Disk4  Disk4$(printf '%24s' '')
status 0" "$(with_emulator vyShowLuns)"
    check "emulator: vyEmulator stop" "vyEmulator: stopped $server
status 0" "$(bash scripts/emulator.sh stop "$work/emulator"; echo "status $?")"
}

# Unpacks the ZIP of windows-<arch> into $work/<arch>.
unpack_zip() {
    mkdir -p "$work/$1"
    unzip -q "$packages/vy-command-line-$version-windows-$1.zip" -d "$work/$1"
}

# zip-x64, zip-x86: a ZIP's files, line ends, and each program's machine
# and version resource.
check_zip() {
    local arch=$1 zip top expected windres format exe
    zip=$packages/vy-command-line-$version-windows-$arch.zip
    top=vy-command-line-$version-windows-$arch
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
        if emulator_built windows-$arch; then emulator_files emulator lanectl.cmd; emulator_command_windows; fi
    )
    check "ZIP windows-$arch contents" "$(echo "$expected" | sed "s|^|$top/|" | sort)" \
        "$(unzip -Z1 "$zip" | grep -v '/$' | sort)"
    unpack_zip "$arch"
    check "windows-$arch: the sample CLI.CFG has CR LF line ends" "$(grep -c '' "$work/$arch/$top/doc/examples/CLI.CFG")" \
        "$(grep -c $'\r$' "$work/$arch/$top/doc/examples/CLI.CFG")"
    if [ "$arch" = x64 ]; then windres=x86_64-w64-mingw32-windres; format=pei-x86-64; else windres=i686-w64-mingw32-windres; format=pei-i386; fi
    for p in $programs; do
        exe=$work/$arch/$top/bin/$p.exe
        check "windows-$arch $p.exe: its machine" "$format" \
            "$(x86_64-w64-mingw32-objdump -f "$exe" | sed -n 's/.*file format //p')"
        check "windows-$arch $p.exe: its version resource" " FILEVERSION ${version//./, }, 0
 PRODUCTVERSION ${version//./, }, 0
      VALUE \"FileVersion\", \"$version\"
      VALUE \"OriginalFilename\", \"$p.exe\"
      VALUE \"ProductName\", \"vy command-line suite\"
      VALUE \"ProductVersion\", \"$version\"" \
            "$($windres -i "$exe" -O rc | grep -E 'FILEVERSION|PRODUCTVERSION|"(FileVersion|OriginalFilename|ProductName|ProductVersion)"')"
    done
}

# The Windows installers. Each MSI's tables are read with msiinfo; then it
# is installed, run, upgraded, refused as a downgrade and removed silently
# under Wine, in a fresh prefix of the group's own (build/msi-wine-prefix for
# x64, build/msi-wine-prefix-x86 for x86, each with its own wineserver,
# stopped on the way out). The x86 MSI needs the 32-bit loader of Debian's
# wine32:i386 (the prefix is 64-bit: WoW64); without it the group is skipped
# (77). The files are compared with those of the ZIP of the same build,
# whose list the ZIP's group checks.
upgrade_code_x64={81565B8E-58EE-4E30-BA5E-EC926CDCD7E1}
upgrade_code_x86={E1DACBCC-681C-4CBE-942C-EA2C548FDCE2}
# Where each installs by default on 64-bit Windows, below C:, and its name.
program_files_x64='Program Files'
program_files_x86='Program Files (x86)'
product_x64='vy command-line suite (64-bit)'
product_x86='vy command-line suite (32-bit)'
# The ZIP's files below its top folder, sorted.
zip_files() { (cd "$work/$1/vy-command-line-$version-windows-$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }
# Names of the files that differ between two trees holding the same list.
# Programs too are packaged as they were linked (and signed), byte for byte.
differing() {
    (cd "$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | while read -r f; do
        cmp -s "$f" "$2/$f" || echo "$f"
    done)
}

# A fresh prefix for one group, build/<name>, and what the checks below ask
# of it.
msi_prefix_up() {
    msi_prefix=$PWD/build/$1
    local w
    for w in wine64 /usr/lib/wine/wine64 wine; do command -v "$w" >/dev/null 2>&1 && { wine=$w; break; }; done
    WINEPREFIX=$msi_prefix wineserver -k 2>/dev/null || true
    rm -rf "$msi_prefix"
    mkdir -p "$msi_prefix"
    in_wine wineboot -i >/dev/null 2>&1
}
in_wine() { WINEPREFIX=$msi_prefix WINEDEBUG=-all "$wine" "$@"; }
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

# Installed under Wine, and what it does: install, run, removal, a chosen
# folder, an upgrade and a refused downgrade, with the MSI of one
# architecture (x64 or x86).
check_msi_installs() {
    local arch=$1 msi=$packages/vy-command-line-$version-windows-$1.msi
    local dir=program_files_$1 product_var=product_$1
    local folder="${!dir}/vy command-line" product=${!product_var}
    local win_dir="C:\\${folder//\//\\}" name="MSI $arch"
    local win_bin="$win_dir\\bin" windres=x86_64-w64-mingw32-windres
    [ "$arch" = x64 ] || windres=i686-w64-mingw32-windres
    [ -d "$work/$arch" ] || unpack_zip "$arch"
    # The next version, and a second build of it, made from the same build:
    # the same bytes, and another product than this version.
    local next=${version%.*}.$((${version##*.} + 1))
    bash scripts/make-msi.sh "windows-$arch" --version "$next" --output "$work/next" >/dev/null
    bash scripts/make-msi.sh "windows-$arch" --version "$next" --output "$work/rebuilt" >/dev/null
    local next_msi=$work/next/vy-command-line-$next-windows-$arch.msi
    local rebuilt_msi=$work/rebuilt/vy-command-line-$next-windows-$arch.msi
    check "$name: a second build of $next is the same, byte for byte" "" "$(cmp "$next_msi" "$rebuilt_msi" 2>&1)"
    product_code() { msiinfo export "$1" Property | tr -d '\r' | sed -n 's/^ProductCode	//p'; }
    check "$name: $next has a product code of its own" "another" \
        "$([ "$(product_code "$msi")" != "$(product_code "$next_msi")" ] && echo another || echo same)"
    msi_prefix_up "msi-wine-prefix$([ "$arch" = x64 ] || echo "-$arch")"
    local path_before
    path_before=$(system_path)

    check "$name: silent install" 0 "$(msiexec_status /i "$msi")"
    check "$name: the ZIP's files under $win_dir" "$(zip_files "$arch")" "$(installed_files "$folder")"
    check "$name: files identical to the ZIP's" "" \
        "$(differing "$msi_prefix/drive_c/$folder" "$work/$arch/vy-command-line-$version-windows-$arch")"
    check "$name: one product, of this version" "$product $version" "$(products)"
    check "$name: bin appended to the system PATH" "$path_before
$win_bin" "$(system_path)"
    mkdir -p "$work/msi-install"
    cp "$msi_prefix/drive_c/$folder/doc/examples/CLI.CFG" "$work/msi-install/CLI.CFG"
    install_win="Z:${work//\//\\}\\msi-install"
    check "$name: vyPingSrv found through PATH, with the installed sample" "status 0" \
        "$(msi_ping /noSystemCommand /s x)"
    check "$name: the installed sample's settings" "- JAVA_HOME    = C:\\Program Files\\vy\\jre\\java
java  -classpath \".;;C:\\Program Files\\vy\\lib\\client.jar;$install_win\\vyMirrorKit.jar;$install_win\\vySecLink.jar;$install_win\\vyShellKit.jar;\" vyMirrorKit.vyNetProbe -Server=x 
status 0" "$(msi_ping /debug /noSystemCommand /s x | grep -E '^(- JAVA_HOME|java |status)')"
    check "$name: the installed vyPingSrv.exe's version" "      VALUE \"FileVersion\", \"$version\"
      VALUE \"ProductVersion\", \"$version\"" \
        "$($windres -i "$msi_prefix/drive_c/$folder/bin/vyPingSrv.exe" -O rc | grep -E '"(FileVersion|ProductVersion)"')"
    check "$name: silent removal" 0 "$(msiexec_status /x "$msi")"
    check "$name: removal leaves no file of ours" "" "$(left_over)"
    check "$name: removal leaves no product" "" "$(products)"
    # Wine leaves the separator of a removed entry: empty entries are not counted.
    check "$name: removal takes bin off the system PATH" "$path_before" "$(system_path)"

    # A folder chosen at install is where removal and upgrades look.
    check "$name: install into C:\\Tools\\vy" 0 "$(msiexec_status /i "$msi" 'INSTALLDIR=C:\Tools\vy')"
    check "$name: the files in C:\\Tools\\vy" "$(zip_files "$arch")" "$(installed_files Tools/vy)"
    check "$name: C:\\Tools\\vy\\bin on the system PATH" "$path_before
C:\Tools\vy\bin" "$(system_path)"
    check "$name: upgrade to $next in C:\\Tools\\vy" 0 "$(msiexec_status /i "$next_msi")"
    check "$name: the upgrade's files in C:\\Tools\\vy" "$(zip_files "$arch")" "$(installed_files Tools/vy)"
    check "$name: removal from C:\\Tools\\vy" 0 "$(msiexec_status /x "$next_msi")"
    check "$name: nothing left in C:\\Tools" "" "$(find "$msi_prefix/drive_c/Tools" -mindepth 1)$(left_over)$(products)"
    check "$name: the system PATH as before, after C:\\Tools\\vy" "$path_before" "$(system_path)"

    if emulator_built "windows-$arch"; then
        check "$name: install without the emulator feature" 0 "$(msiexec_status /i "$msi" ADDLOCAL=Suite)"
        # The vyEmulator command and its pages belong to the emulator too.
        check "$name: the emulator's files are left out" \
            "$(zip_files "$arch" | grep -v '^emulator/' | grep -vxF "$(emulator_command_windows)")" \
            "$(installed_files "$folder")"
        check "$name: removal after an install without the emulator" 0 "$(msiexec_status /x "$msi")"
    fi

    check "$name: install $version again" 0 "$(msiexec_status /i "$msi")"
    check "$name: upgrade to $next" 0 "$(msiexec_status /i "$next_msi")"
    check "$name: after the upgrade, one product, of $next" "$product $next" "$(products)"
    check "$name: after the upgrade, the files" "$(zip_files "$arch")" "$(installed_files "$folder")"
    check "$name: after the upgrade, bin once on the system PATH" "$path_before
$win_bin" "$(system_path)"
    check "$name: the second build of $next installed over it" 0 "$(msiexec_status /i "$rebuilt_msi")"
    check "$name: after the rebuild, one product" "$product $next" "$(products)"
    check "$name: a downgrade to $version is refused (1603)" 67 "$(msiexec_status /i "$msi")"
    check "$name: after the refused downgrade, $next stays" "$product $next" "$(products)"
    check "$name: after the refused downgrade, the files stay" "$(zip_files "$arch")" "$(installed_files "$folder")"
    check "$name: removal of $next" 0 "$(msiexec_status /x "$rebuilt_msi")"
    check "$name: nothing of ours left after the upgrade and removal" "" "$(left_over)$(products)"
    check "$name: the system PATH as before" "$path_before" "$(system_path)"
}

# msi-x86: the 32-bit MSI's tables; installed, upgraded and removed under
# Wine, and beside the 64-bit one.
check_msi_x86() {
    local msi=$packages/vy-command-line-$version-windows-x86.msi
    check "MSI x86: its platform" "Template: Intel;1033" "$(msiinfo suminfo "$msi" | grep '^Template:')"
    check "MSI x86: product, version, maker and the fixed upgrade code" "Manufacturer	vy command-line suite maintainers
ProductName	$product_x86
ProductVersion	$version
UpgradeCode	$upgrade_code_x86" \
        "$(msiinfo export "$msi" Property | tr -d '\r' | grep -E '^(Manufacturer|ProductName|ProductVersion|UpgradeCode)	' | LC_ALL=C sort)"
    check "MSI x86: installs under the 32-bit Program Files" "INSTALLDIR	ProgramFilesFolder	vy command-line" \
        "$(msiinfo export "$msi" Directory | tr -d '\r' | grep '^INSTALLDIR	')"
    check "MSI x86: the chosen folder read back from the 32-bit registry view" \
        "InstallFolder	2	Software\\vy command-line	InstallFolder	2" \
        "$(msiinfo export "$msi" RegLocator | tr -d '\r' | sed -n '4,$p')"
    check "MSI x86: no component is marked 64-bit" "" \
        "$(msiinfo export "$msi" Component | tr -d '\r' | awk -F '\t' 'NR > 3 && int($4 / 256) % 2 == 1 {print $1}')"
    check "MSI x86: bin appended to the system PATH, removed with the product" "SystemPath	=-*PATH	[~];[INSTALLDIR]bin	SystemPath" \
        "$(msiinfo export "$msi" Environment | tr -d '\r' | sed -n '4,$p')"
    check "MSI x86: older versions replaced, newer ones detected as a downgrade" \
        "$upgrade_code_x86	$version			2		WIX_DOWNGRADE_DETECTED
$upgrade_code_x86		$version		1		WIX_UPGRADE_DETECTED" \
        "$(msiinfo export "$msi" Upgrade | tr -d '\r' | sed -n '4,$p' | LC_ALL=C sort -t '	' -k7)"
    check "MSI x86: its features" "$(echo Suite; if emulator_built windows-x86; then echo Emulator; fi)" \
        "$(msiinfo export "$msi" Feature | tr -d '\r' | sed -n '4,$p' | cut -f1)"
    unpack_zip x86
    mkdir -p "$work/msi-x86"
    msiextract -C "$work/msi-x86" "$msi" >/dev/null
    check "MSI x86: the ZIP's files, extracted" "$(zip_files x86)" \
        "$(cd "$work/msi-x86/Program Files/vy command-line" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
    check "MSI x86: extracted files identical to the ZIP's" "" \
        "$(differing "$work/msi-x86/Program Files/vy command-line" "$work/x86/vy-command-line-$version-windows-x86")"
    if [ ! -x /usr/lib/wine/wine ]; then
        echo "SKIPPED: the x86 MSI's install under Wine: no 32-bit Wine (Debian: wine32:i386)"
        echo "$group: $passed checks passed, $failed failed, the install checks skipped"
        [ "$failed" -eq 0 ] || exit 1
        exit 77
    fi
    check_msi_installs x86
    check_side_by_side
}

# Both MSIs in one prefix: two products with their own upgrade codes, each
# in its own Program Files, each bin on the system PATH in the order they
# were installed (the first one's programs are the ones found); removing
# one leaves the other whole.
check_side_by_side() {
    local x64_msi=$packages/vy-command-line-$version-windows-x64.msi x86_msi=$packages/vy-command-line-$version-windows-x86.msi
    [ -d "$work/x64" ] || unpack_zip x64
    local path_before
    path_before=$(system_path)
    check "MSI x86 beside x64: x86 installs" 0 "$(msiexec_status /i "$x86_msi")"
    check "MSI x86 beside x64: x64 installs too" 0 "$(msiexec_status /i "$x64_msi")"
    check "MSI x86 beside x64: two products" "$product_x86 $version
$product_x64 $version" "$(products)"
    check "MSI x86 beside x64: the x86 ZIP's files in Program Files (x86)" "$(zip_files x86)" \
        "$(installed_files "$program_files_x86/vy command-line")"
    check "MSI x86 beside x64: the x64 ZIP's files in Program Files" "$(zip_files x64)" \
        "$(installed_files "$program_files_x64/vy command-line")"
    check "MSI x86 beside x64: both bins on the system PATH, x86's first" "$path_before
C:\\$program_files_x86\\vy command-line\\bin
C:\\$program_files_x64\\vy command-line\\bin" "$(system_path)"
    check "MSI x86 beside x64: vyPingSrv found through PATH" "status 0" "$(msi_ping /noSystemCommand /s x)"
    check "MSI x86 beside x64: removal of x86" 0 "$(msiexec_status /x "$x86_msi")"
    check "MSI x86 beside x64: x64 stays" "$product_x64 $version" "$(products)"
    check "MSI x86 beside x64: x64's files stay" "$(zip_files x64)" "$(installed_files "$program_files_x64/vy command-line")"
    check "MSI x86 beside x64: nothing left in Program Files (x86)" "" \
        "$(installed_files "$program_files_x86/vy command-line")"
    check "MSI x86 beside x64: only x64's bin on the system PATH" "$path_before
C:\\$program_files_x64\\vy command-line\\bin" "$(system_path)"
    check "MSI x86 beside x64: vyPingSrv still found through PATH" "status 0" "$(msi_ping /noSystemCommand /s x)"
    check "MSI x86 beside x64: removal of x64" 0 "$(msiexec_status /x "$x64_msi")"
    check "MSI x86 beside x64: nothing of ours left" "" "$(left_over)$(products)"
    check "MSI x86 beside x64: the system PATH as before" "$path_before" "$(system_path)"
}

# msi-x64: the 64-bit MSI installed, upgraded and removed under Wine.
check_msi_x64() {
    local msi=$packages/vy-command-line-$version-windows-x64.msi
    check "MSI x64: its platform" "Template: x64;1033" "$(msiinfo suminfo "$msi" | grep '^Template:')"
    check "MSI x64: the fixed upgrade code" "UpgradeCode	$upgrade_code_x64" \
        "$(msiinfo export "$msi" Property | tr -d '\r' | grep '^UpgradeCode	')"
    check_msi_installs x64
}

# The signatures of the Windows packages, made with the test's certificate:
# every program in both ZIPs and both MSIs, and both MSIs, verified against
# it; a changed byte, or another certificate, fails; the signed programs run
# under Wine, 64-bit and 32-bit, in a fresh prefix of their own
# (build/sign-wine-prefix).
keys=${VY_TEST_KEYS:-build/package-test/keys}
verify() { osslsigncode verify -CAfile "${2:-$keys/codesign.pem}" -in "$1" >/dev/null 2>&1 && echo ok || echo fails; }
# flip <file> <offset>: one byte changed.
flip() {
    local byte
    byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
    printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
check_signatures() {
    [ -f "$keys/codesign.pem" ] || { echo "check-packages.sh: no test certificate in $keys" >&2; exit 2; }
    local arch top msi msi_bin exe loader
    msi_prefix_up sign-wine-prefix
    for arch in x64 x86; do
        unpack_zip "$arch"
        top=$work/$arch/vy-command-line-$version-windows-$arch
        msi=$packages/vy-command-line-$version-windows-$arch.msi
        mkdir -p "$work/msi-$arch"
        msiextract -C "$work/msi-$arch" "$msi" >/dev/null
        # Below "Program Files" for x86; msiextract knows no 64-bit one.
        msi_bin=$(find "$work/msi-$arch" -path '*/vy command-line/bin' -type d)
        check "windows-$arch: every program of the ZIP signed" "$(for p in $programs; do echo "$p.exe ok"; done)" \
            "$(for p in $programs; do echo "$p.exe $(verify "$top/bin/$p.exe")"; done)"
        check "windows-$arch: every program of the MSI signed" "$(for p in $programs; do echo "$p.exe ok"; done)" \
            "$(for p in $programs; do echo "$p.exe $(verify "$msi_bin/$p.exe")"; done)"
        check "windows-$arch: the MSI signed" ok "$(verify "$msi")"
        # The signed program, from the ZIP, under Wine (wine runs 32-bit
        # programs in the same prefix).
        exe=$top/bin/vyRunJob.exe
        if [ $arch = x64 ]; then loader=$wine; else loader=wine; fi
        check "windows-$arch: the signed vyRunJob.exe runs under Wine" "$runjob_usage" "$(cd "$work" && WINEPREFIX=$msi_prefix WINEDEBUG=-all $loader "$exe" 2>/dev/null | tr -d '\r'; echo "status ${PIPESTATUS[0]}")"
    done
    exe=$work/x64/vy-command-line-$version-windows-x64/bin/vyPingSrv.exe
    check "a program checked against another certificate fails" fails "$(verify "$exe" "$keys/other.pem")"
    cp "$exe" "$work/changed.exe"
    # A byte of the code.
    flip "$work/changed.exe" $((16#$(x86_64-w64-mingw32-objdump -h "$exe" | awk '$2 == ".text" { print $6 }') + 100))
    check "a changed byte in a signed program breaks its signature" fails "$(verify "$work/changed.exe")"
    cp "$packages/vy-command-line-$version-windows-x64.msi" "$work/changed.msi"
    # A byte of the cabinet of the files, well inside it.
    flip "$work/changed.msi" $(($(grep -obUaP 'MSCF\x00\x00\x00\x00' "$work/changed.msi" | head -n 1 | cut -d: -f1) + 2000))
    check "a changed byte in a signed MSI breaks its signature" fails "$(verify "$work/changed.msi")"
}

# The apt repository the fixture made and signed (build/packages/apt), used
# as a file: source with signed-by, as the documentation says: the suite and
# the emulator installed with apt-get, upgraded to the next version (the
# same DEBs with the version raised, in a repository of their own) and
# removed; a repository signed with another key is refused. apt reads only
# the test's source and keeps its lists, cache and states in the test's
# folder; the packages go into this machine's dpkg database, so this runs as
# root only, never where they are installed already, and removes them on the
# way out whatever happens.
check_apt() {
    if [ "$(id -u)" != 0 ]; then
        echo "check-packages.sh: the apt group installs packages: it runs as root only"
        exit 77
    fi
    local names=vy-command-line p
    if emulator_built linux-release; then names="$names vy-command-line-emulator"; fi
    for p in $names; do
        if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q ' installed$'; then
            echo "check-packages.sh: $p is installed on this machine; the apt group would remove it" >&2
            exit 2
        fi
    done
    local repo=$PWD/$packages/apt
    local keyring=$repo/vy-command-line-archive-keyring.gpg
    check "apt: the repository's InRelease and Release.gpg verify with its published key" "0 0" \
        "$(gpgv --keyring "$keyring" "$repo/dists/stable/InRelease" 2>/dev/null; echo -n "$? ")$(
            gpgv --keyring "$keyring" "$repo/dists/stable/Release.gpg" "$repo/dists/stable/Release" 2>/dev/null; echo $?)"

    check_apt_key_and_validity "$repo"

    local a=$work/apt
    mkdir -p "$a/sources.list.d" "$a/trusted.gpg.d" "$a/lists/partial" "$a/cache/archives/partial"
    local options=(-o Dir::Etc::SourceList="$a/sources.list" -o Dir::Etc::SourceParts="$a/sources.list.d"
        -o Dir::Etc::TrustedParts="$a/trusted.gpg.d" -o Dir::Etc::Trusted="$a/trusted.gpg"
        -o Dir::State::Lists="$a/lists" -o Dir::Cache="$a/cache" -o Dir::State::extended_states="$a/extended_states"
        -o APT::Sandbox::User=root -o DPkg::Lock::Timeout=300 -q)
    # source <repository> <keyring>: the one source apt reads.
    source_of() { echo "deb [signed-by=$2] file:$1 stable main" > "$a/sources.list"; }
    # apt_get <arguments>: its output in $work/apt.log, then its status.
    apt_get() { local st=0; DEBIAN_FRONTEND=noninteractive apt-get "${options[@]}" "$@" > "$work/apt.log" 2>&1 || st=$?; echo "$st"; }
    installed() { dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' $names 2>/dev/null | sed 's/ *$//'; }

    source_of "$repo" "$keyring"
    check "apt: update from the signed repository" 0 "$(apt_get update)"
    check "apt: no warning on update" "" "$(grep -E '^(W|E):' "$work/apt.log" || true)"
    apt_installed=yes
    check "apt: apt-get install $names" 0 "$(apt_get install -y $names)"
    check "apt: installed, of $version" "$(for p in $names; do echo "$p $version ii"; done)" "$(installed)"
    check "apt: the installed vyRunJob without arguments" "$runjob_usage" "$(cd "$work" && /usr/bin/vyRunJob; echo "status $?")"

    # The next version: the same DEBs with the version raised, signed by
    # the same key.
    local next=${version%.*}.$((${version##*.} + 1)) file
    mkdir -p "$work/next-debs"
    for file in "$deb" $([ "$names" = vy-command-line ] || echo "$emulator_deb"); do
        rm -rf "$work/unpacked"
        dpkg-deb -R "$file" "$work/unpacked"
        sed -i "s/^Version: .*/Version: $next/" "$work/unpacked/DEBIAN/control"
        dpkg-deb --root-owner-group -b "$work/unpacked" "$work/next-debs/" >/dev/null
    done
    VY_GPG_KEY=$(cat "$keys/gpg.fingerprint") bash scripts/make-apt-repo.sh "$work/repo-next" "$work/next-debs"/*.deb
    source_of "$work/repo-next" "$keyring"
    check "apt: update from the repository of $next" 0 "$(apt_get update)"
    check "apt: upgrade to $next" 0 "$(apt_get install -y --only-upgrade $names)"
    check "apt: installed, of $next" "$(for p in $names; do echo "$p $next ii"; done)" "$(installed)"
    check "apt: apt-get purge" 0 "$(apt_get purge -y $names)"
    check "apt: nothing of ours left installed" "" "$(installed | grep -v ' un$' || true)"
    check "apt: the programs are gone" "" "$(ls /usr/bin/vy* 2>/dev/null || true)"
    apt_installed=no

    # The same DEBs signed by another key: refused for the published one.
    other_gnupg=$work/other-gnupg
    mkdir -m 700 "$other_gnupg"
    GNUPGHOME=$other_gnupg gpg --batch --quiet --passphrase '' --quick-gen-key "someone else <other@example.org>" ed25519 sign 1d
    GNUPGHOME=$other_gnupg VY_GPG_KEY=$(GNUPGHOME=$other_gnupg gpg --batch --with-colons --list-secret-keys |
        awk -F: '$1 == "fpr" { print $10; exit }') bash scripts/make-apt-repo.sh "$work/repo-other" "$deb"
    source_of "$work/repo-other" "$keyring"
    check "apt: update refuses the repository signed with another key" "100 refused" \
        "$(apt_get update) $(grep -q 'NO_PUBKEY\|is not signed' "$work/apt.log" && echo refused)"
    check "apt: nothing to install from it" 100 "$(apt_get install -y -s vy-command-line)"
}


# ---- The published key and the Release's validity (part of the apt group)
# The repository's keyring holds the one key that signed it, named by its
# fingerprint (gpg.fingerprint of make-keys.sh), and the Release file runs
# out 30 days after its date.
check_apt_key_and_validity() {
    local repo=$1
    check "apt: the published keyring holds the one signing key" "$(cat "$keys/gpg.fingerprint")" \
        "$(gpg --batch --with-colons --no-default-keyring --keyring "$repo/vy-command-line-archive-keyring.gpg" --list-keys |
            awk -F: '$1 == "pub" { primary = 1; next } primary && $1 == "fpr" { print $10; primary = 0 }')"
    local date
    date=$(sed -n 's/^Date: //p' "$repo/dists/stable/Release")
    check "apt: the Release is valid until 30 days after its date" "$(date -u -d "$date + 30 days" '+%a, %d %b %Y %H:%M:%S UTC')" \
        "$(sed -n 's/^Valid-Until: //p' "$repo/dists/stable/Release")"
}
# ---- end of the published key and the Release's validity

# Each group's checks.
echo "== $group"
case $group in
    tgz) check_tgz ;;
    deb) check_deb ;;
    emulator-deb) check_emulator_deb ;;
    emulator-run) check_emulator_run ;;
    zip-x64) check_zip x64 ;;
    zip-x86) check_zip x86 ;;
    msi-x86) check_msi_x86 ;;
    msi-x64) check_msi_x64 ;;
    signatures) check_signatures ;;
    apt) check_apt ;;
    *) usage ;;
esac
echo "$group: $passed checks passed, $failed failed"
[ "$failed" -eq 0 ]
