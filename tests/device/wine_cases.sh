#!/bin/sh
# The Wine cases of the device test's guest, run by /init once the disks
# are made: the Windows programs' inquiry through Wine's
# IOCTL_SCSI_PASS_THROUGH, which Wine sends to the kernel as SG_IO.
# Wine's files, the prefix prepared on the host and the programs are on
# the virtio disk /dev/vda (ext4), mounted at /w; /usr points there.
mkdir -p /w && mount -t ext4 /dev/vda /w || { echo "VYDEV fault: mount /dev/vda"; return 1; }
export WINEPREFIX=/w/prefix WINEDEBUG=-all HOME=/tmp USER=root
# The prefix belongs to the user that runs Wine.
chown -R 0:0 /w/prefix
# Disks 0, 1 and 2 are PhysicalDrive0 to 2, disks 3 and 4 PhysicalDrive4
# and 5; PhysicalDrive3 has a name but no device, so cannot be opened.
dos=/w/prefix/dosdevices
rm -f "$dos"/physicaldrive*
# The kernel's disks in the order they were added: /dev/sd<a..e>.
i=0
for drive in 0 1 2 4 5; do
    letter=$(printf "\\$(printf '%03o' $((97 + i)))")
    ln -s "/dev/sd$letter" "$dos/physicaldrive$drive"
    i=$((i + 1))
done
/usr/lib/wine/wineserver -p
echo "VYDEV wine server $(cut -d' ' -f1 /proc/uptime)"
run names /usr/lib/wine/wine64 /w/vy/dos_names.exe 1 2 3 4 5
echo "VYDEV wine names $(cut -d' ' -f1 /proc/uptime)"
mkdir -p /tmp/wluns /tmp/wseed /tmp/wluns32
cd /tmp/wluns && run wine-showluns /usr/lib/wine/wine64 /w/vy/x64/vyShowLuns.exe
echo "VYDEV wine showluns $(cut -d' ' -f1 /proc/uptime)"
cd /tmp/wseed && run wine-seedhost env FAKEJAVA_LOG='Z:\tmp\wseed.log' INSTALL='Z:\w\inst' \
    /usr/lib/wine/wine64 /w/vy/x64/vySeedHost.exe /s srv1
run wine-seedhost-java cat /tmp/wseed.log
run wine-seedhost-left ls -A /tmp/wseed
echo "VYDEV wine seedhost $(cut -d' ' -f1 /proc/uptime)"
if [ -x /usr/lib/wine/wine ] && [ -e /w/vy/x86/vyShowLuns.exe ]; then
    cd /tmp/wluns32 && run wine-showluns-x86 /usr/lib/wine/wine /w/vy/x86/vyShowLuns.exe
    echo "VYDEV wine showluns-x86 $(cut -d' ' -f1 /proc/uptime)"
fi
cd /
/usr/lib/wine/wineserver -k
