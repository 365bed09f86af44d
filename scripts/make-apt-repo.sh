#!/usr/bin/env bash
# Makes an apt repository of DEBs with apt-utils' apt-ftparchive:
#   bash scripts/make-apt-repo.sh <folder> <deb>...
# The folder (made anew) gets the suite "stable", component "main":
#   pool/main/<the DEBs>
#   dists/stable/main/binary-<arch>/Packages, Packages.gz
#   dists/stable/Release
# and, when VY_GPG_KEY names a secret key of gpg's keyring (GNUPGHOME), the
# Release file signed by it (dists/stable/InRelease, dists/stable/Release.gpg)
# and the key's public part, as apt's signed-by option reads it:
#   vy-command-line-archive-keyring.gpg
# A source of it (docs/RELEASES.md):
#   deb [signed-by=/usr/share/keyrings/vy-command-line-archive-keyring.gpg] <URL of the folder> stable main
# The Release file is dated SOURCE_DATE_EPOCH where set, so that the same
# DEBs give the same repository; only the signatures carry the time they
# are made. Exit status: 0 made, 2 a wrong command line or a missing DEB, 1
# a missing tool or a failed step.
set -euo pipefail

if [ $# -lt 2 ]; then
    echo "usage: make-apt-repo.sh folder deb..." >&2
    exit 2
fi
repo=$1
shift
for deb in "$@"; do
    [ -f "$deb" ] || { echo "make-apt-repo.sh: no DEB $deb" >&2; exit 2; }
done
command -v apt-ftparchive >/dev/null ||
    { echo "make-apt-repo.sh: apt-ftparchive not found; install the Debian package apt-utils" >&2; exit 1; }

rm -rf "$repo"
mkdir -p "$repo/pool/main"
cp -- "$@" "$repo/pool/main/"
cd "$repo"
# The architectures of the DEBs; one of "all" goes into each of them.
archs=$(for deb in pool/main/*.deb; do dpkg-deb -f "$deb" Architecture; done | grep -vx all | LC_ALL=C sort -u | xargs)
[ -n "$archs" ] || archs=$(dpkg --print-architecture)
for arch in $archs; do
    dir=dists/stable/main/binary-$arch
    mkdir -p "$dir"
    apt-ftparchive --arch "$arch" packages pool > "$dir/Packages"
    gzip -9nkf "$dir/Packages"
done
date=$(date -u -d "@${SOURCE_DATE_EPOCH:-$(date +%s)}" '+%a, %d %b %Y %H:%M:%S UTC')
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
mv Release.new dists/stable/Release
if [ -n "${VY_GPG_KEY:-}" ]; then
    gpg --batch --yes --quiet --local-user "$VY_GPG_KEY" --clearsign \
        --output dists/stable/InRelease dists/stable/Release
    gpg --batch --yes --quiet --local-user "$VY_GPG_KEY" --armor --detach-sign \
        --output dists/stable/Release.gpg dists/stable/Release
    gpg --batch --yes --quiet --export --output vy-command-line-archive-keyring.gpg "$VY_GPG_KEY"
fi
