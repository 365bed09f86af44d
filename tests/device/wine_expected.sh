# Part of device_test.sh (--wine): what the Windows programs must print in
# the guest. Drives 0, 4 (disk 3) and 5 (disk 4, its serial given in hex)
# are the storage server's; drive 1 has another vendor, drive 2 another
# product, and drive 3 is named but cannot be opened. The names come from
# the object directory in no particular order: the listing is sorted.
expect names <<'EXPECTED'
status 0
EXPECTED
luns='disk name     7315 serial number
------------  ------------------
Disk0           02B12028
Disk4           20312028
Disk5           AB-27/Z!
status 0'
expect wine-showluns <<<"$luns"
# Without 32-bit Wine or the windows-x86 build the test ends skipped.
[ "$wine32" = no ] || expect wine-showluns-x86 <<<"$luns"

# lanectl is not there, so the volume file comes from the inquiry.
expect wine-seedhost <<'EXPECTED'
[java] vyMirrorKit.vyNetProbe exits 0
[java] vyMirrorKit.vySeedHost exits 0
status 0
EXPECTED
expect wine-seedhost-java <<'EXPECTED'
argv[0]=java
argv[1]=-classpath
argv[2]=.;;lib.jar;Z:\inst\vyMirrorKit.jar;Z:\inst\vySecLink.jar;Z:\inst\vyShellKit.jar;
argv[3]=vyMirrorKit.vyNetProbe
argv[4]=-Server=srv1
JAVA_HOME=Z:\doubles\java
end
argv[0]=java
argv[1]=-classpath
argv[2]=.;;lib.jar;Z:\inst\vyMirrorKit.jar;Z:\inst\vySecLink.jar;Z:\inst\vyShellKit.jar;
argv[3]=vyMirrorKit.vySeedHost
argv[4]=-s
argv[5]=srv1
argv[6]=-l
VOLUME-FILE
volume file: -l Disk0 -r 02B12028 
volume file: -l Disk4 -r 20312028 
volume file: -l Disk5 -r AB-27/Z! 
JAVA_HOME=Z:\doubles\java
end
status 0
EXPECTED
expect wine-seedhost-left <<'EXPECTED'
status 0
EXPECTED
