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
archives are built, the Java side on emulators of its own: the stall guard
(bench/StallGuard.java: requests on reused connections), wrk against the
emulator with keep-alive and with "Connection: close" (bench/wrk.lua), and
each program against it with a real JVM, split into the launcher's own
steps, its Java starts and the requests.

Exits 1 when a budget is missed (docs/PERFORMANCE.md); with --quick it runs
few rounds and never fails on a timing budget, only on a stall of the
emulator's replies, for the test command.
"""
import argparse
import base64
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
JAVA_INSTALL_SH = ROOT / "scripts" / "java-install.sh"
EMULATOR_SH = ROOT / "scripts" / "emulator.sh"
LINUX = ROOT / "build" / "linux-release"
WINDOWS = ROOT / "build" / "windows-x64"

# The budgets.
RATIO_BUDGET = 1.5  # vyRunJob's median wall time, in no-op runs
RSS_BUDGET_KIB = 2 * 1024  # vyRunJob's peak resident memory
SIZE_BUDGET = 1024 * 1024  # the largest stripped Windows executable
PARSER_MB_BUDGET = 100.0  # the report parser at 10,000 devices, 10^6 bytes a second
LINEAR_SLACK = 2.0  # time per device at 10,000 devices against 100
WRK_GET_BUDGET = 10_000  # keep-alive GET /ping at 16 connections, requests a second
WRK_P99_BUDGET_MS = 10.0  # its 99th percentile latency
WRK_PUT_BUDGET = 500  # keep-alive PUT /hosts/<h>, every change forced to disk, requests a second
PER_VOLUME_BUDGET_MS = 3.0  # each further volume of a vyProbeVol run


def built_programs():
    """The programs of the build, as it lists them in programs.txt."""
    try:
        return (LINUX / "programs.txt").read_text().split()
    except OSError:
        sys.exit(f"bench: {LINUX / 'programs.txt'} is missing: build {LINUX.name} first")


PROGRAMS = built_programs()

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
    doubles = LINUX / "doubles"
    # No client archives: the stand-in java loads none.
    run(["bash", str(JAVA_INSTALL_SH), str(install), "-", str(doubles)])
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


def hyperfine_times(commands, runs, env, work, warmup=2, ignore_failure=False):
    """Wall times in seconds of each command, the commands one after another."""
    with tempfile.NamedTemporaryFile(suffix=".json") as export:
        run(["hyperfine", "-N", "--style", "none", "--warmup", str(warmup), "--runs", str(runs),
             "--export-json", export.name] + (["--ignore-failure"] if ignore_failure else [])
            + [shlex.join(c) for c in commands], env=env, cwd=work)
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


def bench_state():
    """The state of the benchmark's emulator: 16 volumes for vyProbeVol, 16
    complete tasks for vyAwaitJob, one task of no time that every vyRunJob
    can start again, and the volumes that vySeedHost's host sees."""
    lines = ["user admin secret"]
    lines += [f"volume {10 + i}B12028 vol{i:02d}" for i in range(1, 17)]
    lines.append("task bench 11B12028 12B12028 0 complete")
    lines += [f"task t{i:02d} 11B12028 12B12028 0 complete started=2026-01-01T00:00:00Z" for i in range(1, 17)]
    lines += ["sees bench-host Disk2 11B12028", "sees bench-host Disk3 12B12028"]
    return "\n".join(lines) + "\n"


def wrk(server, path, connections, seconds, close, method=None, body=None):
    """One wrk run (bench/wrk.lua); returns requests/s, p50 and p99 in ms."""
    env = dict(os.environ)
    env["VY_WRK_AUTHORIZATION"] = "Basic " + base64.b64encode(b"admin:secret").decode()
    for name, value in [("VY_WRK_METHOD", method), ("VY_WRK_BODY", body), ("VY_WRK_CLOSE", "1" if close else None)]:
        env.pop(name, None)
        if value is not None:
            env[name] = value
    result = run(["wrk", "-t2", f"-c{connections}", f"-d{seconds}s", "--timeout", "10s",
                  "-s", str(ROOT / "bench" / "wrk.lua"), f"http://{server}{path}"], env=env, timeout=seconds + 60)
    line = next((l for l in result.stdout.splitlines() if l.startswith("vy-wrk ")), None)
    if line is None:
        sys.exit(f"bench: wrk gave no figures:\n{result.stdout}{result.stderr}")
    f = {k: int(v) for k, v in (item.split("=") for item in line.split()[1:])}
    # A closed connection after each reply counts as a read error in wrk.
    bad = f["connect"] + f["write"] + f["status"] + f["timeout"] + (0 if close else f["read"])
    if f["requests"] == 0 or bad:
        sys.exit(f"bench: wrk {method or 'GET'} {path}: failed requests: {line}")
    return f["requests"] / (f["duration_us"] / 1e6), f["p50_us"] / 1e3, f["p99_us"] / 1e3


def emulator_side(work, quick, stand_in):
    """The Java side, on emulators of its own on 127.0.0.1: the stall guard,
    wrk against the emulator, and each program with the real JVM split into
    the launcher's own steps, its Java starts and the requests. None, with a
    note, when the emulator is not built."""
    jars = LINUX / "java"
    emulator = jars / "vyEmulator.jar"
    # The build's installation: the client archives and a CLI.CFG naming the
    # JDK the build found.
    install = jars / "install"
    if not emulator.exists() or not (install / "CLI.CFG").exists():
        print(f"note: {emulator.relative_to(ROOT)} or {install.relative_to(ROOT)} is not built: "
              "the emulator's benchmark is skipped")
        return None
    if shutil.which("wrk") is None:
        sys.exit("bench: wrk is missing (scripts/test.sh installs what the benchmark needs)")
    # The Java starts are measured with the runtime the launchers start.
    settings = dict(line.split("=", 1) for line in (install / "CLI.CFG").read_text().splitlines()
                    if "=" in line and not line.startswith("#"))
    java = settings["JAVA_INSTALL"] + "java"
    # Two emulators on free ports, each stopping itself after 30 minutes
    # should this script die before it stops them: one with its state in a
    # file (every change forced to disk), and one in memory with the sample
    # state for the stall guard, whose requests a slow disk must not delay.
    state = work / "emulator.state"
    state.write_text(bench_state())
    folders = []
    try:
        addresses = []
        for name, where in [("emulator", ["--state", str(state)]), ("memory", ["--in-memory"])]:
            folders.append(work / name)
            addresses.append(run(["bash", str(EMULATOR_SH), "start", str(work / name), str(emulator)] + where,
                                 cwd=work, timeout=120).stdout.strip())
        server, memory_server = addresses

        # The stall guard: a stall fails even the quick run (exit status 1).
        guard = subprocess.run([java, "-cp", str(jars / "vySecLink.jar"), str(ROOT / "bench" / "StallGuard.java"),
                                memory_server, "20" if quick else "100"],
                               cwd=work, text=True, capture_output=True, timeout=300)
        print()
        print(guard.stdout + guard.stderr, end="")
        if guard.returncode not in (0, 1):
            sys.exit(f"bench: the stall guard ended with {guard.returncode}")

        # wrk: warmed up first, then each row. A new JVM compiles the server's
        # code in its first 10 to 20 seconds on the same two cores; measured
        # then, the 99th percentile is the compiler's (tens of ms), not the
        # server's (1 to 4 ms once compiled).
        seconds, close_seconds = (1, 1) if quick else (8, 3)
        if not quick:
            wrk(server, "/ping", 16, 15, False)
            wrk(server, "/tasks", 16, 5, False)
        rows = []
        for label, path, connections, method, body in [
                ("GET /ping", "/ping", 16, None, None),
                ("GET /tasks (credentials)", "/tasks", 16, None, None),
                ("PUT /hosts/bench-host", "/hosts/bench-host", 8, "PUT", "Disk2 11B12028\n")]:
            alive = wrk(server, path, connections, seconds, False, method, body)
            closing = wrk(server, path, connections, close_seconds, True, method, body)
            rows.append((label, connections, alive, closing))

        # The programs with the real JVM.
        env = dict(os.environ)
        env.update({"INSTALL": str(install), "INSTALLLNB": str(jars / "lanebinder"), "VY_EMULATOR": server,
                    "VY_HOST": "bench-host"})
        credentials = ["/u", "admin", "/p", "secret"]
        volumes = [f"vol{i:02d}" for i in range(1, 17)]
        tasks = [f"t{i:02d}" for i in range(1, 17)]
        cases = [
            ("vyRunJob", credentials + ["/s", server, "bench"], ["vyNetProbe", "vyRunJob"]),
            ("vyAwaitJob", credentials + ["/m", "1", "/s", server] + tasks[:1], ["vyNetProbe", "vyAwaitJob"]),
            ("vyAwaitJob", credentials + ["/m", "1", "/s", server] + tasks, ["vyNetProbe", "vyAwaitJob"]),
            ("vyProbeVol", credentials + ["/q", volumes[0], "/s", server], ["vyNetProbe", "vyProbeVol"]),
            ("vyProbeVol", credentials + sum((["/q", v] for v in volumes), []) + ["/s", server],
             ["vyNetProbe", "vyProbeVol"]),
            ("vySeedHost", credentials + ["/s", server, "/d", "bench-host"], ["vyNetProbe", "lanectl", "vySeedHost"]),
            ("vyPingSrv", ["/s", server], ["vyNetProbe"]),
            ("vyShowLuns", [], ["lanectl"]),
            ("vyshell", ["-s", server, "-u", "admin", "-p", "secret", "list", "tasks"], ["vyShellMain"]),
        ]
        labels = ["vyRunJob", "vyAwaitJob, 1 task", "vyAwaitJob, 16 tasks", "vyProbeVol, 1 volume",
                  "vyProbeVol, 16 volumes", "vySeedHost", "vyPingSrv", "vyShowLuns", "vyshell list tasks"]
        commands = [[str(LINUX / "bin" / name)] + args for name, args, _ in cases]
        # A Java start: the same JVM, options and archives, the class ending
        # at its argument check before any request (a usage message). The
        # options and the class path are those a launcher composes, as its
        # /debug trace shows them.
        trace = run([str(LINUX / "bin" / "vyPingSrv"), "/debug", "/noSystemCommand", "/s", server], env=env, cwd=work)
        composed = next((shlex.split(line) for line in trace.stdout.splitlines() if line.startswith("java ")), None)
        if composed is None or "-classpath" not in composed:
            sys.exit(f"bench: vyPingSrv /debug showed no Java command line:\n{trace.stdout}")
        at = composed.index("-classpath")
        options, class_path = composed[1:at], composed[at + 1]
        mirror = [java] + options + ["-classpath", class_path]
        starts = {name: mirror + [f"vyMirrorKit.{name}"]
                  for name in ["vyNetProbe", "vyRunJob", "vyAwaitJob", "vyProbeVol", "vySeedHost"]}
        starts["vyShellMain"] = [java] + options + ["-Djava.compiler=NONE", "-classpath", class_path,
                                 "vyShellKit.vyShellMain"]
        # The launchers start the multipath tool through the command interpreter.
        starts["lanectl"] = ["/bin/sh", "-c", f"{shlex.quote(str(jars / 'lanebinder' / 'lanectl'))} >/dev/null 2>&1"]
        for command in commands:
            check = subprocess.run(command, env=env, cwd=work, text=True, capture_output=True, timeout=120)
            if check.returncode != 0:
                sys.exit(f"bench: {' '.join(command)} ended with {check.returncode}:\n{check.stdout}{check.stderr}")

        # In rounds that go through every case, so that a change of the
        # machine's load meets them all alike.
        rounds, runs, warmup = (1, 1, 0) if quick else (5, 3, 1)
        totals = [[] for _ in commands]
        start_times = {name: [] for name in starts}
        for _ in range(rounds):
            for i, t in enumerate(hyperfine_times(commands, runs, env, work, warmup=warmup)):
                totals[i] += t
            names = list(starts)
            for name, t in zip(names, hyperfine_times([starts[n] for n in names], runs, env, work, warmup=warmup,
                                                      ignore_failure=True)):
                start_times[name] += t
        start_median = {name: statistics.median(t) for name, t in start_times.items()}
        # Each further volume of vyProbeVol, a few milliseconds beside Java
        # starts that vary by tens: the runs with 1 and with 16 volumes
        # follow each other, and each round gives its own difference, so
        # that a change of the load between rounds cancels out.
        pair_rounds = 1 if quick else 10
        differences = []
        for _ in range(pair_rounds):
            one, sixteen = hyperfine_times([commands[3], commands[4]], max(runs, 3), env, work, warmup=warmup)
            differences.append((statistics.median(sixteen) - statistics.median(one)) / 15)
        own = []
        for (name, args, _), command in zip(cases, commands):
            if name in stand_in:
                own.append(None)  # no /noSystemCommand: from the stand-in table
            else:
                own.append(command[:1] + ["/noSystemCommand"] + command[1:])
        own_commands = [c for c in own if c is not None]
        own_times = iter(hyperfine_times(own_commands, 10 if quick else 50, env, work))
        programs = []
        for label, (name, _, java_starts), command, own_command, total in zip(labels, cases, commands, own, totals):
            own_median = statistics.median(next(own_times)) if own_command else stand_in[name]
            programs.append((label, statistics.median(total), own_median, own_command is None,
                             java_starts, sum(start_median[s] for s in java_starts)))
        return {"guard": guard.returncode, "wrk": rows, "programs": programs, "starts": start_median,
                "rounds": rounds * runs, "per_volume": statistics.median(differences), "pair_rounds": pair_rounds}
    finally:
        for folder in folders:
            subprocess.run(["bash", str(EMULATOR_SH), "stop", str(folder)], cwd=work, capture_output=True, timeout=120)


def print_emulator_side(side):
    print()
    print("| Request | Connections | Keep-alive: requests/s | p50 | p99 | Connection: close: requests/s | p50 | p99 |")
    print("|---|---|---|---|---|---|---|---|")
    for label, connections, (rate, p50, p99), (crate, cp50, cp99) in side["wrk"]:
        print(f"| {label} | {connections} | {rate:,.0f} | {p50:.2f} ms | {p99:.2f} ms | {crate:,.0f} | "
              f"{cp50:.2f} ms | {cp99:.2f} ms |")
    print()
    runs = side["rounds"]
    print(f"The programs with the real JVM ({'median of ' + str(runs) + ' runs' if runs > 1 else 'one run'} each):")
    print()
    print("| Run | In all | The launcher's own steps | Java starts | Requests and the rest |")
    print("|---|---|---|---|---|")
    for label, total, own, from_stand_in, java_starts, starts in side["programs"]:
        mark = " *" if from_stand_in else ""
        print(f"| {label} | {total * 1e3:.1f} ms | {own * 1e3:.2f} ms{mark} | {starts * 1e3:.1f} ms "
              f"({' + '.join(java_starts)}) | {(total - own - starts) * 1e3:.1f} ms |")
    print()
    print("A Java start is the same JVM, options and archives with the class ending at its argument check;")
    print("lanectl's includes the command interpreter. * no /noSystemCommand: the run with the stand-in")
    print("child of the table above, which includes that child.")
    print("Java starts: " + ", ".join(f"{n} {t * 1e3:.1f} ms" for n, t in side["starts"].items()))
    rounds = side["pair_rounds"]
    print(f"vyProbeVol, each further volume: {side['per_volume'] * 1e3:.2f} ms (16 volumes against 1, "
          + (f"the median of {rounds} rounds' differences)" if rounds > 1 else "one round)"))


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

    side = emulator_side(work, quick, {name: medians[name] for name in ["vyShowLuns", "vyshell"]})
    if side is not None:
        print_emulator_side(side)

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
    if side is not None:
        ping, put = side["wrk"][0], side["wrk"][2]
        per_volume = side["per_volume"]
        budgets += [
            (f"keep-alive GET /ping {ping[2][0]:,.0f} requests/s at 16 connections, at least {WRK_GET_BUDGET:,}",
             ping[2][0] >= WRK_GET_BUDGET, True),
            (f"keep-alive GET /ping 99th percentile {ping[2][2]:.2f} ms, under {WRK_P99_BUDGET_MS:.0f} ms",
             ping[2][2] < WRK_P99_BUDGET_MS, True),
            (f"keep-alive PUT {put[2][0]:,.0f} requests/s (every change forced to disk), at least {WRK_PUT_BUDGET}",
             put[2][0] >= WRK_PUT_BUDGET, True),
            (f"vyProbeVol: each further volume {per_volume * 1e3:.2f} ms, at most {PER_VOLUME_BUDGET_MS:.0f} ms",
             per_volume * 1e3 <= PER_VOLUME_BUDGET_MS, True),
            ("stall guard: no request on a reused connection took 30 ms or more in every run of its kind",
             side["guard"] == 0, False),
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
