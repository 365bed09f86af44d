#!/usr/bin/env bash
# Signs RPMs in place with the OpenPGP key whose fingerprint VY_GPG_KEY is
# (gpg's keyring, GNUPGHOME; scripts/gpg-key.sh), as rpm -K and dnf's
# gpgcheck=1 verify them:
#   bash scripts/sign-rpms.sh <rpm>...
# A signature already there is replaced. The signature carries the time it
# is made. Exit status: 0 signed, 2 a wrong command line, a missing RPM or a
# wrong key (nothing is signed), 1 a missing tool or a failed step.
set -euo pipefail
source "$(dirname "$0")/gpg-key.sh"

[ $# -ge 1 ] || { echo "usage: sign-rpms.sh rpm..." >&2; exit 2; }
for rpm in "$@"; do
    [ -f "$rpm" ] || { echo "sign-rpms.sh: no RPM $rpm" >&2; exit 2; }
done
[ -n "${VY_GPG_KEY:-}" ] || { echo "sign-rpms.sh: VY_GPG_KEY is not set" >&2; exit 2; }
fpr=$(gpg_key_fingerprint sign-rpms.sh) || exit 2
command -v rpmsign >/dev/null ||
    { echo "sign-rpms.sh: rpmsign not found; install the Debian package rpm" >&2; exit 1; }
# rpm's own settings of the user that signs play no part.
out=$(rpmsign --define "_gpg_name $fpr!" --define "__gpg $(command -v gpg)" --addsign "$@" 2>&1) ||
    { printf "%s\n" "$out" >&2; exit 1; }
