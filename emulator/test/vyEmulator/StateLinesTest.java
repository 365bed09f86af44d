package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.nio.charset.StandardCharsets;
import java.util.List;
import org.junit.jupiter.api.Test;
import vySecLink.Failure;

/** The state file's host names and disks that no volume has, read and written. */
class StateLinesTest {
    private static final String VOLUMES = "volume 02B12028 payroll\nvolume 03B12028 payroll-copy\n";

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
