/* Virtual SCSI disks for the device test: a user-space handler of the
 * kernel's target_core_user backend, run inside the test's virtual machine.
 *
 *   tcmu_disks serve <disk file> <ready file>
 *       Serves every disk of the disk file through its /dev/uioN (the disks
 *       must already exist in configfs as user_0/<name>, enabled). Creates
 *       <ready file> once all are open, then answers commands until killed.
 *   tcmu_disks readdir <folder>
 *       Prints the names of the SCSI disks (sd<letters>) in <folder> on one
 *       line, in the order that readdir gives them.
 *   tcmu_disks as <uid> <program> [argument...]
 *       Runs <program> as user and group <uid>, without supplementary groups.
 *
 * Disk file: one disk per line, "<name> <vendor> <product> <serial>"; blank
 * lines and lines that begin with "#" are skipped. <name> is the configfs
 * name (letters, digits, "_"). The other three are the standard inquiry
 * data's bytes 8-15, 16-31 and 36-43: text without blanks, or "hex:" and
 * two hex digits per byte; shorter values are padded with blanks.
 *
 * Each disk holds kDiskSize bytes (the dev_size given in configfs) in
 * memory, in blocks of 512 bytes. Commands it does not know end in CHECK
 * CONDITION, ILLEGAL REQUEST, as a real drive answers them.
 */
#define _GNU_SOURCE
/* The kernel's header brings its own struct iovec, which the C library's
 * headers define too: it is renamed here (same layout). */
#define iovec tcmu_iovec
#include <linux/target_core_user.h>
#undef iovec

#include <dirent.h>
#include <stddef.h>
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

enum { kMaxDisks = 64, kNameCapacity = 32, kBlockSize = 512 };
static const uint64_t kDiskSize = 1048576; /* must equal the dev_size set in configfs */

struct disk {
    char name[kNameCapacity];
    unsigned char vendor[8];
    unsigned char product[16];
    unsigned char serial[8];
    unsigned char *store;
    int fd;
    unsigned char *map;
};

static struct disk disks[kMaxDisks];
static int diskCount;

static void Fail(const char *what) {
    fprintf(stderr, "tcmu_disks: %s\n", what);
    exit(2);
}

static int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/* One field of the disk file into a field of the inquiry data, padded with
 * blanks. False when it does not fit or is not well-formed hex. */
static int Field(const char *text, unsigned char *field, size_t size) {
    memset(field, ' ', size);
    if (strncmp(text, "hex:", 4) == 0) {
        const char *hex = text + 4;
        size_t digits = strlen(hex);
        if (digits % 2 != 0 || digits / 2 > size) return 0;
        for (size_t i = 0; i < digits / 2; ++i) {
            int high = HexDigit(hex[2 * i]), low = HexDigit(hex[2 * i + 1]);
            if (high < 0 || low < 0) return 0;
            field[i] = (unsigned char)(high * 16 + low);
        }
        return 1;
    }
    size_t length = strlen(text);
    if (length > size) return 0;
    memcpy(field, text, length);
    return 1;
}

static void ReadDisks(const char *path) {
    FILE *file = fopen(path, "r");
    if (file == NULL) Fail("cannot open the disk file");
    char line[512];
    while (fgets(line, sizeof line, file) != NULL) {
        if (strchr(line, '\n') == NULL && !feof(file)) Fail("a line of the disk file is too long");
        char name[kNameCapacity + 1], vendor[64], product[64], serial[64], extra[2];
        int fields = sscanf(line, "%32s %63s %63s %63s %1s", name, vendor, product, serial, extra);
        if (fields <= 0 || name[0] == '#') continue;
        if (fields != 4) Fail("a disk line needs a name, a vendor, a product and a serial");
        if (diskCount == kMaxDisks) Fail("too many disks");
        struct disk *d = &disks[diskCount];
        if (strlen(name) >= kNameCapacity || strspn(name, "abcdefghijklmnopqrstuvwxyz0123456789_") != strlen(name))
            Fail("a disk name must be at most 31 letters, digits or \"_\"");
        strcpy(d->name, name);
        if (!Field(vendor, d->vendor, sizeof d->vendor) || !Field(product, d->product, sizeof d->product) ||
            !Field(serial, d->serial, sizeof d->serial))
            Fail("a vendor, product or serial does not fit its field");
        d->fd = -1;
        ++diskCount;
    }
    fclose(file);
}

static int ReadSmallFile(const char *path, char *text, size_t size) {
    FILE *file = fopen(path, "r");
    if (file == NULL) return 0;
    size_t n = fread(text, 1, size - 1, file);
    fclose(file);
    text[n] = '\0';
    text[strcspn(text, "\n")] = '\0';
    return 1;
}

/* The disk that a uio device serves: its name reads
 * "tcm-user/<hba>/<device name>/<dev_config>". */
static struct disk *DiskOfUio(const char *uio) {
    char path[300], name[300];
    snprintf(path, sizeof path, "/sys/class/uio/%s/name", uio);
    if (!ReadSmallFile(path, name, sizeof name) || strncmp(name, "tcm-user/", 9) != 0) return NULL;
    char *device = strchr(name + 9, '/');
    if (device == NULL) return NULL;
    ++device;
    char *end = strchr(device, '/');
    if (end != NULL) *end = '\0';
    for (int i = 0; i < diskCount; ++i) {
        if (strcmp(disks[i].name, device) == 0) return &disks[i];
    }
    return NULL;
}

static void OpenDisks(void) {
    DIR *dir = opendir("/sys/class/uio");
    if (dir == NULL) Fail("no /sys/class/uio");
    struct dirent *entry;
    while ((entry = readdir(dir)) != NULL) {
        if (entry->d_name[0] == '.') continue;
        struct disk *d = DiskOfUio(entry->d_name);
        if (d == NULL) continue;
        char path[300], size[64];
        snprintf(path, sizeof path, "/sys/class/uio/%s/maps/map0/size", entry->d_name);
        if (!ReadSmallFile(path, size, sizeof size)) Fail("cannot read the size of a uio map");
        size_t length = (size_t)strtoull(size, NULL, 0);
        snprintf(path, sizeof path, "/dev/%s", entry->d_name);
        d->fd = open(path, O_RDWR);
        if (d->fd < 0) Fail("cannot open a uio device");
        void *map = mmap(NULL, length, PROT_READ | PROT_WRITE, MAP_SHARED, d->fd, 0);
        if (map == MAP_FAILED) Fail("cannot map a uio device");
        d->map = map;
        d->store = calloc(1, (size_t)kDiskSize);
        if (d->store == NULL) Fail("out of memory");
    }
    closedir(dir);
    for (int i = 0; i < diskCount; ++i) {
        if (disks[i].fd < 0) {
            fprintf(stderr, "tcmu_disks: no uio device for disk %s\n", disks[i].name);
            exit(2);
        }
    }
}

/* One command: where its data lies and how it ends. */
struct command {
    unsigned char *map;
    const unsigned char *iov; /* packed, unaligned struct tcmu_iovec entries */
    uint32_t iovCount;
    uint8_t status;
    unsigned char sense[18];
    uint32_t sent; /* bytes sent to the initiator */
};

static uint32_t Get32(const unsigned char *p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}
static uint64_t Get64(const unsigned char *p) { return (uint64_t)Get32(p) << 32 | Get32(p + 4); }
static void Put32(unsigned char *p, uint32_t v) {
    p[0] = (unsigned char)(v >> 24);
    p[1] = (unsigned char)(v >> 16);
    p[2] = (unsigned char)(v >> 8);
    p[3] = (unsigned char)v;
}

static struct tcmu_iovec Iov(const struct command *c, uint32_t i) {
    struct tcmu_iovec iov;
    memcpy(&iov, c->iov + i * sizeof iov, sizeof iov);
    return iov;
}

static uint64_t DataLength(const struct command *c) {
    uint64_t total = 0;
    for (uint32_t i = 0; i < c->iovCount; ++i) total += Iov(c, i).iov_len;
    return total;
}

/* Data in: at most the buffer the initiator gave and at most <limit>. */
static void Send(struct command *c, const unsigned char *data, uint64_t length, uint64_t limit) {
    if (length > limit) length = limit;
    uint64_t done = 0;
    for (uint32_t i = 0; i < c->iovCount && done < length; ++i) {
        struct tcmu_iovec iov = Iov(c, i);
        uint64_t n = iov.iov_len;
        if (n > length - done) n = length - done;
        /* iov_base is an offset into the mapped area. */
        memcpy(c->map + (size_t)iov.iov_base, data + done, (size_t)n);
        done += n;
    }
    c->sent = (uint32_t)done;
}

/* Data out into <data>, at most <length> bytes. */
static void Receive(const struct command *c, unsigned char *data, uint64_t length) {
    uint64_t done = 0;
    for (uint32_t i = 0; i < c->iovCount && done < length; ++i) {
        struct tcmu_iovec iov = Iov(c, i);
        uint64_t n = iov.iov_len;
        if (n > length - done) n = length - done;
        memcpy(data + done, c->map + (size_t)iov.iov_base, (size_t)n);
        done += n;
    }
}

static void CheckCondition(struct command *c, unsigned char key, unsigned char asc) {
    c->status = 0x02;
    memset(c->sense, 0, sizeof c->sense);
    c->sense[0] = 0x70; /* current error, fixed format */
    c->sense[2] = key;
    c->sense[7] = 10;
    c->sense[12] = asc;
}

enum { kIllegalRequest = 0x05, kInvalidOpcode = 0x20, kLbaOutOfRange = 0x21, kInvalidField = 0x24 };

static void Inquiry(struct command *c, const struct disk *d, const unsigned char *cdb) {
    uint64_t allocation = (uint64_t)cdb[3] << 8 | cdb[4];
    unsigned char data[96];
    memset(data, 0, sizeof data);
    if (cdb[1] & 0x01) {
        if (cdb[2] == 0x00) { /* supported pages */
            const unsigned char pages[] = {0x00, 0x00, 0x00, 0x02, 0x00, 0x80};
            Send(c, pages, sizeof pages, allocation);
        } else if (cdb[2] == 0x80) { /* unit serial number */
            data[1] = 0x80;
            data[3] = 8;
            memcpy(data + 4, d->serial, 8);
            Send(c, data, 12, allocation);
        } else {
            fprintf(stderr, "tcmu_disks: %s: page %02Xh not supported\n", d->name, cdb[2]);
            CheckCondition(c, kIllegalRequest, kInvalidField);
        }
        return;
    }
    if (cdb[2] != 0) {
        CheckCondition(c, kIllegalRequest, kInvalidField);
        return;
    }
    data[0] = 0x00; /* direct-access block device */
    data[2] = 0x05; /* SPC-3 */
    data[3] = 0x02; /* response data format */
    data[4] = sizeof data - 5;
    data[7] = 0x02; /* command queuing */
    memcpy(data + 8, d->vendor, 8);
    memcpy(data + 16, d->product, 16);
    memcpy(data + 32, "0001", 4);
    memcpy(data + 36, d->serial, 8);
    /* 96 bytes of 165 asked for: the initiator sees a residual. */
    Send(c, data, sizeof data, allocation);
}

static void ReadWrite(struct command *c, struct disk *d, uint64_t lba, uint64_t blocks, int write) {
    const uint64_t total = kDiskSize / kBlockSize;
    if (lba > total || blocks > total - lba) {
        CheckCondition(c, kIllegalRequest, kLbaOutOfRange);
        return;
    }
    uint64_t length = blocks * kBlockSize;
    if (DataLength(c) < length) length = DataLength(c);
    if (write) {
        Receive(c, d->store + lba * kBlockSize, length);
    } else {
        Send(c, d->store + lba * kBlockSize, length, length);
    }
}

static void Execute(struct command *c, struct disk *d, const unsigned char *cdb) {
    const uint64_t lastBlock = kDiskSize / kBlockSize - 1;
    unsigned char data[32];
    memset(data, 0, sizeof data);
    switch (cdb[0]) {
    case 0x00: /* TEST UNIT READY */
    case 0x35: /* SYNCHRONIZE CACHE (10) */
    case 0x91: /* SYNCHRONIZE CACHE (16) */
        break;
    case 0x12:
        Inquiry(c, d, cdb);
        break;
    case 0x25: /* READ CAPACITY (10) */
        Put32(data, (uint32_t)lastBlock);
        Put32(data + 4, kBlockSize);
        Send(c, data, 8, 8);
        break;
    case 0x9E: /* SERVICE ACTION IN (16) */
        if ((cdb[1] & 0x1F) != 0x10) {
            CheckCondition(c, kIllegalRequest, kInvalidField);
            break;
        }
        Put32(data, 0); /* READ CAPACITY (16) */
        Put32(data + 4, (uint32_t)lastBlock);
        Put32(data + 8, kBlockSize);
        Send(c, data, 32, Get32(cdb + 10));
        break;
    case 0x1A: /* MODE SENSE (6): the header, no pages */
        data[0] = 3;
        Send(c, data, 4, cdb[4]);
        break;
    case 0x5A: /* MODE SENSE (10) */
        data[1] = 6;
        Send(c, data, 8, (uint64_t)cdb[7] << 8 | cdb[8]);
        break;
    case 0x08:
    case 0x0A: { /* READ (6), WRITE (6): 0 blocks means 256 */
        uint64_t blocks = cdb[4] == 0 ? 256 : cdb[4];
        ReadWrite(c, d, (uint64_t)(cdb[1] & 0x1F) << 16 | (uint64_t)cdb[2] << 8 | cdb[3], blocks, cdb[0] == 0x0A);
        break;
    }
    case 0x28:
    case 0x2A: /* READ (10), WRITE (10) */
        ReadWrite(c, d, Get32(cdb + 2), (uint64_t)cdb[7] << 8 | cdb[8], cdb[0] == 0x2A);
        break;
    case 0x88:
    case 0x8A: /* READ (16), WRITE (16) */
        ReadWrite(c, d, Get64(cdb + 2), Get32(cdb + 10), cdb[0] == 0x8A);
        break;
    default:
        /* On the console, for whoever reads a failed run. */
        fprintf(stderr, "tcmu_disks: %s: command %02Xh not supported\n", d->name, cdb[0]);
        CheckCondition(c, kIllegalRequest, kInvalidOpcode);
        break;
    }
}

/* Every command between the ring's tail and head, then the kernel is told. */
static void Serve(struct disk *d) {
    struct tcmu_mailbox *mb = (struct tcmu_mailbox *)d->map;
    __sync_synchronize();
    uint32_t tail = mb->cmd_tail;
    while (tail != mb->cmd_head) {
        struct tcmu_cmd_entry *entry = (struct tcmu_cmd_entry *)(d->map + mb->cmdr_off + tail);
        uint32_t lenOp = entry->hdr.len_op;
        if (tcmu_hdr_get_op(lenOp) == TCMU_OP_CMD) {
            struct command c;
            memset(&c, 0, sizeof c);
            c.map = d->map;
            c.iov = (const unsigned char *)entry + offsetof(struct tcmu_cmd_entry, req.iov);
            c.iovCount = entry->req.iov_cnt;
            Execute(&c, d, d->map + entry->req.cdb_off);
            /* The answer overlays the request: written only now. */
            entry->rsp.scsi_status = c.status;
            if (c.status != 0) memcpy(entry->rsp.sense_buffer, c.sense, sizeof c.sense);
            if ((mb->flags & TCMU_MAILBOX_FLAG_CAP_READ_LEN) && c.status == 0) {
                entry->hdr.uflags |= TCMU_UFLAG_READ_LEN;
                entry->rsp.read_len = c.sent;
            }
        } else if (tcmu_hdr_get_op(lenOp) != TCMU_OP_PAD) {
            entry->hdr.uflags |= TCMU_UFLAG_UNKNOWN_OP;
        }
        tail = (tail + tcmu_hdr_get_len(lenOp)) % mb->cmdr_size;
    }
    __sync_synchronize();
    mb->cmd_tail = tail;
    uint32_t one = 1;
    if (write(d->fd, &one, sizeof one) != (ssize_t)sizeof one) Fail("cannot notify the kernel");
}

static void ServeAll(const char *diskFile, const char *readyFile) {
    ReadDisks(diskFile);
    if (diskCount == 0) Fail("no disks");
    OpenDisks();
    struct pollfd fds[kMaxDisks];
    for (int i = 0; i < diskCount; ++i) {
        fds[i].fd = disks[i].fd;
        fds[i].events = POLLIN;
        /* Commands queued before we were listening. */
        Serve(&disks[i]);
    }
    FILE *ready = fopen(readyFile, "w");
    if (ready == NULL) Fail("cannot create the ready file");
    fclose(ready);
    for (;;) {
        if (poll(fds, (nfds_t)diskCount, -1) < 0) {
            if (errno == EINTR) continue;
            Fail("poll failed");
        }
        for (int i = 0; i < diskCount; ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            uint32_t events;
            if (read(fds[i].fd, &events, sizeof events) != (ssize_t)sizeof events) Fail("cannot read a uio event");
            Serve(&disks[i]);
        }
    }
}

static int ListDisks(const char *folder) {
    DIR *dir = opendir(folder);
    if (dir == NULL) Fail("cannot read the folder");
    struct dirent *entry;
    const char *blank = "";
    while ((entry = readdir(dir)) != NULL) {
        const char *name = entry->d_name;
        if (strncmp(name, "sd", 2) != 0 || name[2] == '\0' || strspn(name + 2, "abcdefghijklmnopqrstuvwxyz") != strlen(name + 2))
            continue;
        printf("%s%s", blank, name);
        blank = " ";
    }
    printf("\n");
    closedir(dir);
    return 0;
}

static int RunAs(const char *uidText, char **argv) {
    char *end;
    long uid = strtol(uidText, &end, 10);
    if (*end != '\0' || uid <= 0) Fail("the user must be a number above 0");
    if (setgroups(0, NULL) != 0 || setgid((gid_t)uid) != 0 || setuid((uid_t)uid) != 0) Fail("cannot change the user");
    execv(argv[0], argv);
    Fail("cannot start the program");
    return 2;
}

int main(int argc, char **argv) {
    if (argc == 4 && strcmp(argv[1], "serve") == 0) ServeAll(argv[2], argv[3]);
    if (argc == 3 && strcmp(argv[1], "readdir") == 0) return ListDisks(argv[2]);
    if (argc >= 4 && strcmp(argv[1], "as") == 0) return RunAs(argv[2], argv + 3);
    fprintf(stderr, "usage: tcmu_disks serve <disk file> <ready file> | readdir <folder> | as <uid> <program> [argument...]\n");
    return 2;
}
