package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.io.IOException;
import java.nio.file.Path;
import org.junit.jupiter.api.Test;
import support.EmulatorProcess;
import vySecLink.Link;

/** Host names as the launchers pass them: registered, listed and kept across a restart. */
class HostNamesTest {
    private static final String[] HOSTS = {"two words", "tab\there", "say \"hi\"", "Zürich"};
    // By name, escaped: blanks and tabs as %XX, everything else as it is.
    private static final String LISTED = "Zürich Disk2 02B12028\n"
            + "say%20\"hi\" Disk2 02B12028\n"
            + "tab%09here Disk2 02B12028\n"
            + "two%20words Disk2 02B12028\n";

    @Test
    void everyKindIsRegisteredListedAndKept() throws IOException {
        Path state = EmulatorProcess.scratch("hosts").resolve("hosts.state");
        try (EmulatorProcess e = EmulatorProcess.withState(state)) {
            for (String host : HOSTS) {
                EmulatorProcess.Reply r = e.send("PUT", "/hosts/" + Link.segment(host), "admin", "secret",
                        "Disk2 02B12028\n");
                assertEquals("200 Disk2 02B12028 registered\n", r.toString(), host);
            }
            assertEquals("200 " + LISTED, e.get("/hosts", "admin", "secret").toString());
            assertEquals(0, e.stop());
        }
        try (EmulatorProcess e = EmulatorProcess.withState(state)) {
            assertEquals("200 " + LISTED, e.get("/hosts", "admin", "secret").toString());
        }
    }

    @Test
    void namesTheStateCannotKeepAreRefused() throws IOException {
        try (EmulatorProcess e = EmulatorProcess.inMemory()) {
            assertEquals("400 control characters in path /hosts/a%0Ab\n",
                    e.send("PUT", "/hosts/a%0Ab", "admin", "secret", "").toString());
            String longest = "h".repeat(1023);
            assertEquals(200, e.send("PUT", "/hosts/" + longest, "admin", "secret", "").status());
            assertEquals("400 bad host name " + longest + "h\n",
                    e.send("PUT", "/hosts/" + longest + "h", "admin", "secret", "").toString());
        }
    }
}
