package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;
import support.EmulatorProcess;
import vySecLink.Failure;

/** Each limit of the state file at its value and one past it; what a failed save leaves behind. */
class LimitsTest {
    private static final String BASE = "user u p\nvolume A1 a\nvolume B1 b\n";

    private static State parse(String line) throws Failure {
        return StateFile.parse("t.state", (BASE + line + "\n").getBytes(StandardCharsets.UTF_8));
    }

    private static void refused(String line, String reason) {
        Failure f = assertThrows(Failure.class, () -> parse(line), line);
        assertEquals(82, f.status(), line);
        assertEquals("t.state:4: " + reason, f.getMessage());
    }

    @Test
    void atEachLimitAndOnePast() throws Failure {
        assertEquals(1_000_000_000L, parse("task t A1 B1 1000000000 complete").tasks.get("t").seconds());
        refused("task t A1 B1 1000000001 complete", "the seconds must be a whole number from 0 to 1000000000: 1000000001");

        String disk18 = "D".repeat(18);
        assertEquals(disk18, parse("sees h " + disk18 + " A1").sees.get(0).disk().disk());
        assertEquals(disk18, parse("registered h " + disk18 + " A1").registered.get("h").get(0).disk());
        refused("sees h " + disk18 + "D A1", "a disk name is at most 18 characters: " + disk18 + "D");

        String volume49 = "n".repeat(49);
        assertEquals(volume49, parse("volume C1 " + volume49).volumes.get("C1").name());
        refused("volume C1 " + volume49 + "n", "a volume name is at most 49 characters: " + volume49 + "n");

        assertEquals("ABCDEFGHI", parse("volume ABCDEFGHI c").volumes.get("ABCDEFGHI").serial());

        String host1023 = "h".repeat(1023);
        assertEquals(host1023, parse("sees " + host1023 + " Disk1 A1").sees.get(0).host());
        assertEquals(List.of(), parse("registered " + host1023).registered.get(host1023));
        refused("sees " + host1023 + "h Disk1 A1", "a host name is 1 to 1023 characters: " + host1023 + "h");
        // An escaped character counts once: 1022 letters and a blank are 1023 characters.
        String escaped = "h".repeat(1022) + "%20";
        assertEquals("h".repeat(1022) + " ", parse("registered " + escaped).registered.keySet().iterator().next());
    }

    /** A save that cannot be renamed into place leaves no temporary file and the old target as it was. */
    @Test
    void aFailedSaveLeavesNoTemporaryFile() throws IOException {
        Path folder = EmulatorProcess.scratch("failed-save");
        Path target = Files.createDirectory(folder.resolve("s.state"));
        Files.writeString(target.resolve("inside"), "x");
        assertThrows(IOException.class, () -> StateFile.save(target, "user u p\n"));
        try (Stream<Path> names = Files.list(folder)) {
            assertEquals(List.of("s.state"), names.map(p -> p.getFileName().toString()).toList());
        }
        assertEquals("x", Files.readString(target.resolve("inside")));
    }
}
