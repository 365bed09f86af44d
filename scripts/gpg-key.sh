# shellcheck shell=bash
# Sourced by the release scripts: the OpenPGP key that signs a release,
# named by VY_GPG_KEY.
#
# gpg_key_fingerprint <program>: checks VY_GPG_KEY and prints the key's
# fingerprint in gpg's form (upper case, no blanks). The value must be the
# full fingerprint of a primary key with its secret part in gpg's keyring
# (GNUPGHOME): 40 hexadecimal digits (64 for a version 5 key), blanks
# allowed, as `gpg --fingerprint` shows them. A user id or a short key id may
# match more than one key (anyone can make a key with the same user id), so
# neither is taken. Status 2 with a message on standard error otherwise.
gpg_key_fingerprint() {
    local program=$1 fpr
    fpr=$(printf '%s' "$VY_GPG_KEY" | tr -d ' ' | tr a-f A-F)
    if ! [[ $fpr =~ ^([0-9A-F]{40}|[0-9A-F]{64})$ ]]; then
        echo "$program: VY_GPG_KEY must be the full fingerprint of the signing key (40 hexadecimal digits, as gpg --fingerprint shows them), not \"$VY_GPG_KEY\"" >&2
        return 2
    fi
    # The primary keys that the fingerprint selects: one, whose own
    # fingerprint it is (a subkey's fingerprint selects its primary key).
    local matches
    matches=$(gpg --batch --with-colons --list-secret-keys -- "$fpr" 2>/dev/null |
        awk -F: '$1 == "sec" { primary = 1; next } primary && $1 == "fpr" { print $10; primary = 0 }')
    if [ -z "$matches" ]; then
        echo "$program: no secret key $fpr in gpg's keyring (GNUPGHOME)" >&2
        return 2
    fi
    if [ "$matches" != "$fpr" ]; then
        echo "$program: VY_GPG_KEY $fpr is not the fingerprint of one primary key; it selects: $(echo $matches)" >&2
        return 2
    fi
    echo "$fpr"
}
