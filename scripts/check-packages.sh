#!/usr/bin/env bash
# The test of what ships: the four packages in build/packages (made by
# scripts/package.sh), checked from the outside as an administrator would
# meet them. The TGZ and the DEB are unpacked and their programs and man
# pages used from there; each ZIP's contents are compared with what it must
# hold, and each Windows program's version resource is read back; lintian
# judges the DEB.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^  VERSION \([0-9][0-9.]*\)$/\1/p' CMakeLists.txt)
packages=build/packages
work=$(mktemp -d)
emulator_jar=
# An emulator started below is stopped on the way out, whatever happens
# (with the jar itself, which works whatever became of the command).
cleanup() {
    if [ -n "$emulator_jar" ] && [ -e "$work/server" ]; then
        timeout 60 java -jar "$emulator_jar" stop --port-file "$work/server" >/dev/null 2>&1 || true
    fi
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

programs="vyAwaitJob vyPingSrv vyProbeVol vyRunJob vySeedHost vyShowLuns vyshell"
pages="man1/vyAwaitJob.1 man1/vyPingSrv.1 man1/vyProbeVol.1 man1/vyRunJob.1 man1/vySeedHost.1
man1/vyShowLuns.1 man1/vyshell.1 man5/CLI.CFG.5 man5/vy-security-file.5 man5/vy-volume-list.5
man7/vy-exit-status.7"

# The emulator and the client's class archives are there when the build
# made them (Java 17 found).
emulator_built() { [ -e "build/$1/java/vyEmulator.jar" ]; }
emulator_files() {
    local dir=$1 lanectl=$2
    for jar in vyEmulator vyMirrorKit vySecLink vyShellKit; do echo "$dir/$jar.jar"; done
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
    check "$label: vyRunJob without arguments" "vyRunJob: No parameter(s) specified
usage: vyRunJob [/v] /u username & /p password | /a securityfilepath /s primaryserver /b backupserver taskNames
status 21" \
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

echo "== TGZ"
tgz=$packages/vy-command-line-$version-linux-$(uname -m | tr A-Z a-z).tar.gz
top=vy-command-line-$version-linux-$(uname -m | tr A-Z a-z)
check "TGZ contents" "$( (linux_files; if emulator_built linux-release; then
        emulator_files share/vy-command-line/emulator lanectl
        emulator_command_linux
        echo share/doc/vy-command-line-emulator/changelog.gz
        echo share/doc/vy-command-line-emulator/copyright; fi) | sed "s|^|$top/|" | sort)" \
    "$(tar -tzf "$tgz" | grep -v '/$' | sort)"
mkdir -p "$work/tgz"
tar -xzf "$tgz" -C "$work/tgz"
check_programs "$work/tgz/$top" TGZ
check "TGZ: man -l shows the page" "$expected_page" \
    "$(MANPAGER=cat MANWIDTH=80 man -l "$work/tgz/$top/share/man/man1/vyRunJob.1.gz" 2>/dev/null | page_lines)"

echo "== DEB"
deb=$packages/vy-command-line_${version}_$(dpkg --print-architecture).deb
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
lintian_status=0
lintian --fail-on error "$deb" | sed 's/^/    /' || lintian_status=$?
check "lintian finds no error in the DEB" 0 "$lintian_status"
if emulator_built linux-release; then
    deb=$packages/vy-command-line-emulator_${version}_all.deb
    check "emulator DEB fields" "Package: vy-command-line-emulator
Version: $version
Architecture: all" "$(dpkg-deb -f "$deb" Package Version Architecture)"
    check "emulator DEB contents" "$( (emulator_files share/vy-command-line/emulator lanectl
        emulator_command_linux
        echo share/doc/vy-command-line-emulator/changelog.gz
        echo share/doc/vy-command-line-emulator/copyright) | sed 's|^|./usr/|' | sort)" \
        "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)"
    lintian_status=0
    lintian --fail-on error "$deb" | sed 's/^/    /' || lintian_status=$?
    check "lintian finds no error in the emulator DEB" 0 "$lintian_status"

    # The packaged launchers against the packaged emulator: an installation
    # made of the DEB's client archives and a CLI.CFG naming this machine's
    # Java, an emulator with its sample state on a free loopback port (it
    # stops by itself after 5 minutes should the clean-up not stop it).
    dpkg-deb -x "$deb" "$work/deb"
    emu=$work/deb/usr/share/vy-command-line/emulator
    mkdir -p "$work/emu-install"
    cp "$emu/vyMirrorKit.jar" "$emu/vySecLink.jar" "$emu/vyShellKit.jar" "$work/emu-install/"
    printf '%s\n' "JAVA_INSTALL=$(dirname "$(readlink -f "$(command -v java)")")/" \
        "JAVA_CLASSPATH=$work/emu-install" > "$work/emu-install/CLI.CFG"
    emulator_jar=$emu/vyEmulator.jar
    # Started through the package's vyEmulator command, as a user would.
    check "emulator: vyEmulator start" "status 0" "$(timeout 60 "$work/deb/usr/bin/vyEmulator" start --port 0 --in-memory \
        --port-file "$work/server" --stop-after 5 --log "$work/emulator.log" >/dev/null; echo "status $?")"
    server=$(cat "$work/server")
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
status 0" "$(timeout 60 "$work/deb/usr/bin/vyEmulator" stop --port-file "$work/server"; echo "status $?")"
    check "emulator: man finds vyEmulator's page" "vyEmulator - a storage-server emulator for trying scripts of the vy programs" \
        "$(MANPATH="$work/deb/usr/share/man" MANPAGER=cat MANWIDTH=100 man vyEmulator 2>/dev/null | col -bx |
            grep -E '^ +vyEmulator - ' | sed 's/^ *//')"
fi

for arch in x64 x86; do
    echo "== ZIP windows-$arch"
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
    mkdir -p "$work/$arch"
    unzip -q "$zip" -d "$work/$arch"
    check "windows-$arch: the sample CLI.CFG has CR LF line ends" "$(grep -c '' "$work/$arch/$top/doc/examples/CLI.CFG")" \
        "$(grep -c $'\r$' "$work/$arch/$top/doc/examples/CLI.CFG")"
    if [ $arch = x64 ]; then windres=x86_64-w64-mingw32-windres; format=pei-x86-64; else windres=i686-w64-mingw32-windres; format=pei-i386; fi
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
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
