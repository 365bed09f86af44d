#!/usr/bin/env bash
# The suite's main job, shown end to end: builds the programs (native
# release build) and runs them against the test doubles that stand in for
# the Java client and the storage server, printing what each program said,
# its exit status and what the Java class received.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

missing=()
for p in cmake make g++ googletest; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc)" >/dev/null

bin=$root/build/linux-release/bin
doubles=$root/build/linux-release/doubles
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# An installation: CLI.CFG names the Java runtime (here the stand-in) and the
# client's class path.
mkdir -p "$work/install"
cat > "$work/install/CLI.CFG" <<CFG
## command line interface settings
JAVA_INSTALL=$doubles/
JAVA_CLASSPATH=lib/client.jar
JAVA_EXEC_OPTIONS=-Xmx64m
CFG
export INSTALL=$work/install
export FAKEJAVA_LOG=$work/java.log
cd "$work"

run() {
    echo
    echo "\$ $*"
    : > "$FAKEJAVA_LOG"
    set +e
    "$bin/$@"
    status=$?
    set -e
    echo "(exit status $status)"
    if [ -s "$FAKEJAVA_LOG" ]; then
        echo "Java classes started (class and the arguments it received, one [..] each):"
        awk '/^argv\[0\]/ {line = ""; after = 0; next}
             /^argv/ {sub(/^argv\[[0-9]+\]=/, "");
                      if (after == 2) line = line " [" $0 "]";
                      else if (after == 1) after = 2;
                      else if ($0 == "-classpath") after = 1;
                      next}
             /^volume file: / {files = files "\n      volume file line: " substr($0, 14); next}
             /^end$/ {print "  " line files; files = ""}' "$FAKEJAVA_LOG"
    fi
}

echo "== A server that answers"
run vyPingSrv /s primary.example
echo
echo "== A server that does not answer (the probe class exits with 1)"
FAKEJAVA_EXIT='-Server=down.example=1' run vyPingSrv /s down.example

echo
echo "== Two copy tasks; the primary server is down, the backup takes them"
FAKEJAVA_EXIT='-Server=primary.example=1' run vyRunJob /v /u admin /p "pass word" /s primary.example /b backup.example nightly weekly

echo
echo "== Waiting for a task, with credentials from a security file"
echo "admin secret" > sec.txt
run vyAwaitJob /a sec.txt /m 10 /t 5 /s primary.example nightly

# The host's volumes come from the multipath tool's report (here the
# stand-in, which prints a report written below).
export INSTALLLNB=$doubles FAKELANECTL_REPORT=$work/report.txt
cat > "$work/report.txt" <<REPORT
Total Devices : 2

DEV#:   0  DEVICE NAME: Disk2 Part0  TYPE: 7315E20  POLICY: OPTIMIZED
SERIAL: 02B12028
============================================================================
Path#          Adapter/Hard Disk          State  Mode     Select     Errors
    0    Scsi Port5 Bus0/Disk2 Part0     OPEN    NORMAL       3          0
    1    Scsi Port6 Bus0/Disk8 Part0     OPEN    NORMAL       0          0

DEV#:   1  DEVICE NAME: Disk3 Part0  TYPE: 7315E20  SERIAL: 03B12028
           POLICY: OPTIMIZED
============================================================================
Path#          Adapter/Hard Disk          State  Mode     Select     Errors
    0    Scsi Port5 Bus0/Disk3 Part0     OPEN    NORMAL       3          0
REPORT

echo
echo "== The storage volumes this host sees"
run vyShowLuns

echo
echo "== Telling the server which volumes this host sees (the class reads the volume file)"
run vySeedHost /s primary.example /d host1

echo
echo "== Asking about volumes by the host's disk names (/m maps them to serials)"
run vyProbeVol /m /q disk2 /q Disk3 /q 09X00001 /s primary.example

echo
echo "== A command for the general client"
run vyshell list tasks "C:\\backup dir\\"

echo
echo "== A mistake on the command line"
run vyRunJob /s primary.example /x
