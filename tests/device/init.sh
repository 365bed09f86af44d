#!/bin/sh
# The device test's virtual machine: /init of its initramfs (busybox).
# Makes one SCSI disk per line of /disks.txt (target_core_user behind the
# tcm_loop fabric, answered by tcmu_disks), runs the programs under test and
# prints their output between markers on the console, then powers off.
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mount -t tmpfs tmpfs /tmp
chmod 1777 /tmp
echo "VYDEV booted $(cut -d' ' -f1 /proc/uptime)"

fault() {
    echo "VYDEV fault: $*"
    cat /tmp/handler.log 2>/dev/null
    dmesg | tail -n 30
    poweroff -f
}

for module in $(cat /modules.list); do
    insmod "/modules/$module.ko" || fault "insmod $module"
done
mount -t configfs configfs /sys/kernel/config || fault "configfs"
target=/sys/kernel/config/target
names=$(grep -v '^#' /disks.txt | awk 'NF { print $1 }')

# The backing devices first; the handler opens their uio devices.
for name in $names; do
    device=$target/core/user_0/$name
    mkdir -p "$device" || fault "mkdir $device"
    # 1 MiB each, as tcmu_disks holds them; a small command ring keeps the
    # guest's memory small (older kernels lack the setting).
    echo -n "dev_size=1048576" > "$device/control" || fault "dev_size $name"
    echo -n "dev_config=vydisk/$name" > "$device/control" || fault "dev_config $name"
    echo -n "cmd_ring_size_mb=1" > "$device/control" 2>/dev/null
    echo 1 > "$device/enable" || fault "enable $name"
done
# Its complaints go to a file, printed at the end, so that they cannot fall
# among the programs' output.
/bin/tcmu_disks serve /disks.txt /tmp/ready 2>/tmp/handler.log &
for i in $(seq 100); do
    [ -e /tmp/ready ] && break
    usleep 50000
done
[ -e /tmp/ready ] || fault "the handler did not start"

# One loopback target, one LUN per disk. Each LUN is added only when the
# disk before it has its name, so that line n of /disks.txt is drive n.
tpg=$target/loopback/naa.5001405000000001/tpgt_1
mkdir -p "$tpg" || fault "mkdir $tpg"
echo -n naa.5001405000000002 > "$tpg/nexus" || fault "nexus"
lun=0
for name in $names; do
    mkdir "$tpg/lun/lun_$lun" || fault "mkdir lun_$lun"
    ln -s "$target/core/user_0/$name" "$tpg/lun/lun_$lun/$name" || fault "link $name"
    lun=$((lun + 1))
    for i in $(seq 200); do
        [ "$(ls /sys/block | grep -c '^sd')" -ge "$lun" ] && break
        usleep 20000
    done
    [ "$(ls /sys/block | grep -c '^sd')" -ge "$lun" ] || fault "disk $name got no name"
done
# The device nodes come from devtmpfs, after the block devices.
for i in $(seq 100); do
    [ "$(ls /dev | grep -c '^sd[a-z]*$')" -ge "$lun" ] && break
    usleep 20000
done

echo "VYDEV disks made $(cut -d' ' -f1 /proc/uptime)"
echo "VYDEV-BEGIN disks"
for name in $(ls /sys/block | grep '^sd'); do
    # Unquoted: the kernel pads the fields with blanks.
    echo $name $(cat /sys/block/$name/device/vendor) $(cat /sys/block/$name/device/model)
done | sort
echo "VYDEV-END disks"
echo "VYDEV-BEGIN readdir"
/bin/tcmu_disks readdir /dev
echo "VYDEV-END readdir"

# A case: its name, then the command; the output and the exit status go
# between the markers.
run() {
    case_name=$1
    shift
    echo "VYDEV-BEGIN $case_name"
    "$@" 2>&1
    echo "status $?"
    echo "VYDEV-END $case_name"
}

# The Wine run has cases of its own, run in the root file system of the
# virtio disk (wine_image.sh) with the guest's /dev, /proc, /sys and a
# /tmp of its own.
if [ -e /wine ]; then
    mkdir -p /w && mount -t ext4 /dev/vda /w || fault "mount /dev/vda"
    mount -o bind /dev /w/dev && mount -t proc proc /w/proc && mount -t sysfs sysfs /w/sys &&
        mount -t tmpfs tmpfs /w/tmp || fault "the mounts below /w"
    chmod 1777 /w/tmp
    echo "VYDEV wine mounted $(cut -d' ' -f1 /proc/uptime)"
    chroot /w /bin/sh /vy/wine_cases.sh
    echo "VYDEV-BEGIN handler"
    sort /tmp/handler.log | uniq -c
    echo "VYDEV-END handler"
    echo "VYDEV done $(cut -d' ' -f1 /proc/uptime)"
    poweroff -f
fi

mkdir -p /tmp/luns /tmp/seed /tmp/probe /tmp/user
cd /tmp/luns && run showluns /vy/vyShowLuns
cd /tmp/seed && run seedhost env FAKEJAVA_LOG=/tmp/seed.log INSTALL=/inst /vy/vySeedHost /s srv1
run seedhost-java cat /tmp/seed.log
run seedhost-left ls -A /tmp/seed
cd /tmp/probe && run probevol env FAKEJAVA_LOG=/tmp/probe.log INSTALL=/inst \
    /vy/vyProbeVol /m /q disk27 /q DISK0 /q Disk1 /q Disk3 /s srv1
run probevol-java cat /tmp/probe.log
# A user who may not open the drives (devtmpfs gives them to root alone).
chown 1000:1000 /tmp/user
cd /tmp/user && run showluns-user /bin/tcmu_disks as 1000 /vy/vyShowLuns
cd /
echo "VYDEV-BEGIN handler"
sort /tmp/handler.log | uniq -c
echo "VYDEV-END handler"
echo "VYDEV done $(cut -d' ' -f1 /proc/uptime)"
poweroff -f
