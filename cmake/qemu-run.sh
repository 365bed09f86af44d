#!/bin/sh
# Runs one aarch64 test executable under qemu-user: qemu-run.sh program
# arguments. The programs under test start children of their own (the fake
# java, the fake lanectl, /bin/sh), which are aarch64 executables too, and
# qemu-user emulates only the process it starts: an aarch64 program's
# execve must find qemu by itself, through binfmt_misc.
#
# Where the machine has registered qemu-aarch64 itself (Debian's
# qemu-user-binfmt with binfmt_misc mounted), the program simply runs.
# Elsewhere it runs in a user and mount namespace of its own with a private
# binfmt_misc (Linux 6.7 and later) in which qemu-aarch64 is registered:
# every aarch64 executable started below it runs under qemu, and the
# machine's own binfmt_misc is never touched, so neither root nor a
# registration of the machine's is needed. With neither, nothing runs.
#
# qemu-run.sh --check tells which way works (status 0) or why none does
# (status 1), and starts nothing.
#
# QEMU_LD_PREFIX names the aarch64 C library (Debian's libc6-arm64-cross)
# for every emulated process, children included; the programs see it in
# their environment, as they see every variable of the test's.
QEMU_LD_PREFIX=${QEMU_LD_PREFIX:-/usr/aarch64-linux-gnu}
export QEMU_LD_PREFIX
# The magic and mask of a 64-bit little-endian ARM ELF executable (e_machine
# 183), as Debian's qemu-user-binfmt registers them; flags: P keeps the
# program's own argv[0] (the fake java checks it), F opens qemu now, so that
# it is found whatever the namespace's later mounts.
rule=':qemu-aarch64:M::\x7f\x45\x4c\x46\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00:\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/libexec/qemu-binfmt/aarch64-binfmt-P:PF'

if ! [ -x /usr/libexec/qemu-binfmt/aarch64-binfmt-P ]; then
    echo "qemu-run.sh: no qemu-aarch64 (Debian: qemu-user, qemu-user-binfmt)" >&2
    exit 1
fi

# In the namespace: mount the private binfmt_misc, register, run.
if [ "${1:-}" = --in-namespace ]; then
    shift
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || exit 1
    printf '%s' "$rule" >/proc/sys/fs/binfmt_misc/register || exit 1
    [ "${1:-}" = --check ] && exit 0
    exec "$@"
fi

private_binfmt() {
    unshare --user --map-root-user --mount --propagation private \
        sh "$0" --in-namespace --check >/dev/null 2>&1
}
machine_binfmt() {
    grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-aarch64 2>/dev/null
}

if [ "${1:-}" = --check ]; then
    if machine_binfmt; then
        echo "qemu-run.sh: the machine's binfmt_misc registration of qemu-aarch64"
    elif private_binfmt; then
        echo "qemu-run.sh: a private binfmt_misc in a namespace of each test"
    else
        echo "qemu-run.sh: neither a private binfmt_misc (Linux 6.7, user namespaces) nor the machine's registration of qemu-aarch64 (qemu-user-binfmt, binfmt_misc mounted)" >&2
        exit 1
    fi
    exit 0
fi

if machine_binfmt; then
    exec "$@"
fi
exec unshare --user --map-root-user --mount --propagation private sh "$0" --in-namespace "$@"
