package vyMirrorKit;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.sun.net.httpserver.HttpServer;
import java.io.IOException;
import java.io.OutputStream;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.Instant;
import java.time.temporal.ChronoUnit;
import java.util.List;
import java.util.Map;
import java.util.stream.Stream;
import org.junit.jupiter.api.AfterAll;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;
import support.ChildJava;
import support.EmulatorProcess;

/**
 * The reference classes of vyMirrorKit, each run as a launcher runs it (a
 * Java runtime of its own), against an emulator: their messages on standard
 * output and their statuses 0 and 70 to 83.
 */
class ClientClassesTest {
    private static EmulatorProcess emulator;
    /** Answers everything with 503 "down": a server that is there but not as the classes expect. */
    private static HttpServer down;
    private static Path folder;
    private static String server;
    private static String downServer;
    private static String nobody;

    @BeforeAll
    static void start() throws IOException {
        folder = EmulatorProcess.scratch("classes");
        Path state = folder.resolve("s.state");
        // "half" has run for 5000 of its 10000 seconds: 50 % done for the next 100 seconds.
        Instant halfway = Instant.now().minusSeconds(5000).truncatedTo(ChronoUnit.SECONDS);
        Files.writeString(state, String.join("\n",
                "user admin secret",
                "user operator op-pass",
                "volume 02B12028 payroll",
                "volume 03B12028 payroll-copy",
                "volume 04B12028 archive",
                "task quick 02B12028 03B12028 0 complete",
                "task bust 02B12028 03B12028 0 fail",
                "task slow 02B12028 04B12028 60000 complete",
                "task busy 02B12028 04B12028 600 complete",
                "task never 03B12028 04B12028 5 complete",
                "task half 02B12028 03B12028 10000 complete started=" + halfway,
                ""), StandardCharsets.UTF_8);
        emulator = EmulatorProcess.withState(state);
        server = emulator.address();

        down = HttpServer.create(new InetSocketAddress(InetAddress.getLoopbackAddress(), 0), 10);
        down.createContext("/", ex -> {
            byte[] body = "down\n".getBytes(StandardCharsets.UTF_8);
            ex.sendResponseHeaders(503, body.length);
            try (OutputStream out = ex.getResponseBody()) {
                out.write(body);
            }
        });
        down.start();
        downServer = "127.0.0.1:" + down.getAddress().getPort();
        // A privileged port nothing listens on: a free port closed again may be
        // taken by another test's server before the class tries it.
        nobody = "127.0.0.1:1";
    }

    @AfterAll
    static void stop() {
        if (down != null) {
            down.stop(0);
        }
        if (emulator != null) {
            emulator.close();
        }
    }

    /** Runs the class; "$S", "$D" and "$N" in the arguments stand for the emulator, the 503 server and nothing. */
    private static ChildJava.Result run(Map<String, String> env, String simpleName, String... args) throws IOException {
        String[] a = new String[args.length];
        for (int i = 0; i < args.length; i++) {
            a[i] = args[i].replace("$S", server).replace("$D", downServer).replace("$N", nobody);
        }
        return ChildJava.runClass(env, "vyMirrorKit." + simpleName, a);
    }

    private static void assertRun(int status, String out, String simpleName, String... args) throws IOException {
        ChildJava.Result r = run(Map.of(), simpleName, args);
        String expected = out.replace("$S", server).replace("$D", downServer).replace("$N", nobody);
        assertEquals(status + "\n" + expected, r.status() + "\n" + r.out(), simpleName + " " + String.join(" ", args));
    }

    static Stream<Arguments> refusedBeforeAnyWork() {
        return Stream.of(
                Arguments.of("vyNetProbe", new String[] {}, 71, "vyNetProbe: no server given (-Server=<name>)\n"),
                Arguments.of("vyNetProbe", new String[] {"-Bogus"}, 71, "vyNetProbe: unknown argument -Bogus\n"),
                Arguments.of("vyNetProbe", new String[] {"-Server=host:"}, 71,
                        "vyNetProbe: bad server name host:: a port is a decimal number 1 to 65535 without leading zeros\n"),
                Arguments.of("vyNetProbe", new String[] {"-Server=$N"}, 70, ""),
                Arguments.of("vyNetProbe", new String[] {"-Verbose=yes", "-Server=$N"}, 70,
                        "vyNetProbe: server $N does not answer\n"),
                Arguments.of("vyNetProbe", new String[] {"-Verbose=yes", "-Server=$D"}, 81,
                        "vyNetProbe: unexpected reply from server $D: 503 down\n"),
                Arguments.of("vyRunJob", new String[] {}, 71, "vyRunJob: no server given (-s)\n"),
                Arguments.of("vyRunJob", new String[] {"-u", "admin", "-s"}, 71, "vyRunJob: -s needs a value\n"),
                Arguments.of("vyRunJob", new String[] {"-x", "-s", "$S", "quick"}, 71, "vyRunJob: unknown argument -x\n"),
                Arguments.of("vyRunJob", new String[] {"-u", "admin", "-p", "secret", "-s", "$S"}, 71,
                        "vyRunJob: no task names given\n"),
                Arguments.of("vyRunJob", new String[] {"-u", "admin", "-p", "secret", "-s", "$S", " \t "}, 71,
                        "vyRunJob: no task names given\n"),
                Arguments.of("vyRunJob", new String[] {"-u", "admin", "-p", "secret", "-s", "host:0", "quick"}, 71,
                        "vyRunJob: bad server name host:0: a port is a decimal number 1 to 65535 without leading zeros\n"),
                Arguments.of("vyRunJob", new String[] {"-s", "$S", "quick"}, 72,
                        "vyRunJob: no user name and password given\n"),
                Arguments.of("vyRunJob", new String[] {"-u", "admin", "-p", "wrong", "-s", "$S", "quick"}, 72,
                        "vyRunJob: user admin is not known or the password is wrong\n"),
                Arguments.of("vyRunJob", new String[] {"-u", "nobody", "-p", "secret", "-s", "$S", "quick"}, 72,
                        "vyRunJob: user nobody is not known or the password is wrong\n"),
                Arguments.of("vyRunJob", new String[] {"-u", "admin", "-p", "secret", "-s", "$N", "quick"}, 70,
                        "vyRunJob: server $N does not answer\n"),
                Arguments.of("vyRunJob", new String[] {"-u", "admin", "-p", "secret", "-s", "$D", "quick"}, 81,
                        "vyRunJob: unexpected reply from server $D: 503 down\n"),
                Arguments.of("vyAwaitJob", new String[] {"-m", "x", "-s", "$S", "quick"}, 71,
                        "vyAwaitJob: bad value x for -m\n"),
                Arguments.of("vyAwaitJob", new String[] {"-m", "10080.5", "-s", "$S", "quick"}, 71,
                        "vyAwaitJob: bad value 10080.5 for -m\n"),
                Arguments.of("vyAwaitJob", new String[] {"-m", "10080.000000001", "-s", "$S", "quick"}, 71,
                        "vyAwaitJob: bad value 10080.000000001 for -m\n"),
                Arguments.of("vyAwaitJob", new String[] {"-m", "10080", "-t", "1", "-u", "admin", "-p", "secret", "-s",
                    "$S", "quick"}, 0, "vyAwaitJob: task quick is complete (100%)\n"),
                Arguments.of("vyAwaitJob", new String[] {"-m", "10080.000000000", "-t", "100", "-u", "admin", "-p",
                    "secret", "-s", "$S", "quick"}, 0, "vyAwaitJob: task quick is complete (100%)\n"),
                Arguments.of("vyAwaitJob", new String[] {"-m", "-1", "-s", "$S", "quick"}, 71,
                        "vyAwaitJob: bad value -1 for -m\n"),
                Arguments.of("vyAwaitJob", new String[] {"-t", "0", "-s", "$S", "quick"}, 71,
                        "vyAwaitJob: bad value 0 for -t\n"),
                Arguments.of("vyAwaitJob", new String[] {"-t", "101", "-s", "$S", "quick"}, 71,
                        "vyAwaitJob: bad value 101 for -t\n"),
                Arguments.of("vyAwaitJob", new String[] {"-t", "5%", "-s", "$S", "quick"}, 71,
                        "vyAwaitJob: bad value 5% for -t\n"),
                Arguments.of("vyAwaitJob", new String[] {"-u", "admin", "-p", "secret", "-s", "$S"}, 71,
                        "vyAwaitJob: no task names given\n"),
                Arguments.of("vyProbeVol", new String[] {"-u", "admin", "-p", "secret", "-s", "$S"}, 71,
                        "vyProbeVol: no volumes given\n"),
                Arguments.of("vyProbeVol", new String[] {"-u", "admin", "-p", "bad", "-s", "$S", "payroll"}, 72,
                        "vyProbeVol: user admin is not known or the password is wrong\n"),
                Arguments.of("vySeedHost", new String[] {"-u", "admin", "-p", "secret", "-s", "$S"}, 71,
                        "vySeedHost: no volume file given (-l)\n"),
                Arguments.of("vySeedHost", new String[] {"-s", "$S", "-q", "-l", "f"}, 71,
                        "vySeedHost: unknown argument -q\n"),
                Arguments.of("vySeedHost", new String[] {"-l", "f", "-u", "admin", "-p", "secret"}, 71,
                        "vySeedHost: no server given (-s)\n"));
    }

    @ParameterizedTest(name = "{0} {1}")
    @MethodSource("refusedBeforeAnyWork")
    void refusalsEndWithTheirStatus(String simpleName, String[] args, int status, String out) throws IOException {
        assertRun(status, out, simpleName, args);
    }

    @Test
    void netProbeAnswersQuietlyOrVerbosely() throws IOException {
        assertRun(0, "", "vyNetProbe", "-Server=$S");
        ChildJava.Result r = run(Map.of(), "vyNetProbe", "-Verbose=yes", "-Server=$S");
        assertEquals(0, r.status(), r.toString());
        assertTrue(r.out().matches("vyNetProbe: server " + server.replace(".", "\\.")
                + " answers \\(vyEmulator [0-9]+\\.[0-9]+\\.[0-9]+\\)\n"), r.out());
    }

    /** The first line of a security file holds the user name and the password; -u and -p take their place. */
    @Test
    void credentialsComeFromTheSecurityFileOrTheOptions() throws IOException {
        Path good = Files.writeString(folder.resolve("good.sec"), "  admin\tsecret  more words\r\nsecond line\n");
        Path bare = Files.writeString(folder.resolve("bare.sec"), "operator op-pass");
        Path other = Files.writeString(folder.resolve("other.sec"), "nobody op-pass\n");
        Path oneWord = Files.writeString(folder.resolve("one.sec"), "admin\nsecret\n");
        Path empty = Files.writeString(folder.resolve("empty.sec"), "");
        Path missing = folder.resolve("missing.sec");
        String[][] cases = {
            {"0", "-a " + good},
            {"0", "-a " + bare},
            {"0", "-u operator -a " + other},
            {"72", "-a " + other},
            {"0", "-p secret -a " + other + " -u admin"},
            // Given with -a, the file must be good even when -u and -p take the place of its words.
            {"73", "-p secret -a " + oneWord + " -u admin"},
            {"72", "-p wrong -a " + good},
            {"73", "-a " + oneWord},
            {"73", "-a " + empty},
            {"73", "-a " + missing},
            {"73", "-u admin -p secret -a " + missing},
        };
        for (String[] c : cases) {
            String options = c[1];
            String[] args = words(options + " -s $S quick", folder.toString()).toArray(new String[0]);
            ChildJava.Result r = run(Map.of(), "vyRunJob", args);
            assertEquals(Integer.parseInt(c[0]), r.status(), options + "\n" + r);
            List<String> words = words(options, folder.toString());
            String file = words.get(words.indexOf("-a") + 1);
            String expected = switch (c[0]) {
                case "0" -> "vyRunJob: task quick started\n";
                case "73" -> file.equals(missing.toString())
                        ? "vyRunJob: security file " + file + " cannot be read\n"
                        : "vyRunJob: the first line of security file " + file + " must hold a user name and a password\n";
                default -> r.out();
            };
            assertEquals(expected, r.out(), options);
        }
    }

    /** The words of the text between blanks, a blank within the folder's path (a checkout's, say) kept. */
    private static List<String> words(String text, String folder) {
        String hidden = folder.replace(' ', '\u0001');
        return Stream.of(text.replace(folder, hidden).split(" ")).map(w -> w.replace(hidden, folder)).toList();
    }

    /** Every task is tried; the status is that of the first task not started. */
    @Test
    void runJobStartsEachTaskAndTellsTheFirstFailure() throws IOException {
        String[] login = {"-u", "admin", "-p", "secret", "-s", "$S"};
        assertRun(0, "vyRunJob: task quick started\n", "vyRunJob", cat(login, "quick"));
        assertRun(0, "vyRunJob: connected to $S as admin\nvyRunJob: task bust started\n"
                + "vyRunJob: task bust copies 02B12028 to 03B12028 in 0 seconds\n", "vyRunJob", cat(new String[] {"-v"},
                        cat(login, "bust")));
        // Names arrive in one argument, as the launchers pass them.
        assertRun(74, "vyRunJob: task quick started\nvyRunJob: task nope is not known to the server\n", "vyRunJob",
                cat(login, "quick nope"));
        assertRun(0, "vyRunJob: task busy started\n", "vyRunJob", cat(login, "busy"));
        assertRun(74, "vyRunJob: task nope is not known to the server\nvyRunJob: task busy is already running\n",
                "vyRunJob", cat(login, "nope", "busy"));
        assertRun(75, "vyRunJob: task busy is already running\nvyRunJob: task nope is not known to the server\n",
                "vyRunJob", cat(login, "busy", "nope"));
        // The options end with the server's name: what follows are task names.
        assertRun(74, "vyRunJob: task -v is not known to the server\n", "vyRunJob", cat(login, "-v"));
    }

    @Test
    void awaitJobTellsCompleteFailedAndUnfinishedTasks() throws IOException {
        String[] login = {"-u", "operator", "-p", "op-pass", "-s", "$S"};
        assertEquals(0, run(Map.of(), "vyRunJob", cat(login, "quick bust slow")).status());
        assertRun(0, "vyAwaitJob: task quick is complete (100%)\n", "vyAwaitJob", cat(login, "quick"));
        assertRun(77, "vyAwaitJob: task quick is complete (100%)\nvyAwaitJob: task bust failed\n", "vyAwaitJob",
                cat(login, "quick", "bust"));
        assertRun(76, "vyAwaitJob: task never has not been run\n", "vyAwaitJob", cat(login, "never"));
        assertRun(76, "vyAwaitJob: waiting at most 0 minutes for 1 tasks (threshold 100%)\n"
                + "vyAwaitJob: task slow is not complete (0%)\n", "vyAwaitJob", cat(new String[] {"-v"}, cat(login, "slow")));
        assertRun(0, "vyAwaitJob: task half is complete (50%)\n", "vyAwaitJob", cat(new String[] {"-t", "50"},
                cat(login, "half")));
        assertRun(76, "vyAwaitJob: task half is not complete (50%)\n", "vyAwaitJob", cat(new String[] {"-t", "51"},
                cat(login, "half")));

        // An unknown name is found at the first look: nothing is awaited.
        long begin = System.nanoTime();
        assertRun(74, "vyAwaitJob: task nope is not known to the server\n", "vyAwaitJob",
                cat(new String[] {"-m", "1"}, cat(login, "quick nope")));
        assertTrue(System.nanoTime() - begin < 20_000_000_000L, "no wait for an unknown task");

        // .02 minutes: it asks until 1.2 s have passed, and not much longer.
        begin = System.nanoTime();
        assertRun(76, "vyAwaitJob: task slow is not complete (0%)\n", "vyAwaitJob",
                cat(new String[] {"-m", ".02"}, cat(login, "slow")));
        long millis = (System.nanoTime() - begin) / 1_000_000;
        assertTrue(millis >= 1200 && millis < 15_000, "waited " + millis + " ms");
    }

    @Test
    void probeVolFindsVolumesByNameOrSerial() throws IOException {
        String[] login = {"-u", "admin", "-p", "secret", "-s", "$S"};
        assertRun(0, "vyProbeVol: payroll is volume payroll, serial 02B12028\n"
                + "vyProbeVol: 03B12028 is volume payroll-copy, serial 03B12028\n", "vyProbeVol",
                cat(login, "payroll", "03B12028"));
        assertRun(78, "vyProbeVol: nope is not a volume of this server\n"
                + "vyProbeVol: archive is volume archive, serial 04B12028\n", "vyProbeVol", cat(login, "nope", "archive"));
        assertRun(0, "vyProbeVol: archive is volume archive, serial 04B12028\n"
                + "vyProbeVol: archive is the target of task slow\nvyProbeVol: archive is the target of task busy\n"
                + "vyProbeVol: archive is the target of task never\n", "vyProbeVol", cat(new String[] {"-v"},
                        cat(login, "archive")));
    }

    @Test
    void seedHostRegistersTheKnownVolumesOfItsFile() throws IOException {
        String[] login = {"-u", "admin", "-p", "secret", "-s", "$S"};
        Path two = Files.writeString(folder.resolve("two.vol"), "-l Disk2 -r 02B12028\r\n-l\tDisk3   -r 03B12028\r\n\r\n");
        Path unknown = Files.writeString(folder.resolve("unknown.vol"), "-l Disk2 -r 02B12028\n-l Disk9 -r 99\n");
        Path bad = Files.writeString(folder.resolve("bad.vol"), "-l Disk2 -r 02B12028\n-l Disk3 03B12028\n");
        Path none = Files.writeString(folder.resolve("none.vol"), "");
        Path missing = folder.resolve("missing.vol");

        assertRun(0, "vySeedHost: seed-a sees Disk2 as volume 02B12028\nvySeedHost: seed-a sees Disk3 as volume 03B12028\n"
                + "vySeedHost: host seed-a registered with 2 volumes\n", "vySeedHost",
                cat(login, "-l", two.toString(), "-d", "seed-a"));
        // Options in any order.
        assertRun(78, "vySeedHost: read 2 volumes from " + unknown + "\nvySeedHost: seed-b sees Disk2 as volume 02B12028\n"
                + "vySeedHost: Disk9 (serial 99) is not a volume of this server\n"
                + "vySeedHost: host seed-b registered with 1 volumes\n", "vySeedHost",
                cat(new String[] {"-d", "seed-b", "-l", unknown.toString(), "-v"}, login));
        assertRun(79, "vySeedHost: line 2 of volume file " + bad + " is not \"-l <disk> -r <serial>\"\n", "vySeedHost",
                cat(login, "-l", bad.toString(), "-d", "seed-c"));
        assertRun(79, "vySeedHost: volume file " + missing + " cannot be read\n", "vySeedHost",
                cat(login, "-l", missing.toString(), "-d", "seed-c"));
        assertRun(0, "vySeedHost: host seed-d registered with 0 volumes\n", "vySeedHost",
                cat(login, "-l", none.toString(), "-d", "seed-d"));
        ChildJava.Result r = run(Map.of("VY_HOST", "seed-e"), "vySeedHost", cat(login, "-l", none.toString()));
        assertEquals("0\nvySeedHost: host seed-e registered with 0 volumes\n", r.status() + "\n" + r.out());

        assertEquals("seed-a Disk2 02B12028\nseed-a Disk3 03B12028\nseed-b Disk2 02B12028\nseed-d\nseed-e\n",
                emulator.get("/hosts", "admin", "secret").body(), "seed-c is never registered");
    }

    private static String[] cat(String[] a, String... b) {
        String[] all = new String[a.length + b.length];
        System.arraycopy(a, 0, all, 0, a.length);
        System.arraycopy(b, 0, all, a.length, b.length);
        return all;
    }
}
