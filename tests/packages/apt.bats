#!/usr/bin/env bats
# The apt repository the fixture made and signed (build/packages/apt), used
# as a file: source with signed-by, as the documentation says: the suite and
# the emulator installed with apt-get, upgraded to the next version (the
# same DEBs with the version raised, in a repository of their own) and
# removed; a repository signed with another key is refused. apt reads only
# the test's source and keeps its lists, cache and states in the test's
# folder; the packages go into this machine's dpkg database, so this runs as
# root only, never where they are installed already, and teardown_file
# removes them whatever happens.
load common

names=vy-command-line
if emulator_built linux-release; then names="$names vy-command-line-emulator"; fi
repo=$PWD/$packages/apt
keyring=$repo/vy-command-line-archive-keyring.gpg
next=${version%.*}.$((${version##*.} + 1))
a=$work/apt
options=(-o Dir::Etc::SourceList="$a/sources.list" -o Dir::Etc::SourceParts="$a/sources.list.d"
    -o Dir::Etc::TrustedParts="$a/trusted.gpg.d" -o Dir::Etc::Trusted="$a/trusted.gpg"
    -o Dir::State::Lists="$a/lists" -o Dir::Cache="$a/cache" -o Dir::State::extended_states="$a/extended_states"
    -o APT::Sandbox::User=root -o DPkg::Lock::Timeout=300 -q)

root() { [ "$(id -u)" = 0 ]; }

setup_file() {
    root || return 0
    packages_made
    local p file
    for p in $names; do
        if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q ' installed$'; then
            echo "$p is installed on this machine; the apt group would remove it" >&2
            return 1
        fi
    done
    mkdir -p "$a/sources.list.d" "$a/trusted.gpg.d" "$a/lists/partial" "$a/cache/archives/partial"
    # The next version: the same DEBs with the version raised, signed by
    # the same key.
    mkdir -p "$work/next-debs"
    for file in "$deb" $([ "$names" = vy-command-line ] || echo "$emulator_deb"); do
        rm -rf "$work/unpacked"
        dpkg-deb -R "$file" "$work/unpacked"
        sed -i "s/^Version: .*/Version: $next/" "$work/unpacked/DEBIAN/control"
        dpkg-deb --root-owner-group -b "$work/unpacked" "$work/next-debs/" >/dev/null
    done
    VY_GPG_KEY=$(cat "$keys/gpg.fingerprint") bash scripts/make-apt-repo.sh "$work/repo-next" "$work/next-debs"/*.deb
    # The same DEBs signed by another key.
    mkdir -m 700 "$work/other-gnupg"
    GNUPGHOME=$work/other-gnupg gpg --batch --quiet --passphrase '' --quick-gen-key "someone else <other@example.org>" ed25519 sign 1d
    GNUPGHOME=$work/other-gnupg VY_GPG_KEY=$(GNUPGHOME=$work/other-gnupg gpg --batch --with-colons --list-secret-keys |
        awk -F: '$1 == "fpr" { print $10; exit }') bash scripts/make-apt-repo.sh "$work/repo-other" "$deb"
}
setup() { root || skip "the apt group installs packages: it runs as root only"; }

# source <repository> <keyring>: the one source apt reads.
source_of() { echo "deb [signed-by=$2] file:$1 stable main" > "$a/sources.list"; }
# apt_get <arguments>: its output in $work/apt.log, then its status.
apt_get() { local st=0; DEBIAN_FRONTEND=noninteractive apt-get "${options[@]}" "$@" > "$work/apt.log" 2>&1 || st=$?; echo "$st"; }
installed() { dpkg-query -W -f='${Package} ${Version} ${db:Status-Abbrev}\n' $names 2>/dev/null | sed 's/ *$//'; }

@test "apt: the repository's InRelease and Release.gpg verify with its published key" {
    same "0 0" "$(gpgv --keyring "$keyring" "$repo/dists/stable/InRelease" 2>/dev/null; echo -n "$? ")$(
        gpgv --keyring "$keyring" "$repo/dists/stable/Release.gpg" "$repo/dists/stable/Release" 2>/dev/null; echo $?)"
}

# The repository's keyring holds the one key that signed it, named by its
# fingerprint (gpg.fingerprint of make-keys.sh), and the Release file runs
# out 30 days after its date.
@test "apt: the published keyring holds the one signing key" {
    same "$(cat "$keys/gpg.fingerprint")" "$(gpg --batch --with-colons --no-default-keyring --keyring "$keyring" --list-keys |
        awk -F: '$1 == "pub" { primary = 1; next } primary && $1 == "fpr" { print $10; primary = 0 }')"
}
@test "apt: the Release is valid until 30 days after its date" {
    local date
    date=$(sed -n 's/^Date: //p' "$repo/dists/stable/Release")
    same "$(date -u -d "$date + 30 days" '+%a, %d %b %Y %H:%M:%S UTC')" "$(sed -n 's/^Valid-Until: //p' "$repo/dists/stable/Release")"
}

@test "apt: update from the signed repository" {
    source_of "$repo" "$keyring"
    same 0 "$(apt_get update)"
}
@test "apt: no warning on update" { same "" "$(grep -E '^(W|E):' "$work/apt.log" || true)"; }
@test "apt: apt-get install $names" {
    touch "$work/apt-installed"
    same 0 "$(apt_get install -y $names)"
}
@test "apt: installed, of $version" { same "$(for p in $names; do echo "$p $version ii"; done)" "$(installed)"; }
@test "apt: the installed vyRunJob without arguments" { same "$runjob_usage" "$(cd "$work" && /usr/bin/vyRunJob; echo "status $?")"; }

@test "apt: update from the repository of $next" {
    source_of "$work/repo-next" "$keyring"
    same 0 "$(apt_get update)"
}
@test "apt: upgrade to $next" { same 0 "$(apt_get install -y --only-upgrade $names)"; }
@test "apt: installed, of $next" { same "$(for p in $names; do echo "$p $next ii"; done)" "$(installed)"; }
@test "apt: apt-get purge" { same 0 "$(apt_get purge -y $names)"; }
@test "apt: nothing of ours left installed" { same "" "$(installed | grep -v ' un$' || true)"; }
@test "apt: the programs are gone" {
    same "" "$(ls /usr/bin/vy* 2>/dev/null || true)"
    rm "$work/apt-installed"
}

# Refused for the published key.
@test "apt: update refuses the repository signed with another key" {
    source_of "$work/repo-other" "$keyring"
    same "100 refused" "$(apt_get update) $(grep -q 'NO_PUBKEY\|is not signed' "$work/apt.log" && echo refused)"
}
@test "apt: nothing to install from it" { same 100 "$(apt_get install -y -s vy-command-line)"; }
