#!/usr/bin/env bats
# The RPMs in build/packages: signed with the test key, what they declare,
# the TGZ's files, installed, upgraded and removed in a scratch root, and
# rpmlint's findings as docs/PACKAGING.md explains them.

load rpm-common

setup_file() {
    require_packages
    # rpm's database of this file's checks: the test key alone.
    export RPMDB=$BATS_FILE_TMPDIR/rpmdb
    mkdir -p "$RPMDB"
    gpg --batch --armor --export "$FINGERPRINT" > "$BATS_FILE_TMPDIR/test-key.asc"
    rpm --dbpath "$RPMDB" --import "$BATS_FILE_TMPDIR/test-key.asc"
}

# rpm -K against the test key alone: its verdict line(s) without the file
# names, then its status.
verdict() {
    local status=0 out
    out=$(rpm --dbpath "$RPMDB" -K "$@") || status=$?
    sed 's/^.*: //' <<< "$out"
    echo "status $status"
}

@test "rpm -K: every RPM, and every one in the dnf repository, is signed with the test key" {
    local rpms=("$PACKAGES"/*.rpm "$PACKAGES"/dnf/Packages/*.rpm)
    assert_equal "${#rpms[@]}" $((2 * $(ls "$PACKAGES"/*.rpm | wc -l)))
    assert_equal "$(verdict "${rpms[@]}")" "$(printf 'digests signatures OK\n%.0s' "${rpms[@]}")
status 0"
}

@test "rpm -K: an RPM signed with another key, or changed after signing, is refused" {
    local rpm
    rpm=$(suite_rpms | head -n 1)
    cp "$rpm" "$BATS_TEST_TMPDIR/other.rpm"
    local other
    other=$(other_key "$BATS_TEST_TMPDIR/gnupg")
    GNUPGHOME=$BATS_TEST_TMPDIR/gnupg VY_GPG_KEY=$other bash scripts/sign-rpms.sh "$BATS_TEST_TMPDIR/other.rpm"
    GNUPGHOME=$BATS_TEST_TMPDIR/gnupg gpgconf --kill gpg-agent
    assert_equal "$(verdict "$BATS_TEST_TMPDIR/other.rpm")" "digests SIGNATURES NOT OK
status 1"
    # A byte of the payload, near the end.
    cp "$rpm" "$BATS_TEST_TMPDIR/changed.rpm"
    local at=$(($(stat -c %s "$rpm") - 200)) byte
    byte=$(od -An -tu1 -j "$at" -N1 "$rpm" | tr -d ' ')
    printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$BATS_TEST_TMPDIR/changed.rpm" bs=1 seek="$at" conv=notrunc status=none
    run verdict "$BATS_TEST_TMPDIR/changed.rpm"
    assert_output --partial "DIGESTS"
    assert_line "status 1"
}

@test "the RPMs' names, version, license, changelog and what they require" {
    local rpm arch
    for rpm in $(suite_rpms); do
        arch=$(rpm -qp --qf '%{ARCH}' "$rpm")
        assert_equal "$(rpm -qp --qf '%{NAME} %{VERSION}-%{RELEASE} %{LICENSE}\n%{PACKAGER}\n' "$rpm")" \
            "vy-command-line $VERSION-1 LicenseRef-vy-no-license-granted
vy command-line suite maintainers <vy-maintainers@example.org>"
        # The C library and its loader alone: the C++ runtime is linked in.
        assert_equal "$(rpm -qp --requires "$rpm" | grep -Ev '^(libc\.so\.6|ld-linux[-a-z0-9_.]*\.so\.[12])\(|^rtld\(GNU_HASH\)|^rpmlib\(' || true)" ""
        assert_equal "$(rpm -qp --requires "$rpm" | grep -c '^libc\.so\.6()')" 1
        assert_equal "$(rpm -qp --changelog "$rpm" | head -n 1)" \
            "* $(date -u -d "@$(rpm -qp --qf '%{BUILDTIME}' "$rpm")" '+%a %b %d %Y') vy command-line suite maintainers <vy-maintainers@example.org> - $VERSION-1"
    done
    rpm=$(emulator_rpm)
    [ -n "$rpm" ] || skip "the build has no emulator (no Java 17)"
    assert_equal "$(rpm -qp --qf '%{NAME} %{VERSION}-%{RELEASE} %{ARCH} %{LICENSE}\n' "$rpm")" \
        "vy-command-line-emulator $VERSION-1 noarch LicenseRef-vy-no-license-granted"
    assert_equal "$(rpm -qp --requires "$rpm" | grep -v '^rpmlib(')" "(java-headless >= 1:17 or jre-17-headless or jre-21-headless)
/bin/sh"
}

# Every file of a folder, with its mode, sorted.
listing() { (cd "$1" && find . -mindepth 1 -not -type d -printf '%M %p\n' | LC_ALL=C sort); }

# The emulator's RPM counts where the TGZ holds the emulator (the x86-64 one;
# the aarch64 TGZ holds the programs alone).
@test "the RPMs of an architecture hold the files of its TGZ, byte for byte, owned by root" {
    local rpm arch top dir emulator
    for rpm in $(suite_rpms); do
        arch=$(rpm -qp --qf '%{ARCH}' "$rpm")
        top=vy-command-line-$VERSION-linux-$arch
        dir=$BATS_TEST_TMPDIR/$arch
        mkdir -p "$dir/tgz" "$dir/rpm"
        tar -xzf "$PACKAGES/$top.tar.gz" -C "$dir/tgz"
        emulator=
        [ ! -d "$dir/tgz/$top/share/vy-command-line/emulator" ] || emulator=$(emulator_rpm)
        for r in "$rpm" $emulator; do
            (cd "$dir/rpm" && rpm2cpio "$OLDPWD/$r" | cpio -idm --quiet)
            assert_equal "$(rpm -qp --qf '[%{FILEUSERNAME}:%{FILEGROUPNAME}\n]' "$r" | sort -u)" "root:root"
        done
        assert_equal "$(listing "$dir/rpm/usr")" "$(listing "$dir/tgz/$top")"
        run diff -r "$dir/rpm/usr" "$dir/tgz/$top"
        assert_success
    done
}

@test "installed into a scratch root, the programs run; upgraded to the next version; removed leaving nothing of ours" {
    local root=$BATS_TEST_TMPDIR/root rpms=($(host_rpm) $(emulator_rpm))
    mkdir -p "$root"
    # Only the test key is trusted there; the C library is this machine's.
    rpm_in "$root" --import "$BATS_FILE_TMPDIR/test-key.asc"
    run rpm_in "$root" -i --nodeps "${rpms[@]}"
    assert_success
    local names=vy-command-line
    [ ${#rpms[@]} -eq 1 ] || names="vy-command-line vy-command-line-emulator"
    assert_equal "$(rpm_in "$root" -q --qf '%{NAME} %{VERSION}\n' $names)" "$(for n in $names; do echo "$n $VERSION"; done)"
    run -21 "$root/usr/bin/vyRunJob"
    assert_output "vyRunJob: No parameter(s) specified
usage: vyRunJob [/v] /u username & /p password | /a securityfilepath /s primaryserver /b backupserver taskNames"
    assert_file_exist "$root/usr/share/doc/vy-command-line/examples/CLI.CFG"
    assert_equal "$(rpm_in "$root" -V --nodeps $names)" ""

    next_rpms "$BATS_TEST_TMPDIR/next"
    run rpm_in "$root" -U --nodeps $(ls "$BATS_TEST_TMPDIR/next"/*.rpm | grep -E "\.($(rpm -qp --qf '%{ARCH}' "${rpms[0]}")|noarch)\.rpm$")
    assert_success
    assert_equal "$(rpm_in "$root" -q --qf '%{NAME} %{VERSION}\n' $names)" "$(for n in $names; do echo "$n $NEXT"; done)"

    run rpm_in "$root" -e $names
    assert_success
    assert_equal "$(rpm_in "$root" -qa | grep -v '^gpg-pubkey-' || true)" ""
    # Left: the database (where rpm keeps it: Debian's rpm below HOME), and
    # the folders that belong to the system alone.
    local db
    db=.$(rpm --eval '%_dbpath')
    assert_equal "$(cd "$root" && find . -mindepth 1 | awk -v db="$db" 'index(db "/", $0 "/") != 1 && index($0, db) != 1' |
        LC_ALL=C sort)" "./usr
./usr/bin
./usr/share
./usr/share/doc
./usr/share/man
./usr/share/man/man1
./usr/share/man/man5
./usr/share/man/man7"
}

@test "rpmlint: no error, and only the warnings docs/PACKAGING.md explains" {
    # Its check of the signatures reads rpm's database of the user, in
    # HOME (Debian's rpm): one that holds the test key.
    mkdir -p "$BATS_TEST_TMPDIR/home"
    rpm --dbpath "$BATS_TEST_TMPDIR/home/.rpmdb" --import "$BATS_FILE_TMPDIR/test-key.asc"
    HOME=$BATS_TEST_TMPDIR/home run rpmlint -c packaging/rpmlint.toml "$PACKAGES"/*.rpm
    local findings
    findings=$(grep -E '^[^ ]+: [EW]: ' <<< "$output" | awk '{ print $2, $3 }' | LC_ALL=C sort -u)
    assert_equal "$findings" "W: invalid-license
W: jar-not-indexed
W: no-manual-page-for-binary
W: no-url-tag"
    # Each of them in the documentation.
    local id
    for id in invalid-license jar-not-indexed no-manual-page-for-binary no-url-tag; do
        grep -q "\`$id\`" docs/PACKAGING.md || fail "docs/PACKAGING.md does not explain $id"
    done
}
