#!/usr/bin/env bash
# Builds the packages into build/packages:
#   bash scripts/package.sh [--no-tests]
# the TGZ, the DEBs and the RPMs (the suite's and, where Java 17 is found,
# the emulator's) of the native release build (linux-release), the TGZ, the
# DEB and the RPM of the 64-bit ARM build (linux-aarch64, Debian's cross
# compiler; the emulator's packages are the native build's, the same on
# every architecture), a ZIP and an MSI of each Windows build (windows-x64,
# windows-x86; the MSIs by
# scripts/make-msi.sh), an apt repository of the DEBs in build/packages/apt
# (scripts/make-apt-repo.sh), a dnf repository of the RPMs in
# build/packages/dnf (scripts/make-dnf-repo.sh) and SHA256SUMS of the
# packages. The repositories take every DEB and RPM in build/packages. Each build is
# configured and built by its preset and packaged by CPack (the package
# presets linux, linux-aarch64, windows-x64, windows-x86). --no-tests
# configures the builds without the tests: only what ships is built.
#
# The same commit gives the same bytes in any folder at any time
# (scripts/check-reproducible.sh checks it): SOURCE_DATE_EPOCH, unless set,
# is the time of the commit, and dates every file in the packages; the
# builds run with TZ=UTC and umask 022, CPack as root or under fakeroot.
#
# Signing (docs/RELEASES.md), named by the environment, never by the
# command line:
#   VY_SIGN_PKCS12         a PKCS#12 file with the code-signing certificate
#   VY_SIGN_PASSWORD_FILE  a file holding its password, readable by its
#                          owner only
#   VY_SIGN_TIMESTAMP_URL  optional: an RFC 3161 time-stamp server
#   VY_GPG_KEY             the fingerprint of an OpenPGP key (of gpg's
#                          GNUPGHOME; scripts/gpg-key.sh) that signs the
#                          RPMs, the apt repository's Release file, the dnf
#                          repository's repomd.xml and SHA256SUMS
# With the first two, every Windows program is signed (Authenticode,
# osslsigncode) before the ZIPs and MSIs are made, so that both hold signed
# programs, and then each MSI. Without them the packages are unsigned, and
# this says so; without VY_GPG_KEY the RPMs, the repositories and SHA256SUMS
# are.
# Exit status: 0 made, 2 a wrong command line or signing setting (nothing
# is started), 1 a missing tool or a failed step.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/gpg-key.sh

configure_args=()
case "${1:-}" in
    "") ;;
    --no-tests) configure_args+=(-DVY_TESTS=OFF) ;;
    *) echo "usage: package.sh [--no-tests]" >&2; exit 2 ;;
esac
[ $# -le 1 ] || { echo "usage: package.sh [--no-tests]" >&2; exit 2; }

if [ "$(id -u)" != 0 ] && ! command -v fakeroot >/dev/null; then
    echo "package.sh: fakeroot not found; install the Debian package fakeroot (the archives' files belong to root)" >&2
    exit 1
fi
for tool in rpmbuild:rpm createrepo_c:createrepo-c; do
    command -v "${tool%%:*}" >/dev/null ||
        { echo "package.sh: ${tool%%:*} not found; install the Debian package ${tool#*:} (the RPMs and their repository)" >&2; exit 1; }
done
if [ -n "${VY_SIGN_PKCS12:-}${VY_SIGN_PASSWORD_FILE:-}" ]; then
    if [ -z "${VY_SIGN_PKCS12:-}" ] || [ -z "${VY_SIGN_PASSWORD_FILE:-}" ]; then
        echo "package.sh: VY_SIGN_PKCS12 and VY_SIGN_PASSWORD_FILE go together: set both or neither" >&2
        exit 2
    fi
    for f in "$VY_SIGN_PKCS12" "$VY_SIGN_PASSWORD_FILE"; do
        [ -r "$f" ] || { echo "package.sh: cannot read $f" >&2; exit 2; }
    done
    # Another user who can read the password can sign in our name.
    mode=$(stat -L -c %a "$VY_SIGN_PASSWORD_FILE")
    if [ $((8#$mode & 8#044)) -ne 0 ]; then
        echo "package.sh: the password file $VY_SIGN_PASSWORD_FILE can be read by others than its owner (mode $mode): make it owner-only (chmod 600)" >&2
        exit 2
    fi
    command -v osslsigncode >/dev/null || { echo "package.sh: osslsigncode not found; install the Debian package osslsigncode" >&2; exit 1; }
    signing=yes
    # Absolute, as the builds run elsewhere.
    VY_SIGN_PKCS12=$(readlink -f "$VY_SIGN_PKCS12")
    VY_SIGN_PASSWORD_FILE=$(readlink -f "$VY_SIGN_PASSWORD_FILE")
    echo "== signing the Windows programs and installers with $VY_SIGN_PKCS12"
else
    signing=no
    echo "== unsigned: the Windows programs and installers carry no signature (VY_SIGN_PKCS12 and VY_SIGN_PASSWORD_FILE are not set)"
fi
if [ -n "${VY_GPG_KEY:-}" ]; then
    VY_GPG_KEY=$(gpg_key_fingerprint package.sh) || exit 2
    export VY_GPG_KEY
    echo "== signing the RPMs, the apt and dnf repositories and SHA256SUMS with the OpenPGP key $VY_GPG_KEY"
else
    echo "== unsigned: the RPMs, the apt and dnf repositories and SHA256SUMS (VY_GPG_KEY is not set)"
fi

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    if ! SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) || [ -z "$SOURCE_DATE_EPOCH" ]; then
        SOURCE_DATE_EPOCH=$(date +%s)
        echo "== not a git checkout and SOURCE_DATE_EPOCH not set: the packages are dated now, and differ from build to build"
    fi
fi
export SOURCE_DATE_EPOCH TZ=UTC
umask 022
# The builds use as many jobs as there are cores.
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

# sign <file>: an Authenticode signature (SHA-256) in place. Without a
# time stamp the signing time is SOURCE_DATE_EPOCH, so that the same key
# signs the same file to the same bytes.
sign() {
    local args=(-pkcs12 "$VY_SIGN_PKCS12" -readpass "$VY_SIGN_PASSWORD_FILE" -h sha256 -n "vy command-line suite")
    if [ -n "${VY_SIGN_TIMESTAMP_URL:-}" ]; then
        args+=(-ts "$VY_SIGN_TIMESTAMP_URL")
    else
        args+=(-time "$SOURCE_DATE_EPOCH")
    fi
    rm -f "$1.signed"
    osslsigncode sign "${args[@]}" -in "$1" -out "$1.signed" >/dev/null
    mv "$1.signed" "$1"
}

rm -rf build/packages
for preset in linux-release linux-aarch64 windows-x64 windows-x86; do
    echo "== $preset"
    cmake --preset "$preset" "${configure_args[@]}"
    programs=()
    mapfile -t programs < "build/$preset/packaging/programs.txt"
    windows=no
    case $preset in windows-*) windows=yes ;; esac
    if [ $windows = yes ] && command -v osslsigncode >/dev/null; then
        # A program signed by an earlier run is linked afresh: it is signed
        # anew or not at all, never over its old signature.
        for program in "${programs[@]}"; do
            if [ -f "$program" ] && osslsigncode extract-signature -in "$program" -out "$program.signature" >/dev/null 2>&1; then
                rm -f "$program"
            fi
            rm -f "$program.signature"
        done
    fi
    cmake --build --preset "$preset"
    if [ $windows = yes ] && [ $signing = yes ]; then
        for program in "${programs[@]}"; do sign "$program"; done
    fi
    # The archives record each file's owner: root, also for a build by
    # another user (fakeroot).
    as_root=()
    [ "$(id -u)" = 0 ] || as_root=(fakeroot)
    if [ "$preset" = linux-release ]; then "${as_root[@]}" cpack --preset linux; else "${as_root[@]}" cpack --preset "$preset"; fi
done
for preset in windows-x64 windows-x86; do
    echo "== MSI $preset"
    msi=$(bash scripts/make-msi.sh "$preset")
    if [ $signing = yes ]; then sign "$msi"; fi
    echo "$msi"
done

if [ -n "${VY_GPG_KEY:-}" ]; then
    echo "== signing the RPMs"
    bash scripts/sign-rpms.sh build/packages/*.rpm
    # CPack's sums are of the unsigned files.
    for rpm in build/packages/*.rpm; do
        (cd build/packages && sha256sum -- "${rpm##*/}") > "$rpm.sha256"
    done
fi

echo "== apt repository"
bash scripts/make-apt-repo.sh build/packages/apt build/packages/*.deb
echo "== dnf repository"
bash scripts/make-dnf-repo.sh build/packages/dnf build/packages/*.rpm

(cd build/packages && sha256sum -- *.deb *.rpm *.tar.gz *.zip *.msi) > build/packages/SHA256SUMS
if [ -n "${VY_GPG_KEY:-}" ]; then
    gpg --batch --yes --quiet --local-user "$VY_GPG_KEY!" --armor --detach-sign \
        --output build/packages/SHA256SUMS.asc build/packages/SHA256SUMS
fi
# CPack's working folder is no part of what ships.
rm -rf build/packages/_CPack_Packages
ls -l build/packages
