#!/usr/bin/env bash
# Checks that the packages are reproducible: the commit checked out here is
# cloned into two fresh folders of different lengths, the packages are made
# in each by scripts/package.sh --no-tests (unsigned, only what ships is
# built), one after the other, so at different times, with another time
# zone, umask and locale, and, when run as root, the second as another user
# (nobody), and every file of the two build/packages folders (the DEBs,
# RPMs and TGZs of both Linux builds, x86-64 and aarch64, the ZIPs, the
# MSIs, their .sha256 files, SHA256SUMS and the apt and dnf repositories) is
# compared by its SHA-256 sum. diffoscope shows what differs in a file that
# is not the same.
#   bash scripts/check-reproducible.sh [--keep]
# --keep keeps the two clones (their folder is named at the end). Uncommitted
# changes are not part of the check. It takes two clean builds of
# linux-release, linux-aarch64, windows-x64 and windows-x86: several minutes, too long for
# the test command, so it runs on its own (docs/RELEASES.md).
# Exit status: 0 every file the same, 1 a file differs or a build failed,
# 2 a wrong command line.
set -euo pipefail
cd "$(dirname "$0")/.."

keep=no
case "${1:-}" in
    "") ;;
    --keep) keep=yes ;;
    *) echo "usage: check-reproducible.sh [--keep]" >&2; exit 2 ;;
esac

commit=$(git rev-parse HEAD)
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "== uncommitted changes are not part of the check: it builds $commit"
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/vy-reproducible.XXXXXX")
cleanup() { if [ $keep = no ]; then rm -rf "$work"; else echo "== kept: $work"; fi; }
trap cleanup EXIT
first=$work/a
second=$work/a-second-folder-with-a-longer-name/b

chmod 755 "$work"
# build <folder> <umask> <TZ> <LC_ALL> [<user>]
build() {
    local dir=$1 as=() user=${5:-$(id -un)}
    # Copied, not linked: the second folder changes owner.
    git clone --quiet --no-hardlinks --no-checkout "$PWD" "$dir"
    git -C "$dir" checkout --quiet --detach "$commit"
    if [ -n "${5:-}" ]; then
        chown -R "$5:" "$(dirname "$dir")"
        as=(setpriv --reuid="$5" --regid="$(id -g "$5")" --clear-groups env HOME="$dir")
    fi
    echo "== $(date -u '+%H:%M:%S') building in $dir (user $user, umask $2, TZ=$3, LC_ALL=$4)"
    if ! (cd "$dir" && umask "$2" && TZ=$3 LC_ALL=$4 "${as[@]}" bash scripts/package.sh --no-tests) > "$dir.log" 2>&1; then
        tail -n 30 "$dir.log"
        echo "== the build in $dir failed (its log: $dir.log)"
        keep=yes
        exit 1
    fi
}
build "$first" 022 UTC C
mkdir -p "$(dirname "$second")"
if [ "$(id -u)" = 0 ]; then
    build "$second" 077 Pacific/Kiritimati C.UTF-8 nobody
else
    build "$second" 077 Pacific/Kiritimati C.UTF-8
fi

# The files of both, each with its sum: "<sum>  <path below build/packages>".
sums() { (cd "$1/build/packages" && find . -type f | sed 's|^\./||' | LC_ALL=C sort | xargs -d '\n' sha256sum); }
sums "$first" > "$work/a.sums"
sums "$second" > "$work/b.sums"
echo "== SHA-256 of the packages of $commit"
status=0
while read -r sum file; do
    other=$(awk -v f="$file" '$2 == f { print $1 }' "$work/b.sums")
    if [ "$sum" == "$other" ]; then
        echo "same     $sum  $file"
    else
        status=1
        echo "DIFFERS  $sum  $file"
        echo "         ${other:-(not made)}  (the second build)"
    fi
done < "$work/a.sums"
# Files only the second build made.
while read -r sum file; do
    grep -q "  $file\$" "$work/a.sums" || { status=1; echo "DIFFERS  (not made)  $file"; echo "         $sum  (the second build)"; }
done < "$work/b.sums"

if [ $status -ne 0 ]; then
    while read -r sum file; do
        other=$(awk -v f="$file" '$2 == f { print $1 }' "$work/b.sums")
        [ -n "$other" ] && [ "$sum" != "$other" ] || continue
        echo "== diffoscope $file"
        diffoscope --no-progress --text - "$first/build/packages/$file" "$second/build/packages/$file" |
            head -n 200 || true
    done < "$work/a.sums"
    echo "== not reproducible: the files marked DIFFERS"
    keep=yes
    exit 1
fi
echo "== reproducible: $(wc -l < "$work/a.sums") files, each the same in both builds"
