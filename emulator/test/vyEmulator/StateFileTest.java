package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.List;
import java.util.stream.Collectors;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;
import support.EmulatorProcess;
import vySecLink.Failure;

class StateFileTest {
    private static final String VOLUMES = "volume 02B12028 payroll\nvolume 03B12028 payroll-copy\n";

    private static List<String> names(Path dir) throws IOException {
        try (Stream<Path> s = Files.list(dir)) {
            return s.map(p -> p.getFileName().toString()).sorted().collect(Collectors.toList());
        }
    }

    @Test
    void aPlantedLinkIsNeverFollowedAndItsTargetNeverTouched() throws IOException {
        Path dir = EmulatorProcess.scratch("planted");
        Path state = dir.resolve("s.state");
        Path victim = dir.resolve("victim");
        Files.writeString(state, "old\n");
        Files.writeString(victim, "precious\n");
        Files.createSymbolicLink(dir.resolve("s.state.tmp"), victim);

        StateFile.save(state, "user admin secret\n");

        assertEquals("precious\n", Files.readString(victim));
        assertFalse(Files.isSymbolicLink(state), "the state file became a link");
        assertEquals("user admin secret\n", Files.readString(state));
        assertTrue(Files.isSymbolicLink(dir.resolve("s.state.tmp")), "the planted link is left alone");
        assertEquals(List.of("s.state", "s.state.tmp", "victim"), names(dir), "no temporary file is left");
    }

    @Test
    void permissionsAreKeptAndANewFileIsTheOwnersOnly() throws IOException {
        Path dir = EmulatorProcess.scratch("permissions");
        Path state = dir.resolve("s.state");
        Files.writeString(state, "old\n");
        Files.setPosixFilePermissions(state, PosixFilePermissions.fromString("rw-------"));
        StateFile.save(state, "new\n");
        assertEquals("rw-------", PosixFilePermissions.toString(Files.getPosixFilePermissions(state)));

        Files.setPosixFilePermissions(state, PosixFilePermissions.fromString("rw-r-----"));
        StateFile.save(state, "newer\n");
        assertEquals("rw-r-----", PosixFilePermissions.toString(Files.getPosixFilePermissions(state)));
        assertEquals("newer\n", Files.readString(state));

        Path fresh = dir.resolve("fresh.state");
        StateFile.save(fresh, "first\n");
        assertEquals("rw-------", PosixFilePermissions.toString(
                Files.getPosixFilePermissions(fresh, LinkOption.NOFOLLOW_LINKS)));
    }

    @Test
    void hostNamesOfEveryKindSurviveWritingAndReading() throws Failure {
        State s = parse(VOLUMES);
        List<String> hosts = List.of("two words", "tab\there", "say \"hi\"", "Zürich", "100%", "#hash");
        for (String h : hosts) {
            s.registered.put(h, List.of(new State.Disk("Disk2", "02B12028")));
            s.sees.add(new State.Sees(h, new State.Disk("Disk3", "03B12028")));
        }
        String text = StateFile.format(s);
        assertTrue(text.contains("\nregistered two%20words Disk2 02B12028\n"), text);
        assertTrue(text.contains("\nsees tab%09here Disk3 03B12028\n"), text);
        assertTrue(text.contains("\nregistered 100%25 Disk2 02B12028\n"), text);
        State again = parse(text);
        assertEquals(s.registered, again.registered);
        assertEquals(s.sees, again.sees);
    }

    @Test
    void aHostMaySeeADiskWhoseSerialNoVolumeHasWhenTheLineSaysSo() throws Failure {
        State s = parse(VOLUMES + "sees h Disk9 09B12028 unknown\nsees h Disk2 02B12028\n");
        assertEquals(List.of(new State.Sees("h", new State.Disk("Disk9", "09B12028")),
                new State.Sees("h", new State.Disk("Disk2", "02B12028"))), s.sees);
        String text = StateFile.format(s);
        assertTrue(text.contains("\nsees h Disk9 09B12028 unknown\nsees h Disk2 02B12028\n"), text);

        assertFault(VOLUMES + "sees h Disk9 09B12028\n", "t:3: no volume has the serial 09B12028 (volumes must come first)");
        assertFault(VOLUMES + "sees h Disk2 02B12028 unknown\n", "t:3: serial 02B12028 is a volume's, so it is not unknown");
        assertFault(VOLUMES + "sees h Disk9 09B12028 foreign\n", "t:3: expected \"sees <host> <disk> <serial> [unknown]\"");
        assertFault(VOLUMES + "sees h Disk9 09-12028 unknown\n", "t:3: a serial is 1 to 9 letters or digits: 09-12028");
        assertFault(VOLUMES + "registered a%0Ab\n", "t:3: a host name holds no control characters other than tabs: a%0Ab");
        assertFault(VOLUMES + "registered %C3\n", "t:3: a host name must be UTF-8 once unescaped: %C3");
    }

    private static State parse(String text) throws Failure {
        return StateFile.parse("t", text.getBytes(StandardCharsets.UTF_8));
    }

    private static void assertFault(String text, String message) {
        Failure f = assertThrows(Failure.class, () -> parse(text), text);
        assertEquals(82, f.status());
        assertEquals(message, f.getMessage());
    }
}
