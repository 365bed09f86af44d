# Shared by rpm.bats and dnf.bats: the packages that scripts/package.sh made
# in build/packages, signed with the test's OpenPGP key (make-keys.sh, in
# VY_TEST_KEYS, its GNUPGHOME in GNUPGHOME).

bats_require_minimum_version 1.5.0
load '/usr/lib/bats/bats-support/load'
load '/usr/lib/bats/bats-assert/load'
load '/usr/lib/bats/bats-file/load'

PACKAGES=build/packages
KEYS=${VY_TEST_KEYS:-build/package-test/keys}
# The version the packages were made with, as the native build configured it.
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/linux-release/CMakeCache.txt 2>/dev/null || true)
NEXT=${VERSION%.*}.$((${VERSION##*.} + 1))
FINGERPRINT=$(cat "$KEYS/gpg.fingerprint" 2>/dev/null || true)
export GNUPGHOME=$KEYS/gnupg

# The packages must be there: a test without them fails, never passes.
require_packages() {
    [ -n "$VERSION" ] && [ -n "$FINGERPRINT" ] && compgen -G "$PACKAGES/*.rpm" >/dev/null ||
        { echo "no RPMs or no test key; make the packages first (ctest --preset package-test)" >&2; return 1; }
}

# The architecture-dependent RPMs of the suite (one per architecture built),
# and the emulator's, where the build has one.
suite_rpms() {
    local f
    for f in "$PACKAGES"/vy-command-line-"$VERSION"-1.*.rpm; do [[ $f == *.noarch.rpm ]] || echo "$f"; done
}
# The suite's RPM of this machine's architecture: the one that runs here.
host_rpm() { ls "$PACKAGES/vy-command-line-$VERSION-1.$(uname -m).rpm"; }
emulator_rpm() { ls "$PACKAGES"/vy-command-line-emulator-"$VERSION"-1.noarch.rpm 2>/dev/null || true; }

# rpm on a scratch root of its own (its own database; never this machine's);
# in a user namespace where this is not root, so that files can be given to
# root. Debian's rpm warns on every call that it is no dpkg: dropped.
rpm_in() {
    local root=$1
    shift
    local as=()
    [ "$(id -u)" = 0 ] || as=(unshare -r)
    "${as[@]}" rpm --root "$root" "$@" 2> >(grep -v 'should not be used directly\|assuming you know what you are doing' >&2)
}

# next_rpms <folder>: the RPMs again with the version raised to $NEXT
# (CPack on the native build's configuration), signed with the test key.
next_rpms() {
    local as=()
    [ "$(id -u)" = 0 ] || as=(fakeroot)
    SOURCE_DATE_EPOCH=$(date +%s) "${as[@]}" cpack --config build/linux-release/CPackConfig.cmake -G RPM \
        -D CPACK_PACKAGE_VERSION="$NEXT" -B "$1" >/dev/null
    rm -rf "$1/_CPack_Packages" "$1"/*.sha256
    VY_GPG_KEY=$FINGERPRINT bash scripts/sign-rpms.sh "$1"/*.rpm
}

# other_key <GNUPGHOME>: a key of someone else's there; prints its fingerprint.
other_key() {
    mkdir -m 700 "$1"
    GNUPGHOME=$1 gpg --batch --quiet --passphrase '' --quick-gen-key "someone else <other@example.org>" ed25519 sign 1d
    GNUPGHOME=$1 gpg --batch --with-colons --list-secret-keys | awk -F: '$1 == "fpr" { print $10; exit }'
}
