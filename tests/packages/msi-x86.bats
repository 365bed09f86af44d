#!/usr/bin/env bats
# The 32-bit MSI: its tables, read with msiinfo, and its files; installed,
# run, upgraded and removed under Wine (tests/packages/msi.bash) in a prefix
# with a Wine server of its own, build/msi-wine-prefix-x86; then beside the
# 64-bit one. Under Wine it needs the 32-bit loader of Debian's wine32:i386
# (the prefix is 64-bit: WoW64); without it those tests are skipped.
arch=x86
load common
load msi

wine32() { [ -x /usr/lib/wine/wine ]; }

setup_file() {
    packages_made
    mkdir -p "$work/msi-x86"
    msiextract -C "$work/msi-x86" "$msi" >/dev/null
    msi_next_setup
    if wine32; then
        msi_installs_setup
        unpack_zip x64
    fi
}
setup() {
    case $BATS_TEST_DESCRIPTION in
        "MSI x86 under Wine"* | "MSI x86 beside x64"*)
            wine32 || skip "the x86 MSI's install under Wine: no 32-bit Wine (Debian: wine32:i386)" ;;
    esac
}

@test "MSI x86: its platform" {
    same "Template: Intel;1033" "$(msiinfo suminfo "$msi" | grep '^Template:')"
}

@test "MSI x86: product, version, maker and the fixed upgrade code" {
    same "Manufacturer	vy command-line suite maintainers
ProductName	$product_x86
ProductVersion	$version
UpgradeCode	$upgrade_code_x86" \
        "$(msiinfo export "$msi" Property | tr -d '\r' | grep -E '^(Manufacturer|ProductName|ProductVersion|UpgradeCode)	' | LC_ALL=C sort)"
}

@test "MSI x86: installs under the 32-bit Program Files" {
    same "INSTALLDIR	ProgramFilesFolder	vy command-line" \
        "$(msiinfo export "$msi" Directory | tr -d '\r' | grep '^INSTALLDIR	')"
}

@test "MSI x86: the chosen folder read back from the 32-bit registry view" {
    same "InstallFolder	2	Software\\vy command-line	InstallFolder	2" \
        "$(msiinfo export "$msi" RegLocator | tr -d '\r' | sed -n '4,$p')"
}

@test "MSI x86: no component is marked 64-bit" {
    same "" "$(msiinfo export "$msi" Component | tr -d '\r' | awk -F '\t' 'NR > 3 && int($4 / 256) % 2 == 1 {print $1}')"
}

@test "MSI x86: bin appended to the system PATH, removed with the product" {
    same "SystemPath	=-*PATH	[~];[INSTALLDIR]bin	SystemPath" \
        "$(msiinfo export "$msi" Environment | tr -d '\r' | sed -n '4,$p')"
}

@test "MSI x86: older versions replaced, newer ones detected as a downgrade" {
    same "$upgrade_code_x86	$version			2		WIX_DOWNGRADE_DETECTED
$upgrade_code_x86		$version		1		WIX_UPGRADE_DETECTED" \
        "$(msiinfo export "$msi" Upgrade | tr -d '\r' | sed -n '4,$p' | LC_ALL=C sort -t '	' -k7)"
}

@test "MSI x86: its features" {
    same "$(echo Suite; if emulator_built windows-x86; then echo Emulator; fi)" \
        "$(msiinfo export "$msi" Feature | tr -d '\r' | sed -n '4,$p' | cut -f1)"
}

@test "MSI x86: the ZIP's files, extracted" {
    same "$(zip_files x86)" \
        "$(cd "$work/msi-x86/Program Files/vy command-line" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
}

@test "MSI x86: extracted files identical to the ZIP's" {
    same "" "$(differing "$work/msi-x86/Program Files/vy command-line" "$work/x86/vy-command-line-$version-windows-x86")"
}

@test "MSI x86: a second build of the next version is the same, byte for byte" { msi_next_reproducible; }
@test "MSI x86: the next version has a product code of its own" { msi_next_product_code; }
@test "MSI x86 under Wine: silent install" { msi_install; }
@test "MSI x86 under Wine: the ZIP's files under $win_dir" { msi_zip_files; }
@test "MSI x86 under Wine: files identical to the ZIP's" { msi_identical; }
@test "MSI x86 under Wine: one product, of this version" { msi_one_product; }
@test "MSI x86 under Wine: bin appended to the system PATH" { msi_bin_on_path; }
@test "MSI x86 under Wine: vyPingSrv found through PATH, with the installed sample" { msi_ping_sample; }
@test "MSI x86 under Wine: the installed sample's settings" { msi_sample_settings; }
@test "MSI x86 under Wine: the installed vyPingSrv.exe's version" { msi_version_resource; }
@test "MSI x86 under Wine: silent removal" { msi_remove; }
@test "MSI x86 under Wine: removal leaves no file of ours" { msi_no_file_left; }
@test "MSI x86 under Wine: removal leaves no product" { msi_no_product; }
@test "MSI x86 under Wine: removal takes bin off the system PATH" { msi_path_as_before; }
@test "MSI x86 under Wine: install into C:\\Tools\\vy" { msi_install_tools; }
@test "MSI x86 under Wine: the files in C:\\Tools\\vy" { msi_tools_files; }
@test "MSI x86 under Wine: C:\\Tools\\vy\\bin on the system PATH" { msi_tools_on_path; }
@test "MSI x86 under Wine: upgrade to $next in C:\\Tools\\vy" { msi_upgrade; }
@test "MSI x86 under Wine: the upgrade's files in C:\\Tools\\vy" { msi_tools_files; }
@test "MSI x86 under Wine: removal from C:\\Tools\\vy" { msi_remove_next; }
@test "MSI x86 under Wine: nothing left in C:\\Tools" { msi_tools_left; }
@test "MSI x86 under Wine: the system PATH as before, after C:\\Tools\\vy" { msi_path_as_before; }
@test "MSI x86 under Wine: install without the emulator feature" { msi_install_suite; }
@test "MSI x86 under Wine: the emulator's files are left out" { msi_emulator_left_out; }
@test "MSI x86 under Wine: removal after an install without the emulator" { msi_remove; }
@test "MSI x86 under Wine: install $version again" { msi_install; }
@test "MSI x86 under Wine: upgrade to $next" { msi_upgrade; }
@test "MSI x86 under Wine: after the upgrade, one product, of $next" { msi_next_product; }
@test "MSI x86 under Wine: after the upgrade, the files" { msi_zip_files; }
@test "MSI x86 under Wine: after the upgrade, bin once on the system PATH" { msi_bin_on_path; }
@test "MSI x86 under Wine: the second build of $next installed over it" { msi_install_rebuilt; }
@test "MSI x86 under Wine: after the rebuild, one product" { msi_next_product; }
@test "MSI x86 under Wine: a downgrade to $version is refused (1603)" { msi_downgrade_refused; }
@test "MSI x86 under Wine: after the refused downgrade, $next stays" { msi_next_product; }
@test "MSI x86 under Wine: after the refused downgrade, the files stay" { msi_zip_files; }
@test "MSI x86 under Wine: removal of $next" { msi_remove_next; }
@test "MSI x86 under Wine: nothing of ours left after the upgrade and removal" { msi_nothing_left; }
@test "MSI x86 under Wine: the system PATH as before" { msi_path_as_before; }

# Both MSIs in one prefix: two products with their own upgrade codes, each
# in its own Program Files, each bin on the system PATH in the order they
# were installed (the first one's programs are the ones found); removing
# one leaves the other whole.
x64_msi=$packages/vy-command-line-$version-windows-x64.msi
x64_folder="$program_files_x64/vy command-line"
x86_folder="$program_files_x86/vy command-line"
@test "MSI x86 beside x64: x86 installs" {
    system_path > "$work/path-before"
    same 0 "$(msiexec_status /i "$msi")"
}
@test "MSI x86 beside x64: x64 installs too" { same 0 "$(msiexec_status /i "$x64_msi")"; }
@test "MSI x86 beside x64: two products" {
    same "$product_x86 $version
$product_x64 $version" "$(products)"
}
@test "MSI x86 beside x64: the x86 ZIP's files in Program Files (x86)" {
    same "$(zip_files x86)" "$(installed_files "$x86_folder")"
}
@test "MSI x86 beside x64: the x64 ZIP's files in Program Files" {
    same "$(zip_files x64)" "$(installed_files "$x64_folder")"
}
@test "MSI x86 beside x64: both bins on the system PATH, x86's first" {
    same "$(path_before)
C:\\$program_files_x86\\vy command-line\\bin
C:\\$program_files_x64\\vy command-line\\bin" "$(system_path)"
}
@test "MSI x86 beside x64: vyPingSrv found through PATH" { same "status 0" "$(msi_ping /noSystemCommand /s x)"; }
@test "MSI x86 beside x64: removal of x86" { same 0 "$(msiexec_status /x "$msi")"; }
@test "MSI x86 beside x64: x64 stays" { same "$product_x64 $version" "$(products)"; }
@test "MSI x86 beside x64: x64's files stay" { same "$(zip_files x64)" "$(installed_files "$x64_folder")"; }
@test "MSI x86 beside x64: nothing left in Program Files (x86)" { same "" "$(installed_files "$x86_folder")"; }
@test "MSI x86 beside x64: only x64's bin on the system PATH" {
    same "$(path_before)
C:\\$program_files_x64\\vy command-line\\bin" "$(system_path)"
}
@test "MSI x86 beside x64: vyPingSrv still found through PATH" { same "status 0" "$(msi_ping /noSystemCommand /s x)"; }
@test "MSI x86 beside x64: removal of x64" { same 0 "$(msiexec_status /x "$x64_msi")"; }
@test "MSI x86 beside x64: nothing of ours left" { same "" "$(left_over)$(products)"; }
@test "MSI x86 beside x64: the system PATH as before" { same "$(path_before)" "$(system_path)"; }
