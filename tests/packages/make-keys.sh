#!/usr/bin/env bash
# Throw-away keys for the package test, made anew in <folder>:
#   bash tests/packages/make-keys.sh <folder>
#   codesign.pem, codesign.p12   a self-signed code-signing certificate
#                                (extendedKeyUsage codeSigning) and its
#                                PKCS#12 file, whose password is in
#   codesign.password
#   other.pem, other.p12         a second one, that signed nothing
#   gnupg/                       a GNUPGHOME with an OpenPGP signing key
#                                without passphrase, "vy package test",
#   gpg.fingerprint              whose fingerprint this is
# Nothing here may sign anything that leaves the test. A failed step
# removes the folder and all it holds (the unencrypted keys too).
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: make-keys.sh folder" >&2; exit 2; }
dir=$1
# Kept while the certificate is good for another hour, so that the checks
# can run again on the packages made (ctest -FS packages).
if [ -f "$dir/codesign.p12" ] && [ -f "$dir/other.p12" ] && [ -d "$dir/gnupg" ] && [ -s "$dir/gpg.fingerprint" ] &&
    openssl x509 -checkend 3600 -noout -in "$dir/codesign.pem" >/dev/null; then
    exit 0
fi
if [ -d "$dir/gnupg" ]; then GNUPGHOME=$dir/gnupg gpgconf --kill gpg-agent 2>/dev/null || true; fi
rm -rf "$dir"
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
made=no
removed_unless_made() {
    if [ $made = no ]; then
        if [ -d "$dir/gnupg" ]; then GNUPGHOME=$dir/gnupg gpgconf --kill gpg-agent 2>/dev/null || true; fi
        rm -rf "$dir"
    fi
}
trap removed_unless_made EXIT
trap 'exit 1' INT TERM HUP
cd "$dir"
umask 077
cat > codesign.cnf <<'EOF'
[req]
distinguished_name = dn
prompt = no
x509_extensions = ext
[dn]
CN = vy package test code signing
O = vy command-line suite maintainers
[ext]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, codeSigning
subjectKeyIdentifier = hash
EOF
head -c 24 /dev/urandom | base64 > codesign.password
for name in codesign other; do
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 -config codesign.cnf \
        -keyout "$name.key" -out "$name.pem" 2>/dev/null
    openssl pkcs12 -export -inkey "$name.key" -in "$name.pem" -out "$name.p12" \
        -passout file:codesign.password
    rm "$name.key"
done
mkdir -m 700 gnupg
GNUPGHOME=$PWD/gnupg gpg --batch --quiet --passphrase '' \
    --quick-gen-key "vy package test <packages@example.org>" ed25519 sign 2d
GNUPGHOME=$PWD/gnupg gpg --batch --with-colons --list-secret-keys |
    awk -F: '$1 == "fpr" { print $10; exit }' > gpg.fingerprint
[ -s gpg.fingerprint ]
made=yes
