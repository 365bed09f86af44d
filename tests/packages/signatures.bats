#!/usr/bin/env bats
# The signatures of the Windows packages, made with the test's certificate:
# every program in both ZIPs and both MSIs, and both MSIs, verified against
# it; a changed byte, or another certificate, fails; the signed programs run
# under Wine, 64-bit and 32-bit, in a fresh prefix of their own
# (build/sign-wine-prefix).
load common

setup_file() {
    packages_made
    [ -f "$keys/codesign.pem" ] || { echo "no test certificate in $keys" >&2; return 1; }
    msi_prefix_up sign-wine-prefix
    local arch
    for arch in x64 x86; do
        unpack_zip "$arch"
        mkdir -p "$work/msi-$arch"
        msiextract -C "$work/msi-$arch" "$packages/vy-command-line-$version-windows-$arch.msi" >/dev/null
    done
}

verify() { osslsigncode verify -CAfile "${2:-$keys/codesign.pem}" -in "$1" >/dev/null 2>&1 && echo ok || echo fails; }
# flip <file> <offset>: one byte changed.
flip() {
    local byte
    byte=$(od -An -tu1 -j "$2" -N1 "$1" | tr -d ' ')
    printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}
zip_bin() { echo "$work/$1/vy-command-line-$version-windows-$1/bin"; }
# Below "Program Files" for x86; msiextract knows no 64-bit one.
msi_bin() { find "$work/msi-$1" -path '*/vy command-line/bin' -type d; }
every_program_signed() {
    same "$(for p in $programs; do echo "$p.exe ok"; done)" \
        "$(for p in $programs; do echo "$p.exe $(verify "$1/$p.exe")"; done)"
}
# The signed program, from the ZIP, under Wine (wine runs 32-bit programs in
# the same prefix).
signed_runjob_runs() {
    local loader=wine
    [ "$1" = x86 ] || loader=$wine
    same "$runjob_usage" "$(cd "$work" && WINEPREFIX=$msi_prefix WINEDEBUG=-all $loader "$(zip_bin "$1")/vyRunJob.exe" 2>/dev/null 3>&- |
        tr -d '\r'; echo "status ${PIPESTATUS[0]}")"
}

@test "windows-x64: every program of the ZIP signed" { every_program_signed "$(zip_bin x64)"; }
@test "windows-x64: every program of the MSI signed" { every_program_signed "$(msi_bin x64)"; }
@test "windows-x64: the MSI signed" { same ok "$(verify "$packages/vy-command-line-$version-windows-x64.msi")"; }
@test "windows-x64: the signed vyRunJob.exe runs under Wine" { signed_runjob_runs x64; }
@test "windows-x86: every program of the ZIP signed" { every_program_signed "$(zip_bin x86)"; }
@test "windows-x86: every program of the MSI signed" { every_program_signed "$(msi_bin x86)"; }
@test "windows-x86: the MSI signed" { same ok "$(verify "$packages/vy-command-line-$version-windows-x86.msi")"; }
@test "windows-x86: the signed vyRunJob.exe runs under Wine" { signed_runjob_runs x86; }

@test "a program checked against another certificate fails" {
    same fails "$(verify "$(zip_bin x64)/vyPingSrv.exe" "$keys/other.pem")"
}

@test "a changed byte in a signed program breaks its signature" {
    local exe
    exe=$(zip_bin x64)/vyPingSrv.exe
    cp "$exe" "$work/changed.exe"
    # A byte of the code.
    flip "$work/changed.exe" $((16#$(x86_64-w64-mingw32-objdump -h "$exe" | awk '$2 == ".text" { print $6 }') + 100))
    same fails "$(verify "$work/changed.exe")"
}

@test "a changed byte in a signed MSI breaks its signature" {
    cp "$packages/vy-command-line-$version-windows-x64.msi" "$work/changed.msi"
    # A byte of the cabinet of the files, well inside it.
    flip "$work/changed.msi" $(($(grep -obUaP 'MSCF\x00\x00\x00\x00' "$work/changed.msi" | head -n 1 | cut -d: -f1) + 2000))
    same fails "$(verify "$work/changed.msi")"
}
