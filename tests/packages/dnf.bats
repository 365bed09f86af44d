#!/usr/bin/env bats
# The dnf repository in build/packages/dnf, read by dnf with only the test's
# file: repository, configured by the .repo file of docs/RELEASES.md: its
# metadata and repomd.xml's signature verified against the published key, a
# repository signed with another key or changed after signing refused, and
# an upgrade to the next version seen. dnf works in a scratch root of its
# own (--installroot, its configuration, cache and database there); the
# machine's own repositories and database are never read.

load rpm-common

setup_file() {
    require_packages
}

# dnf checks repomd.xml with a keyring of its own in its cache, and gpg
# starts an agent for it: stopped with the test.
teardown() {
    local ring
    for ring in "$BATS_TEST_TMPDIR"/*/var/cache/dnf/*/pubring; do
        [ -d "$ring" ] && GNUPGHOME=$ring gpgconf --kill gpg-agent 2>/dev/null || true
    done
}

# The .repo file that docs/RELEASES.md gives, for the repository in folder
# $1 (its URLs turned into file: ones).
repo_file() {
    sed -n '/^    \[vy-command-line\]$/,/^$/p' docs/RELEASES.md | sed 's/^    //' |
        sed "s|^baseurl=.*|baseurl=file://$1|; s|^gpgkey=.*|gpgkey=file://$1/RPM-GPG-KEY-vy-command-line|"
}

# dnf_in <root> <repository folder> <dnf arguments>: dnf in the scratch
# root, reading only the one repository; its output and errors.
dnf_in() {
    local root=$1 repo=$2
    shift 2
    mkdir -p "$root/etc/yum.repos.d"
    repo_file "$repo" > "$root/etc/yum.repos.d/vy-command-line.repo"
    printf '[main]\nreposdir=/etc/yum.repos.d\ncachedir=/var/cache/dnf\nlogdir=/var/log\nkeepcache=0\n' > "$root/dnf.conf"
    timeout 120 dnf -c "$root/dnf.conf" --installroot="$root" --releasever=1 --setopt=reposdir="$root/etc/yum.repos.d" \
        --disableplugin='*' -y --quiet "$@" 2>&1
}

@test "dnf reads the signed repository and verifies repomd.xml with the published key, the test key alone" {
    # The .repo file of the docs checks the packages and repomd.xml.
    run repo_file /srv/vy
    assert_line "gpgcheck=1"
    assert_line "repo_gpgcheck=1"
    assert_line "gpgkey=file:///srv/vy/RPM-GPG-KEY-vy-command-line"
    assert_equal "$(gpg --batch --show-keys --with-colons "$PACKAGES/dnf/RPM-GPG-KEY-vy-command-line" |
        awk -F: '$1 == "pub" { p = 1; next } p && $1 == "fpr" { print $10; p = 0 }')" "$FINGERPRINT"
    local root=$BATS_TEST_TMPDIR/root
    run dnf_in "$root" "$PWD/$PACKAGES/dnf" repoquery --qf '%{name} %{version}-%{release} %{arch}'
    assert_success
    local expected
    # Every RPM made: the suite's of each architecture and the emulator's.
    expected=$(for rpm in "$PACKAGES"/*.rpm; do rpm -qp --qf '%{NAME} %{VERSION}-%{RELEASE} %{ARCH}\n' "$rpm" 2>/dev/null; done |
        LC_ALL=C sort)
    assert_equal "$(grep '^vy-' <<< "$output" | LC_ALL=C sort)" "$expected"
    # The key dnf took in, shown by its fingerprint.
    assert_line " Fingerprint: $(sed 's/..../& /g; s/ $//' <<< "$FINGERPRINT")"
}

@test "dnf refuses the repository signed with another key, and one changed after signing" {
    local other
    other=$(other_key "$BATS_TEST_TMPDIR/gnupg")
    GNUPGHOME=$BATS_TEST_TMPDIR/gnupg VY_GPG_KEY=$other bash scripts/make-dnf-repo.sh "$BATS_TEST_TMPDIR/other" "$PACKAGES"/*.rpm
    GNUPGHOME=$BATS_TEST_TMPDIR/gnupg gpgconf --kill gpg-agent
    # The published key of the real repository, beside the other one's.
    cp "$PACKAGES/dnf/RPM-GPG-KEY-vy-command-line" "$BATS_TEST_TMPDIR/other/"
    run dnf_in "$BATS_TEST_TMPDIR/root-other" "$BATS_TEST_TMPDIR/other" repoquery --qf '%{name}'
    assert_failure
    refute_line --regexp '^vy-command-line'
    assert_output --partial "repomd.xml GPG signature verification error: Bad GPG signature"

    cp -r "$PACKAGES/dnf" "$BATS_TEST_TMPDIR/changed"
    sed -i 's|<revision>|<revision>1|' "$BATS_TEST_TMPDIR/changed/repodata/repomd.xml"
    run dnf_in "$BATS_TEST_TMPDIR/root-changed" "$BATS_TEST_TMPDIR/changed" repoquery --qf '%{name}'
    assert_failure
    refute_line --regexp '^vy-command-line'
    assert_output --partial "repomd.xml GPG signature verification error: Bad GPG signature"
}

@test "dnf sees the next version as the upgrade of what rpm installed" {
    local root=$BATS_TEST_TMPDIR/root rpms=($(host_rpm) $(emulator_rpm))
    mkdir -p "$root"
    rpm_in "$root" -i --nodeps "${rpms[@]}"
    next_rpms "$BATS_TEST_TMPDIR/next"
    VY_GPG_KEY=$FINGERPRINT bash scripts/make-dnf-repo.sh "$BATS_TEST_TMPDIR/repo-next" "$BATS_TEST_TMPDIR/next"/*.rpm
    run dnf_in "$root" "$BATS_TEST_TMPDIR/repo-next" check-update
    # 100: upgrades there.
    assert_equal "$status" 100
    local arch
    arch=$(rpm -qp --qf '%{ARCH}' "${rpms[0]}" 2>/dev/null)
    assert_equal "$(grep '^vy-' <<< "$output" | awk '{ print $1, $2 }' | LC_ALL=C sort)" "$({
        echo "vy-command-line.$arch $NEXT-1"
        [ ${#rpms[@]} -eq 1 ] || echo "vy-command-line-emulator.noarch $NEXT-1"; } | LC_ALL=C sort)"
}
