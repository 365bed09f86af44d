// Micro-benchmarks of the parsers: the multipath report, CLI.CFG, the volume
// list file and the command-line splitter. The inputs are made here, in
// memory or in a scratch file, in the shapes the programs meet.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/launcher.h"
#include "core/state.h"
#include "platform/cmdline.h"
#include "volumes/report.h"
#include "volumes/volumes.h"

namespace {

// A report of the current form with `devices` devices of two paths each.
std::string Report(int devices) {
    std::string report = "Total Devices : " + std::to_string(devices) + "\n";
    char line[128];
    for (int i = 0; i < devices; ++i) {
        std::snprintf(line, sizeof line, "\nDEV#: %3d  DEVICE NAME: Disk%d Part0  TYPE: 7315E20  POLICY: OPTIMIZED\n",
                      i, i);
        report += line;
        std::snprintf(line, sizeof line, "SERIAL: %08X\n", 0x02B12028u + static_cast<unsigned>(i));
        report += line;
        report += "============================================================================\n";
        report += "Path#          Adapter/Hard Disk          State  Mode     Select     Errors\n";
        for (int path = 0; path < 2; ++path) {
            std::snprintf(line, sizeof line, "    %d    Scsi Port%d Bus0/Disk%d Part0     OPEN    NORMAL       3          0\n",
                          path, 5 + path, i);
            report += line;
        }
    }
    return report;
}

// The parser alone, on the report in memory: every device read, none
// stored or printed.
void BM_ParseReport(benchmark::State& state) {
    const std::string report = Report(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        ReportReader reader(report);
        ReportDevice device;
        int devices = 0;
        while (reader.Next(&device)) ++devices;
        benchmark::DoNotOptimize(devices);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(report.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ParseReport)->Arg(1)->Arg(100)->Arg(10000)->Complexity(benchmark::oN);

// A scratch file that is removed again at the end.
struct ScratchFile {
    explicit ScratchFile(const std::string& path, const std::string& bytes) : path_(path) {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (file != nullptr) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
    }
    ~ScratchFile() { std::remove(path_.c_str()); }
    std::string path_;
};

// CLI.CFG as an installation has it, read from the current directory.
void BM_ReadCLICfg(benchmark::State& state) {
    ScratchFile config("CLI.CFG",
                       "JAVA_JRE=JAVA\n"
                       "JAVA_INSTALL=/usr/lib/jvm/java-17-openjdk-amd64/bin/\n"
                       "JAVA_CLASSPATH=/opt/zeb/client/lib/vyCommon.jar\n"
                       "JAVA_CLASSPATH=/opt/zeb/client/lib/vyProtocol.jar\n"
                       "JAVA_EXEC_OPTIONS=-Xmx64m\n");
    InitGlobals();
    g.programType = kVyRunJob;
    g.installPath.assign(".");
    for (auto _ : state) {
        int result = ReadCLICfg(g.java);
        if (result != 0) state.SkipWithError("CLI.CFG was not read");
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_ReadCLICfg);

// A volume list file of `names` names, two a line.
void BM_ReadVolumeList(benchmark::State& state) {
    const int names = static_cast<int>(state.range(0));
    std::string bytes;
    for (int i = 0; i < names; ++i) bytes += "vol" + std::to_string(i) + (i % 2 == 0 ? " " : "\n");
    ScratchFile list("volumes.txt", bytes);
    InitGlobals();
    g.programType = kVyProbeVol;
    g.volumeListFile.assign("volumes.txt");
    FILE* file = std::fopen("volumes.txt", "r");
    if (file == nullptr) {
        state.SkipWithError("the volume list file cannot be opened");
        return;
    }
    for (auto _ : state) {
        std::rewind(file);
        g.volumeCount = 0;
        int result = ReadVolumeList(file);
        if (result != 0 || g.volumeCount != names) state.SkipWithError("the volume list was not read");
        benchmark::DoNotOptimize(result);
    }
    std::fclose(file);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadVolumeList)->Arg(2)->Arg(256);

// The command line of a task class as the launcher joins it, and vyshell's
// longest one: quoted arguments with blanks, quotes and backslashes.
void BM_SplitCommandLine(benchmark::State& state) {
    std::string line;
    if (state.range(0) == 0) {
        line = "java -Xmx64m -classpath \".:/opt/zeb/client/lib/vyCommon.jar:/opt/zeb/cli/vyMirrorKit.jar:"
               "/opt/zeb/cli/vySecLink.jar:/opt/zeb/cli/vyShellKit.jar:\" vyMirrorKit.vyRunJob -u admin "
               "-p \"se cret\" -Server=storage01 nightly weekly";
    } else {
        const std::string argument = cmdline::QuoteArgument("C:\\dir with blanks\\\"quoted\" part\\");
        while (line.size() + argument.size() + 1 <= 8191) line += argument + " ";
    }
    for (auto _ : state) {
        auto args = cmdline::SplitCommandLine(line);
        benchmark::DoNotOptimize(args.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(line.size()));
}
BENCHMARK(BM_SplitCommandLine)->ArgName("longest")->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
