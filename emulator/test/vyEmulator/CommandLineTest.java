package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.net.ServerSocket;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Map;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import java.util.stream.Stream;
import org.junit.jupiter.api.Assumptions;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;
import support.ChildJava;
import support.EmulatorProcess;

/** The emulator's commands (run, start, stop, lanectl) as a script calls them: statuses and messages. */
class CommandLineTest {
    private static final String BIND = ": an IP address in numbers, as 127.0.0.1 or ::1 (0.0.0.0 or :: for every address)";
    private static final String USAGE_START = "usage: java -jar vyEmulator.jar run [--port N]";

    static Stream<Arguments> badArguments() {
        return Stream.of(
                Arguments.of(List.of(), "no command given"),
                Arguments.of(List.of("walk"), "unknown command walk"),
                Arguments.of(List.of("run", "--bogus"), "unknown argument --bogus"),
                Arguments.of(List.of("run", "--port"), "--port needs a value"),
                Arguments.of(List.of("run", "--in-memory", "--state"), "--state needs a value"),
                Arguments.of(List.of("run", "--port", "65536"), "bad value 65536 for --port"),
                Arguments.of(List.of("run", "--port", "123456"), "bad value 123456 for --port"),
                Arguments.of(List.of("run", "--port", "-1"), "bad value -1 for --port"),
                Arguments.of(List.of("run", "--port", "8a"), "bad value 8a for --port"),
                Arguments.of(List.of("run", "--port", ""), "bad value  for --port"),
                Arguments.of(List.of("run", "--stop-after", "x"), "bad value x for --stop-after"),
                Arguments.of(List.of("run", "--stop-after", "1.2.3"), "bad value 1.2.3 for --stop-after"),
                Arguments.of(List.of("run", "--stop-after", "-1"), "bad value -1 for --stop-after"),
                Arguments.of(List.of("run", "--stop-after", "."), "bad value . for --stop-after"),
                Arguments.of(List.of("run", "--stop-after", "1234567890"), "bad value 1234567890 for --stop-after"),
                Arguments.of(List.of("run", "--in-memory", "--state", "s"), "give either --state or --in-memory, not both"),
                Arguments.of(List.of("run", "--state", "s", "--in-memory"), "give either --state or --in-memory, not both"),
                Arguments.of(List.of("run", "--in-memory", "--bind", "[::1"), "bad value [::1 for --bind" + BIND),
                Arguments.of(List.of("run", "--in-memory", "--bind", "0"), "bad value 0 for --bind" + BIND),
                Arguments.of(List.of("run", "--in-memory", "--bind", "localhost"), "bad value localhost for --bind" + BIND),
                Arguments.of(List.of("start", "--in-memory", "--stop-after", ".05", "--bind", "127.1"), "bad value 127.1 for --bind" + BIND),
                Arguments.of(List.of("run", "--in-memory", "--bind", "::1%lo"), "bad value ::1%lo for --bind" + BIND),
                Arguments.of(List.of("run", "--log", "x"), "unknown argument --log"),
                Arguments.of(List.of("run", "--server", "x"), "unknown argument --server"),
                Arguments.of(List.of("start", "--ready-file", "x"), "unknown argument --ready-file"),
                Arguments.of(List.of("start", "--server", "x"), "unknown argument --server"),
                Arguments.of(List.of("stop", "--state", "x"), "unknown argument --state"),
                Arguments.of(List.of("stop", "--in-memory"), "unknown argument --in-memory"),
                Arguments.of(List.of("stop", "--server", "a:1", "--port", "2"),
                        "give only one of --server, --port and --port-file"),
                Arguments.of(List.of("stop", "--port", "2", "--port-file", "f"),
                        "give only one of --server, --port and --port-file"),
                Arguments.of(List.of("stop", "--port", "0"), "bad value 0 for --port"),
                Arguments.of(List.of("stop", "--server", "host:"), "bad server name host:: a port is a decimal number 1 to 65535 without leading zeros"),
                Arguments.of(List.of("stop", "--server", "[::1]8"), "bad server name [::1]8: an IPv6 address is closed by ] and followed by nothing or by :port"));
    }

    /** A bad address is refused before a missing state file is made from the sample. */
    @Test
    void badBindCreatesNoStateFile() throws IOException {
        Path state = EmulatorProcess.scratch("bind").resolve("s.state");
        ChildJava.Result r = ChildJava.emulator("run", "--state", state.toString(), "--bind", "[::1");
        assertEquals(71, r.status(), r.toString());
        assertFalse(Files.exists(state), r.toString());
    }

    /** 71, the reason on standard error, then the usage; nothing is started. */
    @ParameterizedTest(name = "{0}")
    @MethodSource("badArguments")
    void badArgumentsEndWith71AndTheUsage(List<String> args, String reason) throws IOException {
        ChildJava.Result r = ChildJava.emulator(args.toArray(new String[0]));
        assertEquals(71, r.status(), r.toString());
        List<String> err = r.err().lines().toList();
        assertEquals("vyEmulator: " + reason, err.get(0), r.toString());
        assertTrue(err.size() > 1 && err.get(1).startsWith(USAGE_START), r.toString());
        assertEquals("", r.out(), r.toString());
    }

    @Test
    void helpPrintsTheUsage() throws IOException {
        ChildJava.Result r = ChildJava.emulator("help");
        assertEquals(0, r.status(), r.toString());
        List<String> lines = r.lines();
        assertEquals(4, lines.size(), r.toString());
        assertTrue(lines.get(0).startsWith(USAGE_START), r.toString());
        assertTrue(lines.get(3).endsWith("vyEmulator.jar lanectl query device"), r.toString());
    }

    private static int freePort() throws IOException {
        try (ServerSocket s = new ServerSocket(0, 1, InetAddress.getLoopbackAddress())) {
            return s.getLocalPort();
        }
    }

    @Test
    void stopWithNothingThereEndsWith70() throws IOException {
        Path missing = EmulatorProcess.scratch("stop").resolve("no-port-file");
        ChildJava.Result r = ChildJava.emulator("stop", "--port-file", missing.toString());
        assertEquals(70, r.status(), r.toString());
        assertEquals("vyEmulator: port file " + missing + " cannot be read, nothing to stop\n", r.err());

        int port = freePort();
        r = ChildJava.emulator("stop", "--port", Integer.toString(port));
        assertEquals(70, r.status(), r.toString());
        assertTrue(r.err().startsWith("vyEmulator: ") && r.err().contains("127.0.0.1:" + port), r.toString());
    }

    /** 83: the port is taken, or the port file cannot be written; the emulator does not stay. */
    @Test
    void anAddressThatCannotBeUsedEndsWith83() throws IOException {
        try (ServerSocket taken = new ServerSocket()) {
            taken.bind(new InetSocketAddress(InetAddress.getLoopbackAddress(), 0));
            String port = Integer.toString(taken.getLocalPort());
            ChildJava.Result r = ChildJava.emulator("run", "--in-memory", "--port", port);
            assertEquals(83, r.status(), r.toString());
            assertTrue(r.err().startsWith("vyEmulator: cannot listen on 127.0.0.1:" + port + ": "), r.toString());

            Path log = EmulatorProcess.scratch("start").resolve("log");
            r = ChildJava.emulator("start", "--in-memory", "--port", port, "--log", log.toString());
            assertEquals(83, r.status(), r.toString());
            assertTrue(r.err().contains("vyEmulator: the emulator ended with status 83 before it listened"), r.toString());
            assertTrue(r.err().contains("cannot listen on 127.0.0.1:" + port), "the log's tail is shown:\n" + r);
        }
        Path noFolder = EmulatorProcess.scratch("run").resolve("no-such-folder").resolve("port");
        ChildJava.Result r = ChildJava.emulator("run", "--in-memory", "--port", "0", "--port-file", noFolder.toString(),
                "--stop-after", ".05");
        assertEquals(83, r.status(), r.toString());
        assertTrue(r.err().startsWith("vyEmulator: cannot write the port file"), r.toString());
    }

    /** --stop-after takes decimal minutes; the emulator then ends by itself with 0. */
    @Test
    void runStopsByItselfAfterTheMinutesGiven() throws IOException {
        for (String minutes : new String[] {"0.", ".01"}) {
            long begin = System.nanoTime();
            ChildJava.Result r = ChildJava.emulator("run", "--in-memory", "--port", "0", "--stop-after", minutes);
            long millis = (System.nanoTime() - begin) / 1_000_000;
            assertEquals(0, r.status(), r.toString());
            assertTrue(r.out().startsWith("vyEmulator: listening on 127.0.0.1:"), r.toString());
            assertTrue(r.out().contains("vyEmulator: stopping after " + minutes + " minutes\n"), r.toString());
            assertTrue(r.out().endsWith("vyEmulator: stopped\n"), r.toString());
            if (minutes.equals(".01")) {
                assertTrue(millis >= 600, ".01 minutes are 0.6 s, it took " + millis + " ms");
            }
        }
    }

    /** start returns once the emulator listens, in a process of its own; stop ends that process. */
    @Test
    void startThenStop() throws IOException {
        Path folder = EmulatorProcess.scratch("start");
        Path portFile = folder.resolve("port");
        Path state = folder.resolve("s.state");
        ChildJava.Result r = ChildJava.emulator("start", "--port", "0", "--state", state.toString(), "--port-file",
                portFile.toString());
        Matcher m = Pattern.compile("vyEmulator: listening on 127\\.0\\.0\\.1:([0-9]+) \\(process ([0-9]+)\\)\n")
                .matcher(r.out());
        assertEquals(0, r.status(), r.toString());
        assertTrue(m.matches(), r.toString());
        int port = Integer.parseInt(m.group(1));
        long pid = Long.parseLong(m.group(2));
        try {
            assertEquals("127.0.0.1:" + port + "\n", Files.readString(portFile, StandardCharsets.UTF_8));
            assertTrue(ProcessHandle.of(pid).map(ProcessHandle::isAlive).orElse(false), "process " + pid + " runs");
            // Its log goes beside the state file by default.
            assertTrue(Files.readString(folder.resolve("s.state.log"), StandardCharsets.UTF_8)
                    .contains("listening on 127.0.0.1:" + port));

            r = ChildJava.emulator("stop", "--port-file", portFile.toString());
            assertEquals(0, r.status(), r.toString());
            assertEquals("vyEmulator: stopped 127.0.0.1:" + port + "\n", r.out());
            assertFalse(ProcessHandle.of(pid).map(ProcessHandle::isAlive).orElse(false), "process " + pid + " ended");
        } finally {
            ProcessHandle.of(pid).ifPresent(ProcessHandle::destroyForcibly);
        }
    }

    /** start passes on the emulator's 82 and shows the end of its log. */
    @Test
    void startWithAMalformedStateEndsWith82() throws IOException {
        Path state = EmulatorProcess.scratch("start").resolve("s.state");
        Files.writeString(state, "user a b\nfrob\n", StandardCharsets.UTF_8);
        ChildJava.Result r = ChildJava.emulator("start", "--port", "0", "--state", state.toString());
        assertEquals(82, r.status(), r.toString());
        assertTrue(r.err().contains("  vyEmulator: " + state + ":2: unknown keyword frob\n"), r.toString());
        assertTrue(r.err().contains("vyEmulator: the emulator ended with status 82 before it listened"), r.toString());
    }

    /** The multipath tool's report of the volumes VY_HOST sees, from the emulator VY_EMULATOR names. */
    @Test
    void lanectlReportsWhatTheHostSees() throws IOException {
        try (EmulatorProcess e = EmulatorProcess.inMemory()) {
            ChildJava.Result r = ChildJava.emulator(Map.of("VY_EMULATOR", e.address(), "VY_HOST", "demo-host"),
                    "lanectl", "query", "device");
            assertEquals(0, r.status(), r.toString());
            List<String> lines = r.lines();
            assertEquals("Total Devices : 3", lines.get(0));
            assertTrue(lines.contains("DEV#:   1  DEVICE NAME: Disk3 Part0  TYPE: 7315E20  POLICY: OPTIMIZED"), r.out());
            assertEquals(List.of("SERIAL: 02B12028", "SERIAL: 03B12028", "SERIAL: 04B12028"),
                    lines.stream().filter(l -> l.startsWith("SERIAL:")).toList());

            r = ChildJava.emulator(Map.of("VY_EMULATOR", e.address(), "VY_HOST", "other-host"), "lanectl", "query",
                    "device");
            assertEquals(0, r.status(), r.toString());
            assertEquals("Total Devices : 0\n\n", r.out());

            r = ChildJava.emulator(Map.of("VY_EMULATOR", e.address()), "lanectl", "query");
            assertEquals(71, r.status(), r.toString());
            assertEquals("lanectl: unknown arguments \"query\"; the only command is \"query device\"\n", r.err());
        }
        int port = freePort();
        ChildJava.Result r = ChildJava.emulator(Map.of("VY_EMULATOR", "127.0.0.1:" + port, "VY_HOST", "demo-host"),
                "lanectl", "query", "device");
        assertEquals(70, r.status(), r.toString());
        assertEquals("lanectl: the emulator at 127.0.0.1:" + port + " does not answer\n", r.err());

        r = ChildJava.emulator(Map.of("VY_EMULATOR", "bad:", "VY_HOST", "demo-host"), "lanectl", "query", "device");
        assertEquals(71, r.status(), r.toString());
        assertEquals("lanectl: bad server name bad:: a port is a decimal number 1 to 65535 without leading zeros\n", r.err());
    }

    /**
     * Every address but loopback is told on the first line. Run in a network
     * namespace of its own: nothing outside it can reach the emulator.
     */
    @Test
    void bindingEveryAddressWarnsFirst() throws IOException, InterruptedException, vySecLink.Failure {
        // The literal forms, looked up nowhere.
        assertTrue(Runner.bindAddress("::").isAnyLocalAddress());
        assertTrue(Runner.bindAddress("[::1]").isLoopbackAddress());
        assertTrue(Runner.bindAddress("::ffff:127.0.0.9").isLoopbackAddress());
        assertTrue(Runner.bindAddress(null).isLoopbackAddress());
        Assumptions.assumeTrue(new ProcessBuilder("unshare", "-rn", "true").start().waitFor() == 0,
                "no network namespace can be made here");
        String jar = EmulatorProcess.javaDir().resolve("vyEmulator.jar").toString();
        String[][] cases = {{"run", "0.0.0.0", "0.0.0.0"}, {"start", "0.0.0.0", "0.0.0.0"}};
        for (String[] c : cases) {
            ChildJava.Result r = ChildJava.command(List.of("unshare", "-rn", EmulatorProcess.java(), "-jar", jar, c[0],
                    "--in-memory", "--bind", c[1], "--port", "0", "--stop-after", ".02"));
            assertEquals(0, r.status(), r.toString());
            List<String> lines = r.lines();
            assertEquals("vyEmulator: listening on " + c[1] + ", not on the loopback address: the state file's passwords"
                    + " can be reached from the network", lines.get(0), r.toString());
            assertTrue(lines.get(1).startsWith("vyEmulator: listening on " + c[2] + ":"), r.toString());
        }
    }
}
