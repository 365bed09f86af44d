package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import org.junit.jupiter.api.Test;
import support.EmulatorProcess;
import support.EmulatorProcess.Reply;

/** Requests a web page in a browser can make, and what a request may put into the log and the replies. */
class GuardTest {
    private static final String ADMIN = EmulatorProcess.basic("admin", "secret");

    /** One request with the Host given (null: none) and the other headers as they are. */
    private static Reply send(EmulatorProcess e, String method, String path, String host, String... headers)
            throws IOException {
        StringBuilder b = new StringBuilder(method + " " + path + " HTTP/1.1\r\n");
        if (host != null) {
            b.append("Host: ").append(host).append("\r\n");
        }
        for (String h : headers) {
            b.append(h).append("\r\n");
        }
        b.append("Content-Length: 0\r\nConnection: close\r\n\r\n");
        return e.raw(b.toString().getBytes(StandardCharsets.UTF_8));
    }

    private static void check(Reply r, String expected) {
        assertEquals(expected, r.toString());
    }

    @Test
    void aForeignOriginOrHostChangesNothing() throws IOException {
        Path state = EmulatorProcess.scratch("guard").resolve("guard.state");
        try (EmulatorProcess e = EmulatorProcess.withState(state)) {
            byte[] before = Files.readAllBytes(state);
            String own = e.address();
            String rebound = "rebound.example:" + e.port();
            String page = "403 a request of a web page (Origin %s) is refused\n";
            String name = "403 host %s is not a loopback address or localhost: the emulator listens on loopback only\n";
            check(send(e, "POST", "/shutdown", own, "Origin: http://evil.example"),
                    String.format(page, "http://evil.example"));
            check(send(e, "POST", "/shutdown", own, "Origin: null"), String.format(page, "null"));
            check(send(e, "POST", "/shutdown", rebound), String.format(name, rebound));
            check(send(e, "POST", "/tasks/nightly/run", rebound, "Authorization: " + ADMIN),
                    String.format(name, rebound));
            check(send(e, "POST", "/tasks/nightly/run", own, "Authorization: " + ADMIN,
                    "Origin: http://localhost:8080"), String.format(page, "http://localhost:8080"));
            check(send(e, "PUT", "/hosts/page", own, "Authorization: " + ADMIN, "Origin: http://" + rebound),
                    String.format(page, "http://" + rebound));
            check(send(e, "GET", "/tasks", "evil.example", "Authorization: " + ADMIN),
                    String.format(name, "evil.example"));
            check(send(e, "GET", "/ping", own, "Origin: http://evil.example"),
                    String.format(page, "http://evil.example"));
            check(send(e, "GET", "/hosts/demo-host/luns", "10.9.9.9"), String.format(name, "10.9.9.9"));
            assertTrue(e.isAlive(), "the emulator still runs");
            assertArrayEquals(before, Files.readAllBytes(state), "the state file is as it was");
            assertTrue(e.get("/tasks/nightly", "admin", "secret").body().startsWith("nightly idle "));
            assertEquals("200 ", e.get("/hosts", "admin", "secret").toString());

            // This machine's own names, and a page of the emulator's own origin, are served.
            for (String host : new String[] {own, "localhost:" + e.port(), "LocalHost", "127.0.0.2", "[::1]:" + e.port(),
                "[::ffff:127.0.0.1]:" + e.port(), null}) {
                assertEquals("200 admin\n", send(e, "GET", "/whoami", host, "Authorization: " + ADMIN).toString(), host);
            }
            assertEquals("200 admin\n",
                    send(e, "GET", "/whoami", own, "Authorization: " + ADMIN, "Origin: http://" + own).toString());
            // The probe's route answers any name: it tells nothing of the state.
            assertEquals(200, send(e, "GET", "/ping", rebound).status());
        }
    }

    /** Control characters of a request are shown escaped, in the reply and in the log line. */
    @Test
    void controlCharactersAreEscaped() throws IOException {
        try (EmulatorProcess e = EmulatorProcess.inMemory()) {
            Reply r = send(e, "G\u001b[2JT", "/ping", e.address());
            assertEquals("405 method G\\x1b[2JT not allowed on /ping\n", r.toString());
            r = send(e, "GET", "/ping", e.address(), "Origin: http://e\u001bvil\u007f");
            assertEquals("403 a request of a web page (Origin http://e\\x1bvil\\x7f) is refused\n", r.toString());
            r = send(e, "GET", "/tasks", "e\u0007vil", "Authorization: " + ADMIN);
            assertEquals("403 host e\\x07vil is not a loopback address or localhost: the emulator listens on loopback"
                    + " only\n", r.toString());
            r = e.send("PUT", "/hosts/esc", "admin", "secret", "Disk2 0\u001b2\n");
            assertEquals("200 Disk2 0\\x1b2 unknown\n", r.toString());
            // A disk name is kept, and listed later: one with a control character is refused.
            r = e.send("PUT", "/hosts/esc", "admin", "secret", "Disk2 02B12028\nDi\u001bsk3 03B12028\n");
            assertEquals("400 line 2: expected \"<disk> <serial>\"\n", r.toString());
            assertEquals("200 esc\n", e.get("/hosts", "admin", "secret").toString());
            String log = e.output();
            assertTrue(log.contains("\nG\\x1b[2JT /ping 405\n"), log);
            assertTrue(log.chars().noneMatch(c -> c == 0x1b || c == 0x07 || c == 0x7f), log);
        }
    }
}
