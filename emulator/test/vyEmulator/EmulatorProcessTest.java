package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import org.junit.jupiter.api.Test;
import support.EmulatorProcess;

/** The test fixture itself: it starts an emulator that answers, and leaves no process behind. */
class EmulatorProcessTest {
    @Test
    void startsAnsweringAndStopsCleanly() throws IOException {
        EmulatorProcess e = EmulatorProcess.inMemory();
        try (e) {
            assertTrue(e.port() > 0);
            EmulatorProcess.Reply ping = e.get("/ping");
            assertEquals(200, ping.status());
            assertTrue(ping.body().startsWith("vyEmulator ") && ping.body().endsWith(" ok\n"), ping.body());
            assertEquals("admin\n", e.get("/whoami", "admin", "secret").body());
            assertEquals(0, e.stop());
        }
        assertFalse(e.isAlive());
        assertTrue(e.output().contains("vyEmulator: stopped"), e.output());
    }

    @Test
    void killLeavesNoProcess() throws IOException {
        EmulatorProcess e = EmulatorProcess.inMemory();
        try (e) {
            e.kill();
            assertFalse(e.isAlive());
            assertEquals(137, e.process().exitValue()); // 128 + SIGKILL
        }
    }
}
