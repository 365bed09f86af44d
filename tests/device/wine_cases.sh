#!/bin/sh
# The Wine cases of the device test's guest, run by /init once the disks
# are made, with chroot in the root file system of the virtio disk
# (wine_image.sh): the Windows programs' inquiry through Wine's
# IOCTL_SCSI_PASS_THROUGH, which Wine sends to the kernel as SG_IO.
/bin/busybox --install -s /bin
export PATH=/bin WINEPREFIX=/prefix WINEDEBUG=-all HOME=/tmp USER=root
uptime() { cut -d' ' -f1 /proc/uptime; }
# A case: its name, then the command; the output and the exit status go
# between the markers. The output goes through a file of its own: Wine
# would start a console host for a terminal, and the Wine services that a
# case starts keep its output open after it ends.
run() {
    case_name=$1
    shift
    echo "VYDEV-BEGIN $case_name"
    "$@" </dev/null >"/tmp/$case_name.out" 2>&1
    status=$?
    cat "/tmp/$case_name.out"
    echo "status $status"
    echo "VYDEV-END $case_name"
}

# The prefix belongs to the user that runs Wine.
chown -R 0:0 /prefix
# Disks 0, 1 and 2 are PhysicalDrive0 to 2, disks 3 and 4 PhysicalDrive4
# and 5; PhysicalDrive3 has a name but no device, so cannot be opened.
dos=/prefix/dosdevices
rm -f "$dos"/physicaldrive*
# The kernel's disks in the order they were added: /dev/sd<a..e>.
i=0
for drive in 0 1 2 4 5; do
    letter=$(printf "\\$(printf '%03o' $((97 + i)))")
    ln -s "/dev/sd$letter" "$dos/physicaldrive$drive"
    i=$((i + 1))
done
/usr/lib/wine/wineserver -p
echo "VYDEV wine server $(uptime)"
run names /usr/lib/wine/wine64 /vy/dos_names.exe 1 2 3 4 5
echo "VYDEV wine names $(uptime)"
mkdir -p /tmp/wluns /tmp/wseed /tmp/wluns32
cd /tmp/wluns && run wine-showluns /usr/lib/wine/wine64 /vy/x64/vyShowLuns.exe
echo "VYDEV wine showluns $(uptime)"
cd /tmp/wseed && run wine-seedhost env FAKEJAVA_LOG='Z:\tmp\wseed.log' INSTALL='Z:\inst' \
    /usr/lib/wine/wine64 /vy/x64/vySeedHost.exe /s srv1
run wine-seedhost-java cat /tmp/wseed.log
run wine-seedhost-left ls -A /tmp/wseed
echo "VYDEV wine seedhost $(uptime)"
if [ -x /usr/lib/wine/wine ] && [ -e /vy/x86/vyShowLuns.exe ]; then
    cd /tmp/wluns32 && run wine-showluns-x86 /usr/lib/wine/wine /vy/x86/vyShowLuns.exe
    echo "VYDEV wine showluns-x86 $(uptime)"
fi
cd /
/usr/lib/wine/wineserver -k
