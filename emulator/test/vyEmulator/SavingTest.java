package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.List;
import java.util.stream.Collectors;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;
import support.EmulatorProcess;

/** Saving the state: a fresh file, never an existing name, the permissions kept. */
class SavingTest {
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
}
