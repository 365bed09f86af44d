#!/usr/bin/env bash
# Makes a dnf (yum) repository of RPMs with createrepo_c:
#   bash scripts/make-dnf-repo.sh <folder> <rpm>...
# The folder (made anew) gets
#   Packages/<the RPMs>
#   repodata/repomd.xml and the metadata it names
# and, when VY_GPG_KEY is the fingerprint of a secret key of gpg's keyring
# (GNUPGHOME; scripts/gpg-key.sh), repomd.xml's detached, armored signature
# by that key (repodata/repomd.xml.asc, which dnf checks with
# repo_gpgcheck=1) and that key's public part alone, minimal and armored, as
# rpm and dnf import it:
#   RPM-GPG-KEY-vy-command-line
# The RPMs themselves are signed before (scripts/sign-rpms.sh): the
# repository takes them as they are. A .repo file of it: docs/RELEASES.md.
# The metadata is dated SOURCE_DATE_EPOCH where set (else now), so that the
# same RPMs give the same repository; only the signature carries the time it
# is made. Exit status: 0 made, 2 a wrong command line, a missing RPM or a
# wrong key (nothing is made), 1 a missing tool or a failed step.
set -euo pipefail
source "$(dirname "$0")/gpg-key.sh"

if [ $# -lt 2 ]; then
    echo "usage: make-dnf-repo.sh folder rpm..." >&2
    exit 2
fi
repo=$1
shift
for rpm in "$@"; do
    [ -f "$rpm" ] || { echo "make-dnf-repo.sh: no RPM $rpm" >&2; exit 2; }
done
fpr=
if [ -n "${VY_GPG_KEY:-}" ]; then
    fpr=$(gpg_key_fingerprint make-dnf-repo.sh) || exit 2
fi
command -v createrepo_c >/dev/null ||
    { echo "make-dnf-repo.sh: createrepo_c not found; install the Debian package createrepo-c" >&2; exit 1; }

epoch=${SOURCE_DATE_EPOCH:-$(date +%s)}
rm -rf "$repo"
mkdir -p "$repo/Packages"
cp -- "$@" "$repo/Packages/"
# The metadata records each RPM's time as well.
touch -d "@$epoch" "$repo/Packages"/*.rpm
createrepo_c --quiet --no-database --revision "$epoch" --set-timestamp-to-revision \
    --general-compress-type=gz "$repo"
if [ -n "$fpr" ]; then
    gpg --batch --yes --quiet --local-user "$fpr!" --armor --detach-sign \
        --output "$repo/repodata/repomd.xml.asc" "$repo/repodata/repomd.xml"
    gpg --batch --yes --quiet --armor --export --export-options export-minimal \
        --output "$repo/RPM-GPG-KEY-vy-command-line" "$fpr"
fi
