#!/usr/bin/env bats
# The 64-bit MSI: its platform and upgrade code; installed, run, upgraded and
# removed under Wine (tests/packages/msi.bash), in a prefix with a Wine
# server of its own, build/msi-wine-prefix.
arch=x64
load common
load msi

setup_file() {
    packages_made
    msi_installs_setup
}

@test "MSI x64: its platform" {
    same "Template: x64;1033" "$(msiinfo suminfo "$msi" | grep '^Template:')"
}

@test "MSI x64: the fixed upgrade code" {
    same "UpgradeCode	$upgrade_code_x64" "$(msiinfo export "$msi" Property | tr -d '\r' | grep '^UpgradeCode	')"
}

@test "MSI x64: a second build of the next version is the same, byte for byte" { msi_next_reproducible; }
@test "MSI x64: the next version has a product code of its own" { msi_next_product_code; }
@test "MSI x64 under Wine: silent install" { msi_install; }
@test "MSI x64 under Wine: the ZIP's files under $win_dir" { msi_zip_files; }
@test "MSI x64 under Wine: files identical to the ZIP's" { msi_identical; }
@test "MSI x64 under Wine: one product, of this version" { msi_one_product; }
@test "MSI x64 under Wine: bin appended to the system PATH" { msi_bin_on_path; }
@test "MSI x64 under Wine: vyPingSrv found through PATH, with the installed sample" { msi_ping_sample; }
@test "MSI x64 under Wine: the installed sample's settings" { msi_sample_settings; }
@test "MSI x64 under Wine: the installed vyPingSrv.exe's version" { msi_version_resource; }
@test "MSI x64 under Wine: silent removal" { msi_remove; }
@test "MSI x64 under Wine: removal leaves no file of ours" { msi_no_file_left; }
@test "MSI x64 under Wine: removal leaves no product" { msi_no_product; }
@test "MSI x64 under Wine: removal takes bin off the system PATH" { msi_path_as_before; }
@test "MSI x64 under Wine: install into C:\\Tools\\vy" { msi_install_tools; }
@test "MSI x64 under Wine: the files in C:\\Tools\\vy" { msi_tools_files; }
@test "MSI x64 under Wine: C:\\Tools\\vy\\bin on the system PATH" { msi_tools_on_path; }
@test "MSI x64 under Wine: upgrade to $next in C:\\Tools\\vy" { msi_upgrade; }
@test "MSI x64 under Wine: the upgrade's files in C:\\Tools\\vy" { msi_tools_files; }
@test "MSI x64 under Wine: removal from C:\\Tools\\vy" { msi_remove_next; }
@test "MSI x64 under Wine: nothing left in C:\\Tools" { msi_tools_left; }
@test "MSI x64 under Wine: the system PATH as before, after C:\\Tools\\vy" { msi_path_as_before; }
@test "MSI x64 under Wine: install without the emulator feature" { msi_install_suite; }
@test "MSI x64 under Wine: the emulator's files are left out" { msi_emulator_left_out; }
@test "MSI x64 under Wine: removal after an install without the emulator" { msi_remove; }
@test "MSI x64 under Wine: install $version again" { msi_install; }
@test "MSI x64 under Wine: upgrade to $next" { msi_upgrade; }
@test "MSI x64 under Wine: after the upgrade, one product, of $next" { msi_next_product; }
@test "MSI x64 under Wine: after the upgrade, the files" { msi_zip_files; }
@test "MSI x64 under Wine: after the upgrade, bin once on the system PATH" { msi_bin_on_path; }
@test "MSI x64 under Wine: the second build of $next installed over it" { msi_install_rebuilt; }
@test "MSI x64 under Wine: after the rebuild, one product" { msi_next_product; }
@test "MSI x64 under Wine: a downgrade to $version is refused (1603)" { msi_downgrade_refused; }
@test "MSI x64 under Wine: after the refused downgrade, $next stays" { msi_next_product; }
@test "MSI x64 under Wine: after the refused downgrade, the files stay" { msi_zip_files; }
@test "MSI x64 under Wine: removal of $next" { msi_remove_next; }
@test "MSI x64 under Wine: nothing of ours left after the upgrade and removal" { msi_nothing_left; }
@test "MSI x64 under Wine: the system PATH as before" { msi_path_as_before; }
