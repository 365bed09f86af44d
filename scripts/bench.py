#!/usr/bin/env python3
"""The whole-process benchmark of the seven programs; scripts/bench.sh builds
them and runs this.

Each program runs its full step chain with /noSystemCommand, beside a
statically linked program that does nothing (bench_noop), in the same run:
vyShowLuns against the stand-in multipath tool and vyshell against the
stand-in Java launcher, which cannot skip their children. For each program:
the median wall time as a multiple of the no-op's (hyperfine, the two
alternated in rounds), the instructions of one run (callgrind), its peak
resident memory, and the size of every stripped executable, Linux and
Windows. Then the micro-benchmarks of the parsers, and, where the emulator's
archives are built, one vyRunJob against the emulator with a real JVM.

Exits 1 when a budget is missed (docs/PERFORMANCE.md); with --quick it runs
few rounds and never fails on a timing, for the test command.
"""
import argparse
import json
import os
import platform
import re
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
LINUX = ROOT / "build" / "linux-release"
WINDOWS = ROOT / "build" / "windows-x64"

# The budgets.
RATIO_BUDGET = 1.5  # vyRunJob's median wall time, in no-op runs
RSS_BUDGET_KIB = 2 * 1024  # vyRunJob's peak resident memory
SIZE_BUDGET = 1024 * 1024  # the largest stripped Windows executable
PARSER_MB_BUDGET = 100.0  # the report parser at 10,000 devices, 10^6 bytes a second
LINEAR_SLACK = 2.0  # time per device at 10,000 devices against 100

PROGRAMS = ["vyRunJob", "vyAwaitJob", "vyProbeVol", "vySeedHost", "vyPingSrv", "vyShowLuns", "vyshell"]

REPORT = """Total Devices : 2

DEV#:   0  DEVICE NAME: Disk2 Part0  TYPE: 7315E20  POLICY: OPTIMIZED
SERIAL: 02B12028
============================================================================
Path#          Adapter/Hard Disk          State  Mode     Select     Errors
    0    Scsi Port5 Bus0/Disk2 Part0     OPEN    NORMAL       3          0
    1    Scsi Port6 Bus0/Disk2 Part0     OPEN    NORMAL       3          0
DEV#:   1  DEVICE NAME: Disk3 Part0  TYPE: 7315E20  POLICY: OPTIMIZED
SERIAL: 03B12028
============================================================================
Path#          Adapter/Hard Disk          State  Mode     Select     Errors
    0    Scsi Port5 Bus0/Disk3 Part0     OPEN    NORMAL       3          0
"""


def arguments(program):
    """The command line of a program's full step chain."""
    common = ["/noSystemCommand", "/u", "u", "/p", "p"]
    return {
        "vyRunJob": common + ["/s", "srv", "T"],
        "vyAwaitJob": common + ["/s", "srv", "/m", "5", "/t", "3", "T"],
        "vyProbeVol": common + ["/s", "srv", "/q", "vol1"],
        "vySeedHost": common + ["/d", "host", "/s", "srv"],
        "vyPingSrv": ["/noSystemCommand", "/s", "srv"],
        "vyShowLuns": [],
        "vyshell": ["list", "tasks"],
    }[program]


def run(command, **kwargs):
    result = subprocess.run(command, text=True, capture_output=True, **kwargs)
    if result.returncode != 0:
        sys.exit(f"bench: {' '.join(command)} ended with {result.returncode}:\n{result.stdout}{result.stderr}")
    return result


def fixture(work):
    """The installation, the report and the environment the programs run with."""
    install = work / "inst"
    install.mkdir(parents=True)
    doubles = LINUX / "doubles"
    (install / "CLI.CFG").write_text(f"JAVA_INSTALL={doubles}/\nJAVA_CLASSPATH=lib.jar\n")
    (work / "report.txt").write_text(REPORT)
    env = dict(os.environ)
    env.update({"INSTALL": str(install), "INSTALLLNB": str(doubles), "FAKELANECTL_REPORT": str(work / "report.txt")})
    for name in ["FAKEJAVA_LOG", "FAKEJAVA_EXIT", "FAKELANECTL_EXIT"]:
        env.pop(name, None)
    return env


def check_runs(commands, env, work):
    """Each program once: it must end with 0, vyShowLuns listing both volumes."""
    for name, command in commands.items():
        result = subprocess.run(command, env=env, cwd=work, text=True, capture_output=True)
        if result.returncode != 0 or (name == "vyShowLuns" and "Disk3    03B12028" not in result.stdout):
            sys.exit(f"bench: {name} did not run as expected (status {result.returncode}):\n{result.stdout}")


def hyperfine_times(commands, runs, env, work, warmup=2):
    """Wall times in seconds of each command, the commands one after another."""
    with tempfile.NamedTemporaryFile(suffix=".json") as export:
        run(["hyperfine", "-N", "--style", "none", "--warmup", str(warmup), "--runs", str(runs),
             "--export-json", export.name] + [shlex.join(c) for c in commands], env=env, cwd=work)
        results = json.load(open(export.name))["results"]
    return [r["times"] for r in results]


def wall_ratios(commands, noop, rounds, runs, env, work):
    """Median wall time of each program and of the no-op, in rounds that
    alternate the two, so that a change of the machine's load meets both."""
    times = {name: [] for name in commands}
    noop_times = []
    for _ in range(rounds):
        for name, command in commands.items():
            base, prog = hyperfine_times([noop, command], runs, env, work)
            noop_times += base
            times[name] += prog
    noop_median = statistics.median(noop_times)
    return noop_median, {name: statistics.median(t) for name, t in times.items()}


def instructions(command, env, work):
    """Instructions of one run of the process itself (callgrind)."""
    result = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"] + command,
                            env=env, cwd=work, text=True, capture_output=True)
    match = re.search(r"Collected : (\d+)", result.stderr)
    if match is None:
        sys.exit(f"bench: callgrind gave no count for {command[0]}:\n{result.stderr}")
    return int(match.group(1))


def peak_rss_kib(command, env, work):
    """Peak resident memory in KiB, the median of nine runs: the pages of the
    shared C library that a run maps vary by some hundred KiB."""
    figures = [int(run([str(LINUX / "bench" / "bench_peak_rss")] + command, env=env, cwd=work).stdout)
               for _ in range(9)]
    return statistics.median(figures)


def stripped_size(path, strip):
    with tempfile.TemporaryDirectory() as scratch:
        target = Path(scratch) / path.name
        run([strip, "-o", str(target), str(path)])
        return target.stat().st_size


def micro(work, quick):
    """The micro-benchmarks; returns their results by name."""
    result = run([str(LINUX / "bench" / "bench_micro"), "--benchmark_format=json",
                  f"--benchmark_min_time={0.01 if quick else 0.3}"], cwd=work)
    return {b["name"]: b for b in json.loads(result.stdout)["benchmarks"]}


def java_run(work, quick):
    """One vyRunJob against the emulator with a real JVM, split into the
    launcher's own steps and its Java starts. None, with a note, when the
    emulator is not built."""
    jars = LINUX / "java"
    emulator = jars / "vyEmulator.jar"
    javac = shutil.which("javac")
    if not emulator.exists() or javac is None:
        print(f"note: {emulator.relative_to(ROOT)} is not built (or no Java development kit): "
              "the run with a real JVM is skipped")
        return None
    jdk_bin = Path(os.path.realpath(javac)).parent
    java = str(jdk_bin / "java")
    # An installation as an administrator makes one.
    install = work / "inst-jvm"
    (install / "lib").mkdir(parents=True)
    for jar in ["vyMirrorKit.jar", "vySecLink.jar", "vyShellKit.jar"]:
        shutil.copy(jars / jar, install / jar)
    (install / "CLI.CFG").write_text(f"JAVA_INSTALL={jdk_bin}/\nJAVA_CLASSPATH={install}/lib\n"
                                     "JAVA_EXEC_OPTIONS=-XX:+UseSerialGC\n")
    # The emulator on 127.0.0.1 with a free port; it stops itself after 5
    # minutes should this script die before it stops it. Its one task takes
    # no time, so that every run can start it again.
    state, server_file = work / "emulator.state", work / "emulator.server"
    state.write_text("user admin secret\nvolume 02B12028 payroll\nvolume 03B12028 payroll-copy\n"
                     "task bench 02B12028 03B12028 0 complete\n")
    emulator_command = [java, "-jar", str(emulator)]
    run(emulator_command + ["start", "--port", "0", "--state", str(state), "--port-file", str(server_file),
                            "--stop-after", "5"], cwd=work, timeout=60)
    try:
        server = server_file.read_text().strip()
        env = dict(os.environ)
        env["INSTALL"] = str(install)
        launcher = [str(LINUX / "bin" / "vyRunJob"), "/u", "admin", "/p", "secret", "/s", server, "bench"]
        runs = 2 if quick else 10
        total = statistics.median(hyperfine_times([launcher], runs, env, work, warmup=1)[0])
        # The launcher's own steps: the same run, its children skipped. A
        # Java start varies by far more than this takes, so the Java starts
        # are what is left of the whole, not a difference of two timings.
        own = statistics.median(hyperfine_times([launcher[:1] + ["/noSystemCommand"] + launcher[1:]], 20 * runs,
                                                env, work)[0])
        return {"total": total, "own": own, "runs": runs}
    finally:
        subprocess.run(emulator_command + ["stop", "--port-file", str(server_file)], cwd=work,
                       capture_output=True, timeout=60)


def machine():
    model = "unknown processor"
    for line in Path("/proc/cpuinfo").read_text().splitlines():
        if line.startswith("model name"):
            model = line.split(":", 1)[1].strip()
            break
    gcc = run(["c++", "--version"]).stdout.splitlines()[0]
    load = os.getloadavg()[0]
    return f"{model}, {os.cpu_count()} cores, Linux {platform.release()}, {gcc}, load average {load:.2f}"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="few rounds; timings never fail")
    options = parser.parse_args()
    quick = options.quick

    for tool in ["hyperfine", "valgrind", "strip", "x86_64-w64-mingw32-strip"]:
        if shutil.which(tool) is None:
            sys.exit(f"bench: {tool} is missing (scripts/test.sh installs what the benchmark needs)")
    if not (LINUX / "bench" / "bench_micro").exists():
        sys.exit("bench: bench_micro is not built: Google Benchmark (libbenchmark-dev) is missing")

    work = LINUX / "bench-work"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    env = fixture(work)
    noop = [str(LINUX / "bench" / "bench_noop")]
    commands = {name: [str(LINUX / "bin" / name)] + arguments(name) for name in PROGRAMS}
    check_runs(commands, env, work)

    print(f"machine: {machine()}")
    rounds, runs = (2, 5) if quick else (15, 20)
    print(f"wall times: {rounds} rounds of {runs} runs of each program and of the no-op, alternated")
    noop_median, medians = wall_ratios(commands, noop, rounds, runs, env, work)
    noop_instructions = instructions(noop, env, work)
    noop_rss = peak_rss_kib(noop, env, work)

    rows = []
    for name in PROGRAMS:
        linux_size = stripped_size(LINUX / "bin" / name, "strip")
        windows_size = stripped_size(WINDOWS / "bin" / f"{name}.exe", "x86_64-w64-mingw32-strip")
        rows.append((name, medians[name], instructions(commands[name], env, work),
                     peak_rss_kib(commands[name], env, work), linux_size, windows_size))
    noop_sizes = (stripped_size(LINUX / "bench" / "bench_noop", "strip"),
                  stripped_size(WINDOWS / "bench" / "bench_noop.exe", "x86_64-w64-mingw32-strip"))

    print()
    print("| Program | Median wall time | Against the no-op | Instructions | Peak resident | "
          "Stripped, Linux | Stripped, Windows x64 |")
    print("|---|---|---|---|---|---|---|")
    print(f"| static no-op | {noop_median * 1e3:.3f} ms | 1.00 | {noop_instructions:,} | {noop_rss:,} KiB | "
          f"{noop_sizes[0]:,} B | {noop_sizes[1]:,} B |")
    for name, median, count, rss, linux_size, windows_size in rows:
        print(f"| {name} | {median * 1e3:.3f} ms | {median / noop_median:.2f} | {count:,} | {rss:,} KiB | "
              f"{linux_size:,} B | {windows_size:,} B |")
    print()
    print("vyShowLuns starts the command interpreter and the stand-in tool, vyshell the stand-in Java launcher:")
    print("their wall time and peak memory include those children; their instructions are their own.")

    benchmarks = micro(work, quick)
    print()
    print("| Micro-benchmark | Time | Throughput |")
    print("|---|---|---|")
    for name, b in benchmarks.items():
        if b.get("run_type") == "aggregate":
            continue
        rate = b.get("bytes_per_second")
        throughput = f"{rate / 1e6:.0f} MB/s" if rate else ""
        print(f"| {name} | {b['real_time']:,.0f} {b['time_unit']} | {throughput} |")
    parse_100, parse_10000 = benchmarks["BM_ParseReport/100"], benchmarks["BM_ParseReport/10000"]
    parser_rate = parse_10000["bytes_per_second"] / 1e6
    linearity = (parse_10000["real_time"] / 10000) / (parse_100["real_time"] / 100)

    jvm = java_run(work, quick)
    if jvm is not None:
        print()
        java_starts = jvm["total"] - jvm["own"]
        print(f"vyRunJob against the emulator with a real JVM: {jvm['total'] * 1e3:.1f} ms in all (median of "
              f"{jvm['runs']} runs): the launcher's own steps {jvm['own'] * 1e3:.2f} ms "
              f"({jvm['own'] / jvm['total']:.2%}; the same run with /noSystemCommand), its two Java starts "
              f"(server probe and task class) the other {java_starts * 1e3:.1f} ms")

    run_job = next(r for r in rows if r[0] == "vyRunJob")
    ratio = run_job[1] / noop_median
    largest = max(rows, key=lambda r: r[5])
    budgets = [
        (f"vyRunJob wall time {ratio:.2f} times the no-op's, at most {RATIO_BUDGET}", ratio <= RATIO_BUDGET, True),
        (f"vyRunJob peak resident memory {run_job[3]:,} KiB, at most {RSS_BUDGET_KIB:,} KiB",
         run_job[3] <= RSS_BUDGET_KIB, False),
        (f"largest stripped Windows executable {largest[0]}.exe {largest[5]:,} B, at most {SIZE_BUDGET:,} B",
         largest[5] <= SIZE_BUDGET, False),
        (f"report parser at 10,000 devices {parser_rate:.0f} MB/s, at least {PARSER_MB_BUDGET:.0f}",
         parser_rate >= PARSER_MB_BUDGET, True),
        (f"report parser time per device at 10,000 devices {linearity:.2f} times that at 100, "
         f"at most {LINEAR_SLACK}", linearity <= LINEAR_SLACK, True),
    ]
    print()
    failed = False
    for text, kept, timing in budgets:
        verdict = "ok" if kept else ("missed (not checked in the quick run)" if quick and timing else "MISSED")
        print(f"budget: {text}: {verdict}")
        failed |= not kept and not (quick and timing)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
