/* Adds the names \??\PhysicalDrive<n> for the numbers given to the object
 * directory of a running wineserver (started with -p, so that they outlive
 * this program), for QueryDosDeviceA to list. Wine names only
 * PhysicalDrive0 itself; which Unix device a name opens is the prefix's
 * dosdevices/physicaldrive<n> link. A name that is there already is left.
 * Exit status: 0 made, 1 a name could not be made, 2 a wrong argument. */
#include <windows.h>
#include <winternl.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#ifndef OBJ_PERMANENT
#define OBJ_PERMANENT 0x10
#endif
#define LINK_ALL_ACCESS 0xF0001
#define NAME_COLLISION ((NTSTATUS)0xC0000035)

NTSTATUS NTAPI NtCreateSymbolicLinkObject(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PUNICODE_STRING);

int main(int argc, char** argv) {
    for (int i = 1; i < argc; i++) {
        char* end;
        long n = strtol(argv[i], &end, 10);
        if (*argv[i] == '\0' || *end != '\0' || n < 0 || n > 999) return 2;
        WCHAR name[40], target[48];
        swprintf(name, 40, L"\\??\\PhysicalDrive%ld", n);
        swprintf(target, 48, L"\\Device\\Harddisk%ld\\Partition0", n);
        UNICODE_STRING name_string, target_string;
        RtlInitUnicodeString(&name_string, name);
        RtlInitUnicodeString(&target_string, target);
        OBJECT_ATTRIBUTES attributes;
        InitializeObjectAttributes(&attributes, &name_string, OBJ_CASE_INSENSITIVE | OBJ_PERMANENT, NULL, NULL);
        HANDLE link;
        NTSTATUS status = NtCreateSymbolicLinkObject(&link, LINK_ALL_ACCESS, &attributes, &target_string);
        if (status == NAME_COLLISION) continue;
        if (status != 0) {
            printf("PhysicalDrive%ld: status %08lx\n", n, (unsigned long)status);
            return 1;
        }
        CloseHandle(link);
    }
    return 0;
}
