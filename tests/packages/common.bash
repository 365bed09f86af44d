# What the groups of the test of what ships share, loaded by each
# tests/packages/<group>.bats: where the packages are, what they must hold,
# how a program of a package is run, and the clean-up of whatever a group
# starts or installs. Each group runs from the project's folder on the
# packages of build/packages (scripts/package.sh) with the throw-away keys of
# VY_TEST_KEYS (tests/packages/make-keys.sh; GNUPGHOME holds the OpenPGP key).

# Each check compares a whole text with the one written here and shows the
# difference (same, below); the assertion libraries are not needed.
cd "$BATS_TEST_DIRNAME/../.." || exit 1
source scripts/facts.sh

packages=build/packages
# Read once a group (bats reads this file again for each test; the tests
# inherit what it exported the first time): the version the packages were
# made with, the project's, as the native build that made them configured
# it; the programs, as that build lists them; the DEB's architecture.
if [ -z "${VY_GROUP_FACTS:-}" ]; then
    VY_GROUP_FACTS="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/linux-release/CMakeCache.txt 2>/dev/null || true)
$(cat build/linux-release/programs.txt 2>/dev/null || true)
$(dpkg --print-architecture)
linux-$(uname -m | tr A-Z a-z)"
    export VY_GROUP_FACTS
fi
{ read -r version; read -r programs; read -r deb_arch; read -r linux_arch; } <<< "$VY_GROUP_FACTS"
keys=${VY_TEST_KEYS:-build/package-test/keys}
# The group's own folder, removed by bats after the group.
work=$BATS_FILE_TMPDIR

# same EXPECTED ACTUAL: equal, or fails showing the difference.
same() {
    [ "$1" == "$2" ] && return 0
    diff <(printf '%s\n' "$1") <(printf '%s\n' "$2") | sed 's/^/    /'
    return 1
}

# Called by each group's setup_file: without packages nothing is checked.
packages_made() {
    if [ -z "$version" ] || [ ! -d "$packages" ]; then
        echo "no packages; make them first (bash scripts/package.sh)" >&2
        return 1
    fi
}

# The emulator and the client's class archives are there when the build
# made them (Java 17 found).
emulator_built() { [ -e "build/$1/java/vyEmulator.jar" ]; }
# Called by the setup of the emulator's groups.
emulator_or_skip() {
    emulator_built linux-release || skip "the native build has no emulator (no Java 17): nothing to check"
}

# Whatever a group started or installed goes on the way out, whatever
# happened: an emulator (ended by its process number should it not stop
# when asked), the Wine server of the group's own prefix, the packages the
# apt group installed on this machine, the gpg agent of another key.
teardown_file() {
    bash scripts/emulator.sh stop "$work/emulator" >/dev/null 2>&1 || true
    if [ -f "$work/msi-prefix" ]; then WINEPREFIX=$(cat "$work/msi-prefix") wineserver -k 2>/dev/null || true; fi
    if [ -f "$work/apt-installed" ]; then dpkg --purge vy-command-line-emulator vy-command-line >/dev/null 2>&1 || true; fi
    if [ -d "$work/other-gnupg" ]; then GNUPGHOME=$work/other-gnupg gpgconf --kill gpg-agent 2>/dev/null || true; fi
}

# The programs' pages, and the other pages of the suite.
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

# The checks of the programs of an unpacked Linux package, run from where
# they lie (PREFIX is the package's usr).
vyPingSrv_with_sample() {
    same "status 0" \
        "$(run_installed "$1/bin/vyPingSrv" "$1/share/doc/vy-command-line/examples/CLI.CFG" /noSystemCommand /s x)"
}
sample_settings() {
    same "- JAVA_HOME    = /opt/vy/jre/java
java  -classpath \".::/opt/vy/lib/client.jar:$work/install/vyMirrorKit.jar:$work/install/vySecLink.jar:$work/install/vyShellKit.jar:\" vyMirrorKit.vyNetProbe -Server=x 
status 0" \
        "$(run_installed "$1/bin/vyPingSrv" "$1/share/doc/vy-command-line/examples/CLI.CFG" /debug /noSystemCommand /s x |
            grep -E '^(- JAVA_HOME|java |status)')"
}
vyRunJob_without_arguments() {
    same "$runjob_usage" "$(run_installed "$1/bin/vyRunJob" "$1/share/doc/vy-command-line/examples/CLI.CFG")"
}
vyShowLuns_without_tool() {
    same "status 18" "$(run_installed "$1/bin/vyShowLuns" /dev/null -z)"
}

# A page as man shows it: its name line and its footer with the version.
page_lines() {
    col -bx | grep -E '^ +vyRunJob - |vy command-line suite [0-9]' | sed 's/^ *//; s/  .*//'
}
expected_page="vyRunJob - run named copy tasks on the storage server
vy command-line suite $version"

deb=$packages/vy-command-line_${version}_$deb_arch.deb
emulator_deb=$packages/vy-command-line-emulator_${version}_all.deb

# lintian's verdict on a DEB: its status. Its findings are shown, indented,
# out of the value compared.
lintian_status() {
    local status=0
    lintian --fail-on error "$1" | sed 's/^/    /' >&2 || status=$?
    echo "$status"
}

# Unpacks the ZIP of windows-<arch> into $work/<arch>, once.
unpack_zip() {
    [ -d "$work/$1" ] && return 0
    mkdir -p "$work/$1"
    unzip -q "$packages/vy-command-line-$version-windows-$1.zip" -d "$work/$1"
}
# The ZIP's files below its top folder, sorted.
zip_files() { (cd "$work/$1/vy-command-line-$version-windows-$1" && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

# A fresh Wine prefix for one group, build/<name>, with a Wine server of its
# own (stopped by teardown_file). Exports wine and msi_prefix.
msi_prefix_up() {
    export msi_prefix=$PWD/build/$1
    echo "$msi_prefix" > "$work/msi-prefix"
    local w
    for w in wine64 /usr/lib/wine/wine64 wine; do command -v "$w" >/dev/null 2>&1 && { export wine=$w; break; }; done
    WINEPREFIX=$msi_prefix wineserver -k 2>/dev/null || true
    rm -rf "$msi_prefix"
    mkdir -p "$msi_prefix"
    in_wine wineboot -i >/dev/null 2>&1
}
# A Windows program in the group's prefix. The Wine server it may start
# keeps none of bats's descriptors open.
in_wine() { WINEPREFIX=$msi_prefix WINEDEBUG=-all "$wine" "$@" 3>&-; }
