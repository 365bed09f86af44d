package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;
import support.ChildJava;
import support.EmulatorProcess;
import support.EmulatorProcess.Reply;

/**
 * The state file as the emulator reads it at start and writes it after each
 * change. A malformed line stops it with 82 and "FILE:LINE: reason" before it
 * listens.
 */
class StateFileTest {
    /** Lines 1 to 3 of every malformed file: a user and two volumes. */
    private static final String BASE = "user u p\nvolume A1 a\nvolume B1 b\n";
    private static final String TASK_FORM =
            "expected \"task <name> <source-serial> <target-serial> <seconds> complete|fail [started=<instant>]\"";

    static Stream<Arguments> malformed() {
        String name50 = "n".repeat(50);
        return Stream.of(
                Arguments.of("frobnicate x", 4, "unknown keyword frobnicate"),
                Arguments.of("user v", 4, "expected \"user <name> <password>\""),
                Arguments.of("user v p extra", 4, "expected \"user <name> <password>\""),
                Arguments.of("user a:b p", 4, "a user name cannot hold a colon"),
                Arguments.of("user u q", 4, "user u is given twice"),
                Arguments.of("volume C1", 4, "expected \"volume <serial> <name>\""),
                Arguments.of("volume C1 c d", 4, "expected \"volume <serial> <name>\""),
                Arguments.of("volume ABCDEFGHIJ c", 4, "a serial is 1 to 9 letters or digits: ABCDEFGHIJ"),
                Arguments.of("volume C-1 c", 4, "a serial is 1 to 9 letters or digits: C-1"),
                Arguments.of("volume C1 " + name50, 4, "a volume name is at most 49 characters: " + name50),
                Arguments.of("volume A1 c", 4, "serial A1 is given twice"),
                Arguments.of("volume C1 a", 4, "volume name a is given twice"),
                Arguments.of("task t A1 B1 3", 4, TASK_FORM),
                Arguments.of("task t A1 B1 3 fail started=2026-01-31T12:00:00Z more", 4, TASK_FORM),
                Arguments.of("task t A1 B1 3 fail begun=2026-01-31T12:00:00Z", 4, TASK_FORM),
                Arguments.of("task t A1 Z9 3 complete", 4, "no volume has the serial Z9 (volumes must come first)"),
                Arguments.of("task t A1 C1 3 complete\nvolume C1 c", 4,
                        "no volume has the serial C1 (volumes must come first)"),
                Arguments.of("task t A1 B1 3x complete", 4, "the seconds must be a whole number from 0 to 1000000000: 3x"),
                Arguments.of("task t A1 B1 -1 complete", 4, "the seconds must be a whole number from 0 to 1000000000: -1"),
                Arguments.of("task t A1 B1 1000000001 complete", 4,
                        "the seconds must be a whole number from 0 to 1000000000: 1000000001"),
                Arguments.of("task t A1 B1 99999999999 complete", 4,
                        "the seconds must be a whole number from 0 to 1000000000: 99999999999"),
                Arguments.of("task t A1 B1 3 done", 4, "the outcome must be complete or fail: done"),
                Arguments.of("task t A1 B1 3 fail started=yesterday", 4,
                        "not an instant like 2026-01-31T12:00:00Z: started=yesterday"),
                Arguments.of("task t A1 B1 3 fail\ntask t A1 B1 4 fail", 5, "task t is given twice"),
                Arguments.of("sees h Disk1", 4, "expected \"sees <host> <disk> <serial> [unknown]\""),
                Arguments.of("sees h ABCDEFGHIJKLMNOPQRS A1", 4,
                        "a disk name is at most 18 characters: ABCDEFGHIJKLMNOPQRS"),
                Arguments.of("registered h Disk1", 4, "expected \"registered <host> [<disk> <serial>]\""),
                Arguments.of("registered h ABCDEFGHIJKLMNOPQRS A1", 4,
                        "a disk name is at most 18 characters: ABCDEFGHIJKLMNOPQRS"),
                Arguments.of("registered h Disk1 Z9", 4, "no volume has the serial Z9 (volumes must come first)"));
    }

    @ParameterizedTest(name = "{0}")
    @MethodSource("malformed")
    void aMalformedLineStopsTheEmulatorWith82(String lines, int line, String reason) throws IOException {
        Path file = EmulatorProcess.scratch("state").resolve("s.state");
        Files.writeString(file, BASE + lines + "\n", StandardCharsets.UTF_8);
        assertRefused(file, "vyEmulator: " + file + ":" + line + ": " + reason);
    }

    /** Lines are counted with comments, blank lines and CR LF ends; words are separated by blanks and tabs. */
    @Test
    void lineNumbersCountEveryLine() throws IOException {
        Path file = EmulatorProcess.scratch("state").resolve("s.state");
        Files.writeString(file, "# users\r\n\r\n   \r\nuser\tu  p\r\nvolume A1 a\r\n\tfrob\r\n", StandardCharsets.UTF_8);
        assertRefused(file, "vyEmulator: " + file + ":6: unknown keyword frob");

        byte[] notUtf8 = (BASE + "volume C1 caf\u00e9\nvolume D1 x\u00ff\n").getBytes(StandardCharsets.ISO_8859_1);
        Files.write(file, notUtf8);
        assertRefused(file, "vyEmulator: " + file + ":4: not UTF-8 text");
    }

    @Test
    void aStateFileThatCannotBeReadStopsTheEmulatorWith82() throws IOException {
        Path folder = EmulatorProcess.scratch("state").resolve("s.state");
        Files.createDirectory(folder);
        ChildJava.Result r = ChildJava.emulator("run", "--state", folder.toString(), "--port", "0", "--stop-after", ".05");
        assertEquals(82, r.status(), r.toString());
        assertTrue(r.err().startsWith("vyEmulator: " + folder + ": cannot be read"), r.toString());

        Path missingFolder = folder.resolveSibling("no-such-folder").resolve("s.state");
        r = ChildJava.emulator("run", "--state", missingFolder.toString(), "--port", "0", "--stop-after", ".05");
        assertEquals(82, r.status(), r.toString());
        assertTrue(r.err().startsWith("vyEmulator: " + missingFolder + ": cannot be created"), r.toString());
    }

    private static void assertRefused(Path file, String firstLine) throws IOException {
        // --stop-after: should the file be taken, the emulator still ends by itself.
        ChildJava.Result r = ChildJava.emulator("run", "--state", file.toString(), "--port", "0", "--stop-after", ".05");
        assertEquals(82, r.status(), r.toString());
        assertEquals(firstLine, r.err().lines().findFirst().orElse(""), r.toString());
        assertEquals("", r.out(), "nothing was started");
    }

    /**
     * A file written by hand: comments, blank lines, tabs, CR LF, a task
     * that ran already (started=). The emulator serves it; its first change
     * writes the whole state back in its own form (comments are not kept),
     * which a restart reads to the same state.
     */
    @Test
    void aHandWrittenFileIsServedAndWrittenBackWhole() throws IOException {
        Path file = EmulatorProcess.scratch("state").resolve("s.state");
        Files.writeString(file, String.join("\r\n",
                "# test state",
                "user\tadmin   secret",
                "",
                "volume A1 alpha",
                "volume B1 beta",
                "task done A1 B1 10 complete started=2020-01-01T00:00:00Z",
                "task quick A1 B1 0 complete",
                "task bust A1 B1 0 fail",
                "task long A1 B1 600 complete",
                "sees host1 Disk7 B1",
                "registered old",
                ""), StandardCharsets.UTF_8);
        String tasksBefore = "done completed 100 A1 B1 10 complete\nquick idle 0 A1 B1 0 complete\n"
                + "bust idle 0 A1 B1 0 fail\nlong idle 0 A1 B1 600 complete\n";
        String tasksAfter = "done completed 100 A1 B1 10 complete\nquick completed 100 A1 B1 0 complete\n"
                + "bust failed 100 A1 B1 0 fail\nlong running 0 A1 B1 600 complete\n";
        try (EmulatorProcess e = EmulatorProcess.withState(file)) {
            assertEquals(tasksBefore, e.get("/tasks", "admin", "secret").body());
            assertEquals("old\n", e.get("/hosts", "admin", "secret").body());
            assertEquals("Disk7 B1\n", e.get("/hosts/host1/luns").body());

            assertEquals("quick completed 100 A1 B1 0 complete\n",
                    e.send("POST", "/tasks/quick/run", "admin", "secret", null).body());
            assertEquals("bust failed 100 A1 B1 0 fail\n", e.send("POST", "/tasks/bust/run", "admin", "secret", null).body());
            // A task that has ended can be run again.
            assertEquals(200, e.send("POST", "/tasks/quick/run", "admin", "secret", null).status());
            assertEquals(200, e.send("POST", "/tasks/long/run", "admin", "secret", null).status());
            assertEquals(200, e.send("PUT", "/hosts/new", "admin", "secret", "D1 A1\nD2 B1\n").status());
            assertEquals(tasksAfter, e.get("/tasks", "admin", "secret").body());
            assertEquals(0, e.stop());
        }
        String text = Files.readString(file, StandardCharsets.UTF_8);
        assertTrue(text.startsWith("# vyEmulator state."), text);
        assertFalse(text.contains("# test state"), "comments are not kept:\n" + text);
        assertFalse(text.contains("\r"), text);
        for (String line : new String[] {"\nuser admin secret\n", "\nvolume A1 alpha\n",
            "\ntask done A1 B1 10 complete started=2020-01-01T00:00:00Z\n", "\ntask quick A1 B1 0 complete started=",
            "\ntask bust A1 B1 0 fail started=", "\ntask long A1 B1 600 complete started=", "\nsees host1 Disk7 B1\n",
            "\nregistered old\n", "\nregistered new D1 A1\n", "\nregistered new D2 B1\n"}) {
            assertTrue(text.contains(line), "no line " + line.trim() + " in\n" + text);
        }
        assertFalse(Files.exists(file.resolveSibling("s.state.tmp")), "no temporary file is left");

        // Restarted, it holds the same: the running task still runs, and cannot be started again.
        try (EmulatorProcess e = EmulatorProcess.withState(file)) {
            assertEquals(tasksAfter, e.get("/tasks", "admin", "secret").body());
            assertEquals("new D1 A1\nnew D2 B1\nold\n", e.get("/hosts", "admin", "secret").body());
            assertEquals(409, e.send("POST", "/tasks/long/run", "admin", "secret", null).status());
        }
    }

    /** A state file that does not exist is created from the sample state. */
    @Test
    void aMissingStateFileStartsAsTheSample() throws IOException {
        Path file = EmulatorProcess.scratch("state").resolve("new.state");
        try (EmulatorProcess e = EmulatorProcess.withState(file)) {
            assertEquals("admin\n", e.get("/whoami", "admin", "secret").body());
            assertTrue(e.output().contains("vyEmulator: created " + file + " from the sample state"), e.output());
        }
        String text = Files.readString(file, StandardCharsets.UTF_8);
        assertTrue(text.contains("user operator op-pass\n") && text.contains("task slow 02B12028 05B12028 600 complete\n")
                && text.contains("sees demo-host Disk4 04B12028\n"), text);
    }

    /**
     * A change that cannot be saved is refused with 500 and not applied;
     * the emulator goes on serving and saves again once it can. The file
     * replaced by a folder, or its folder removed, stops even root.
     */
    @Test
    void aChangeThatCannotBeSavedIsRefusedWith500() throws IOException {
        Path folder = EmulatorProcess.scratch("state").resolve("data");
        Files.createDirectory(folder);
        Path file = folder.resolve("s.state");
        try (EmulatorProcess e = EmulatorProcess.withState(file)) {
            String idle = "slow idle 0 02B12028 05B12028 600 complete\n";

            Files.delete(file);
            Files.createDirectory(file);
            Files.writeString(file.resolve("keep"), "x");
            assertEquals("500 state could not be saved\n",
                    e.send("PUT", "/hosts/h1", "admin", "secret", "Disk2 02B12028\n").toString());
            assertEquals("500 state could not be saved\n",
                    e.send("POST", "/tasks/slow/run", "admin", "secret", null).toString());
            assertEquals("", e.get("/hosts", "admin", "secret").body(), "not applied");
            assertEquals(idle, e.get("/tasks/slow", "admin", "secret").body(), "not started");
            assertEquals(200, e.get("/ping").status());
            assertTrue(e.output().contains("could not be saved"), e.output());
            assertEquals("x", Files.readString(file.resolve("keep")), "the folder in its place is untouched");

            // The whole folder goes: the state file cannot even be created now.
            Files.walk(folder).sorted(java.util.Comparator.reverseOrder()).forEach(p -> p.toFile().delete());
            assertFalse(Files.exists(folder));
            assertEquals(500, e.send("PUT", "/hosts/h2", "admin", "secret", "Disk2 02B12028\n").status());
            assertEquals("", e.get("/hosts", "admin", "secret").body(), "not applied");

            Files.createDirectory(folder);
            assertEquals("200 Disk3 03B12028 registered\n",
                    e.send("PUT", "/hosts/h3", "admin", "secret", "Disk3 03B12028\n").toString());
            assertEquals("h3 Disk3 03B12028\n", e.get("/hosts", "admin", "secret").body());
        }
        String text = Files.readString(file, StandardCharsets.UTF_8);
        assertTrue(text.contains("\nregistered h3 Disk3 03B12028\n"), text);
        assertFalse(text.contains("h1") || text.contains("h2"), text);
        assertTrue(text.contains("\ntask slow 02B12028 05B12028 600 complete\n"), "slow never started:\n" + text);
    }
}
