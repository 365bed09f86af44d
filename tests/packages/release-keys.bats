#!/usr/bin/env bats
# The release scripts' handling of keys and secrets, on throw-away keys made
# here: the OpenPGP key named by its fingerprint alone, only that key
# published, the Release file's Valid-Until, an owner-only password file, and
# make-keys.sh leaving nothing behind when it fails.

bats_require_minimum_version 1.5.0
load '/usr/lib/bats/bats-support/load'
load '/usr/lib/bats/bats-assert/load'
load '/usr/lib/bats/bats-file/load'

setup_file() {
    export SRC=$PWD
    export KEYS=$BATS_FILE_TMPDIR/gnupg
    mkdir -m 700 "$KEYS"
    # Two keys with the same user id.
    for n in 1 2; do
        GNUPGHOME=$KEYS gpg --batch --yes --quiet --passphrase '' --quick-gen-key "twin <twin@example.org>" ed25519 sign 1d
    done
    GNUPGHOME=$KEYS gpg --batch --with-colons --list-secret-keys | awk -F: '$1 == "sec" { s = 1 } s && $1 == "fpr" { print $10; s = 0 }' \
        > "$BATS_FILE_TMPDIR/fingerprints"
    # The second certified by the first: a signature that a minimal export
    # leaves out.
    GNUPGHOME=$KEYS gpg --batch --yes --quiet --local-user "$(sed -n 1p "$BATS_FILE_TMPDIR/fingerprints")" \
        --quick-sign-key "$(sed -n 2p "$BATS_FILE_TMPDIR/fingerprints")" 2>/dev/null
    # A small DEB for the repository.
    local d=$BATS_FILE_TMPDIR/deb
    mkdir -p "$d/DEBIAN" "$d/usr/share/doc/vy-twin"
    printf 'Package: vy-twin\nVersion: 1.0\nArchitecture: all\nMaintainer: t <t@example.org>\nDescription: t\n' > "$d/DEBIAN/control"
    echo x > "$d/usr/share/doc/vy-twin/x"
    dpkg-deb --root-owner-group -b "$d" "$BATS_FILE_TMPDIR/vy-twin.deb" >/dev/null
}

teardown_file() {
    GNUPGHOME=$KEYS gpgconf --kill gpg-agent 2>/dev/null || true
}

fingerprint() { sed -n "${1}p" "$BATS_FILE_TMPDIR/fingerprints"; }
apt_repo() { GNUPGHOME=$KEYS bash "$SRC/scripts/make-apt-repo.sh" "$BATS_TEST_TMPDIR/apt" "$BATS_FILE_TMPDIR/vy-twin.deb"; }

@test "make-apt-repo: a user id for the key, matching two keys, is refused before anything is made" {
    VY_GPG_KEY=twin@example.org run apt_repo
    assert_equal "$status" 2
    assert_output --partial "VY_GPG_KEY must be the full fingerprint of the signing key"
    assert_not_exist "$BATS_TEST_TMPDIR/apt"
    # A short key id is no fingerprint either.
    VY_GPG_KEY=$(fingerprint 1 | tail -c 17) run apt_repo
    assert_equal "$status" 2
}

@test "make-apt-repo: a fingerprint of no secret key is refused" {
    VY_GPG_KEY=0123456789ABCDEF0123456789ABCDEF01234567 run apt_repo
    assert_equal "$status" 2
    assert_output --partial "no secret key 0123456789ABCDEF0123456789ABCDEF01234567"
}

@test "make-apt-repo: the keyring holds the one key named by its fingerprint, though another shares its user id" {
    local fpr
    fpr=$(fingerprint 2)
    VY_GPG_KEY=$fpr run apt_repo
    assert_success
    run gpg --batch --with-colons --no-default-keyring --keyring "$BATS_TEST_TMPDIR/apt/vy-command-line-archive-keyring.gpg" --list-keys
    assert_equal "$(grep -c '^pub:' <<< "$output")" 1
    assert_equal "$(awk -F: '$1 == "fpr" { print $10; exit }' <<< "$output")" "$fpr"
    # Minimal: the key, its user id and self-signature only, without the
    # other key's certification.
    assert_equal "$(GNUPGHOME=$KEYS gpg --batch --export "$fpr" | gpg --batch --list-packets | grep -c '^:signature packet:')" 2
    assert_equal "$(gpg --batch --list-packets "$BATS_TEST_TMPDIR/apt/vy-command-line-archive-keyring.gpg" | grep -c '^:signature packet:')" 1
    # The Release file signed by that key.
    run gpgv --keyring "$BATS_TEST_TMPDIR/apt/vy-command-line-archive-keyring.gpg" "$BATS_TEST_TMPDIR/apt/dists/stable/InRelease"
    assert_success
    # Given in lower case with the blanks gpg shows, it is the same key.
    VY_GPG_KEY="$(fingerprint 2 | tr A-F a-f | sed 's/..../& /g')" run apt_repo
    assert_success
}

@test "make-apt-repo: the Release is valid for 30 days from its date, or as many as VY_APT_VALID_DAYS says" {
    SOURCE_DATE_EPOCH=1798761600 run apt_repo
    assert_success
    assert_equal "$(grep -E '^(Date|Valid-Until):' "$BATS_TEST_TMPDIR/apt/dists/stable/Release")" \
        "Date: Fri, 01 Jan 2027 00:00:00 UTC
Valid-Until: Sun, 31 Jan 2027 00:00:00 UTC"
    SOURCE_DATE_EPOCH=1798761600 VY_APT_VALID_DAYS=7 run apt_repo
    assert_success
    assert_equal "$(grep '^Valid-Until:' "$BATS_TEST_TMPDIR/apt/dists/stable/Release")" "Valid-Until: Fri, 08 Jan 2027 00:00:00 UTC"
    for days in 0 3651 7x ""; do
        VY_APT_VALID_DAYS=$days run apt_repo
        assert_equal "$status" 2
        assert_output --partial "VY_APT_VALID_DAYS must be a number of days from 1 to 3650"
    done
}

@test "package.sh: a password file that others can read is refused before anything is built" {
    local p12=$BATS_TEST_TMPDIR/any.p12 pass=$BATS_TEST_TMPDIR/password
    echo x > "$p12"
    echo secret > "$pass"
    for mode in 644 640 604; do
        chmod "$mode" "$pass"
        VY_SIGN_PKCS12=$p12 VY_SIGN_PASSWORD_FILE=$pass run bash "$SRC/scripts/package.sh"
        assert_equal "$status" 2
        assert_output "package.sh: the password file $pass can be read by others than its owner (mode $mode): make it owner-only (chmod 600)"
    done
}

@test "package.sh: a user id for VY_GPG_KEY is refused before anything is built" {
    GNUPGHOME=$KEYS VY_GPG_KEY="twin" run bash "$SRC/scripts/package.sh"
    assert_equal "$status" 2
    assert_output --partial "VY_GPG_KEY must be the full fingerprint of the signing key"
    refute_output --partial "== linux-release"
}

@test "make-keys: a failed step leaves nothing behind, the unencrypted key included" {
    # An openssl whose pkcs12 fails.
    mkdir "$BATS_TEST_TMPDIR/bin"
    printf '#!/bin/sh\n[ "$1" = pkcs12 ] && exit 1\nexec %s "$@"\n' "$(command -v openssl)" > "$BATS_TEST_TMPDIR/bin/openssl"
    chmod +x "$BATS_TEST_TMPDIR/bin/openssl"
    PATH=$BATS_TEST_TMPDIR/bin:$PATH run bash "$SRC/tests/packages/make-keys.sh" "$BATS_TEST_TMPDIR/keys"
    assert_failure
    assert_not_exist "$BATS_TEST_TMPDIR/keys"
    # Made whole, it names the OpenPGP key by its fingerprint.
    run bash "$SRC/tests/packages/make-keys.sh" "$BATS_TEST_TMPDIR/keys"
    assert_success
    assert_equal "$(cat "$BATS_TEST_TMPDIR/keys/gpg.fingerprint")" \
        "$(GNUPGHOME=$BATS_TEST_TMPDIR/keys/gnupg gpg --batch --with-colons --list-secret-keys | awk -F: '$1 == "fpr" { print $10; exit }')"
    assert_file_not_exist "$BATS_TEST_TMPDIR/keys/codesign.key"
    GNUPGHOME=$BATS_TEST_TMPDIR/keys/gnupg gpgconf --kill gpg-agent
}
