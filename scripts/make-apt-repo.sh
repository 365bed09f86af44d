#!/usr/bin/env bash
# Makes an apt repository of DEBs with apt-utils' apt-ftparchive:
#   bash scripts/make-apt-repo.sh <folder> <deb>...
# The folder (made anew) gets the suite "stable", component "main":
#   pool/main/<the DEBs>
#   dists/stable/main/binary-<arch>/Packages, Packages.gz
#   dists/stable/Release
# and, when VY_GPG_KEY is the fingerprint of a secret key of gpg's keyring
# (GNUPGHOME; scripts/gpg-key.sh), the Release file signed by it
# (dists/stable/InRelease, dists/stable/Release.gpg) and that key's public
# part alone, minimal, as apt's signed-by option reads it:
#   vy-command-line-archive-keyring.gpg
# A source of it (docs/RELEASES.md):
#   deb [signed-by=/usr/share/keyrings/vy-command-line-archive-keyring.gpg] <URL of the folder> stable main
# The Release file is dated SOURCE_DATE_EPOCH where set (else now), so that
# the same DEBs give the same repository; only the signatures carry the time
# they are made. It is valid until VY_APT_VALID_DAYS days (1 to 3650, 30 by
# default) after its date: apt refuses it from then on, so that a mirror
# cannot keep serving an old Release; a repository is made again before.
# Exit status: 0 made, 2 a wrong command line, a missing DEB or a wrong
# setting (nothing is made), 1 a missing tool or a failed step.
set -euo pipefail
source "$(dirname "$0")/gpg-key.sh"

if [ $# -lt 2 ]; then
    echo "usage: make-apt-repo.sh folder deb..." >&2
    exit 2
fi
repo=$1
shift
for deb in "$@"; do
    [ -f "$deb" ] || { echo "make-apt-repo.sh: no DEB $deb" >&2; exit 2; }
done
valid_days=${VY_APT_VALID_DAYS-30}
if ! [[ $valid_days =~ ^[1-9][0-9]{0,3}$ ]] || [ "$valid_days" -gt 3650 ]; then
    echo "make-apt-repo.sh: VY_APT_VALID_DAYS must be a number of days from 1 to 3650, not \"$valid_days\"" >&2
    exit 2
fi
fpr=
if [ -n "${VY_GPG_KEY:-}" ]; then
    fpr=$(gpg_key_fingerprint make-apt-repo.sh) || exit 2
fi
command -v apt-ftparchive >/dev/null ||
    { echo "make-apt-repo.sh: apt-ftparchive not found; install the Debian package apt-utils" >&2; exit 1; }

rm -rf "$repo"
mkdir -p "$repo/pool/main"
cp -- "$@" "$repo/pool/main/"
cd "$repo"
# The architectures of the DEBs; one of "all" goes into each of them.
archs=$(for deb in pool/main/*.deb; do dpkg-deb -f "$deb" Architecture; done | { grep -vx all || true; } | LC_ALL=C sort -u | xargs)
[ -n "$archs" ] || archs=$(dpkg --print-architecture)
for arch in $archs; do
    dir=dists/stable/main/binary-$arch
    mkdir -p "$dir"
    apt-ftparchive --arch "$arch" packages pool > "$dir/Packages"
    gzip -9nkf "$dir/Packages"
done
epoch=${SOURCE_DATE_EPOCH:-$(date +%s)}
date=$(date -u -d "@$epoch" '+%a, %d %b %Y %H:%M:%S UTC')
valid_until=$(date -u -d "@$((epoch + valid_days * 86400))" '+%a, %d %b %Y %H:%M:%S UTC')
apt-ftparchive \
    -o APT::FTPArchive::Release::Origin="vy command-line suite" \
    -o APT::FTPArchive::Release::Label="vy command-line suite" \
    -o APT::FTPArchive::Release::Suite=stable \
    -o APT::FTPArchive::Release::Codename=stable \
    -o APT::FTPArchive::Release::Architectures="$archs" \
    -o APT::FTPArchive::Release::Components=main \
    -o APT::FTPArchive::Release::Date="$date" \
    -o APT::FTPArchive::Release::Description="The vy command-line suite and its storage-server emulator" \
    release dists/stable > Release.new
# apt-ftparchive counts a validity from the clock: the line is written here,
# after the date, from the date.
sed -i "/^Date: /a Valid-Until: $valid_until" Release.new
mv Release.new dists/stable/Release
if [ -n "$fpr" ]; then
    # "!": this key itself, never a subkey gpg would pick.
    gpg --batch --yes --quiet --local-user "$fpr!" --clearsign \
        --output dists/stable/InRelease dists/stable/Release
    gpg --batch --yes --quiet --local-user "$fpr!" --armor --detach-sign \
        --output dists/stable/Release.gpg dists/stable/Release
    gpg --batch --yes --quiet --export --export-options export-minimal \
        --output vy-command-line-archive-keyring.gpg "$fpr"
fi
