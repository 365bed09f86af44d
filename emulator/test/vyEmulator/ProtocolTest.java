package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.util.Base64;
import java.util.Map;
import java.util.stream.Stream;
import org.junit.jupiter.api.AfterAll;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;
import support.EmulatorProcess;
import support.EmulatorProcess.Reply;

/**
 * The HTTP interface against an in-memory emulator with the sample state:
 * what each request answers, and every refusal, after which the emulator
 * still serves. The expected texts are those of vyEmulator(1)'s PROTOCOL
 * and the sample state (users admin/secret and operator/op-pass, four
 * volumes, four tasks, three disks seen by demo-host).
 */
class ProtocolTest {
    private static final String ADMIN = EmulatorProcess.basic("admin", "secret");
    private static final String SAMPLE_TASKS = "nightly idle 0 02B12028 03B12028 3 complete\n"
            + "weekly idle 0 04B12028 05B12028 5 complete\n"
            + "broken idle 0 04B12028 05B12028 2 fail\n"
            + "slow idle 0 02B12028 05B12028 600 complete\n";

    /** Only read and refused here: its state stays the sample's. */
    private static EmulatorProcess shared;

    @BeforeAll
    static void startShared() throws IOException {
        shared = EmulatorProcess.inMemory();
    }

    @AfterAll
    static void stopShared() {
        shared.close();
    }

    private static void assertReply(int status, String body, Reply r, String what) {
        assertEquals(status + " " + body, r.status() + " " + r.body(), what);
    }

    @Test
    void readsAnswerWhatTheSampleStateHolds() throws IOException {
        Reply ping = shared.get("/ping");
        assertEquals(200, ping.status());
        assertTrue(ping.body().matches("vyEmulator [0-9]+\\.[0-9]+\\.[0-9]+ ok\n"), ping.body());
        assertEquals("text/plain; charset=utf-8", ping.header("Content-Type"));

        String[][] cases = {
            {"/whoami", "admin\n"},
            {"/tasks", SAMPLE_TASKS},
            {"/tasks/weekly", "weekly idle 0 04B12028 05B12028 5 complete\n"},
            {"/volumes", "02B12028 payroll\n03B12028 payroll-copy\n04B12028 archive\n05B12028 archive-copy\n"},
            {"/volumes/archive-copy", "05B12028 archive-copy\n"},
            {"/volumes/03B12028", "03B12028 payroll-copy\n"},
            {"/volumes/payroll%2Dcopy", "03B12028 payroll-copy\n"},
            {"/hosts", ""},
        };
        for (String[] c : cases) {
            assertReply(200, c[1], shared.get(c[0], "admin", "secret"), c[0]);
        }
        assertReply(200, "operator\n", shared.get("/whoami", "operator", "op-pass"), "the other user");
        // The authentication scheme's name is not case-sensitive.
        String lower = "basic " + Base64.getEncoder().encodeToString("admin:secret".getBytes(StandardCharsets.UTF_8));
        assertReply(200, "admin\n", shared.request("GET", "/whoami", Map.of("Authorization", lower), null), "basic");

        // What a host's multipath driver sees needs no credentials.
        assertReply(200, "Disk2 02B12028\nDisk3 03B12028\nDisk4 04B12028\n", shared.get("/hosts/demo-host/luns"),
                "luns");
        assertReply(200, "", shared.get("/hosts/other-host/luns"), "a host that sees nothing");
    }

    static Stream<Arguments> refusals() {
        String noUser = "unknown user or wrong password\n";
        String longHost = "h".repeat(1024);
        return Stream.of(
                // 404: unknown paths (before credentials are asked for) and unknown names.
                Arguments.of("GET", "/nope", null, null, 404, "no such resource /nope\n"),
                Arguments.of("GET", "/nope", ADMIN, null, 404, "no such resource /nope\n"),
                Arguments.of("GET", "/tasks/", ADMIN, null, 404, "no such resource /tasks/\n"),
                Arguments.of("GET", "/tasks/nightly/stop", ADMIN, null, 404, "no such resource /tasks/nightly/stop\n"),
                Arguments.of("GET", "/hosts/a/b/c", ADMIN, null, 404, "no such resource /hosts/a/b/c\n"),
                Arguments.of("GET", "/tasks/nope", ADMIN, null, 404, "no task nope\n"),
                Arguments.of("GET", "/tasks/two%20words", ADMIN, null, 404, "no task two words\n"),
                Arguments.of("POST", "/tasks/nope/run", ADMIN, null, 404, "no task nope\n"),
                Arguments.of("GET", "/volumes/nope", ADMIN, null, 404, "no volume nope\n"),
                // 405, with the method that is allowed.
                Arguments.of("POST", "/ping", null, null, 405, "method POST not allowed on /ping\n"),
                Arguments.of("GET", "/shutdown", null, null, 405, "method GET not allowed on /shutdown\n"),
                Arguments.of("DELETE", "/tasks", ADMIN, null, 405, "method DELETE not allowed on /tasks\n"),
                Arguments.of("GET", "/tasks/nightly/run", ADMIN, null, 405,
                        "method GET not allowed on /tasks/nightly/run\n"),
                Arguments.of("POST", "/hosts/h", ADMIN, "", 405, "method POST not allowed on /hosts/h\n"),
                Arguments.of("PUT", "/volumes", ADMIN, "", 405, "method PUT not allowed on /volumes\n"),
                // 401: anything but the right user and password.
                Arguments.of("GET", "/whoami", null, null, 401, noUser),
                Arguments.of("GET", "/tasks/nope", null, null, 401, noUser),
                Arguments.of("GET", "/whoami", EmulatorProcess.basic("admin", "wrong"), null, 401, noUser),
                Arguments.of("GET", "/whoami", EmulatorProcess.basic("admin", "op-pass"), null, 401, noUser),
                Arguments.of("GET", "/whoami", EmulatorProcess.basic("admin", "secret "), null, 401, noUser),
                Arguments.of("GET", "/whoami", EmulatorProcess.basic("admin", ""), null, 401, noUser),
                Arguments.of("GET", "/whoami", EmulatorProcess.basic("nobody", "secret"), null, 401, noUser),
                Arguments.of("GET", "/whoami", "Basic !!!", null, 401, noUser),
                Arguments.of("GET", "/whoami",
                        "Basic " + Base64.getEncoder().encodeToString("adminsecret".getBytes(StandardCharsets.UTF_8)),
                        null, 401, noUser),
                Arguments.of("GET", "/whoami", "Bearer secret", null, 401, noUser),
                Arguments.of("POST", "/tasks/nightly/run", null, null, 401, noUser),
                Arguments.of("PUT", "/hosts/h", null, "Disk2 02B12028\n", 401, noUser),
                // 400: names in the path, bodies and host names that cannot be taken.
                Arguments.of("GET", "/tasks/%ff", ADMIN, null, 400, "a name in the path is not UTF-8\n"),
                Arguments.of("GET", "/tasks/a%0Ab", ADMIN, null, 400, "control characters in path /tasks/a%0Ab\n"),
                Arguments.of("GET", "/tasks/a%7Fb", ADMIN, null, 400, "control characters in path /tasks/a%7Fb\n"),
                Arguments.of("PUT", "/hosts/h", ADMIN, "Disk2\n", 400, "line 1: expected \"<disk> <serial>\"\n"),
                Arguments.of("PUT", "/hosts/h", ADMIN, "Disk2 02B12028\nDisk3 03B12028 more\n", 400,
                        "line 2: expected \"<disk> <serial>\"\n"),
                Arguments.of("PUT", "/hosts/h", ADMIN, "ABCDEFGHIJKLMNOPQRS 02B12028\n", 400,
                        "line 1: expected \"<disk> <serial>\"\n"),
                Arguments.of("PUT", "/hosts/" + longHost, ADMIN, "", 400, "bad host name " + longHost + "\n"));
    }

    /** Every refusal has its status and one-line reason, changes nothing, and the emulator goes on serving. */
    @ParameterizedTest(name = "{0} {1} -> {4}")
    @MethodSource("refusals")
    void refusalsAreAnsweredAndTheEmulatorGoesOn(String method, String path, String authorization, String body,
            int status, String reason) throws IOException {
        Map<String, String> headers = authorization == null ? Map.of() : Map.of("Authorization", authorization);
        Reply r = shared.request(method, path, headers, body);
        assertReply(status, reason, r, method + " " + path);
        if (status == 401) {
            assertEquals("Basic realm=\"vyEmulator\", charset=\"UTF-8\"", r.header("WWW-Authenticate"));
        }
        if (status == 405) {
            String allowed = switch (path) {
                case "/shutdown", "/tasks/nightly/run" -> "POST";
                case "/hosts/h" -> "PUT";
                default -> "GET";
            };
            assertEquals(allowed, r.header("Allow"), "Allow of " + path);
        }
        assertEquals(200, shared.get("/ping").status(), "still serving after " + method + " " + path);
        assertReply(200, SAMPLE_TASKS, shared.get("/tasks", "admin", "secret"), "no task started");
        assertReply(200, "", shared.get("/hosts", "admin", "secret"), "no host registered");
    }

    /**
     * Paths the HTTP layer refuses before the emulator sees them: a path
     * that is not a URI, a path that begins with "//". The reason is the
     * HTTP layer's own.
     */
    @Test
    void pathsThatAreNotUrisAreRefused() throws IOException {
        String[][] cases = {{"/tasks/%zz", "400"}, {"/tasks/abc%4", "400"}, {"/tasks/a%", "400"}, {"//ping", "404"}};
        for (String[] c : cases) {
            assertEquals(Integer.parseInt(c[1]), shared.get(c[0], "admin", "secret").status(), c[0]);
            assertEquals(200, shared.get("/ping").status(), "still serving after " + c[0]);
        }
    }

    @Test
    void aBodyThatIsNotUtf8IsRefused() throws IOException {
        ByteArrayOutputStream req = new ByteArrayOutputStream();
        req.write(("PUT /hosts/h HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: " + ADMIN
                + "\r\nContent-Length: 15\r\nConnection: close\r\n\r\n").getBytes(StandardCharsets.US_ASCII));
        req.write(new byte[] {'D', 'i', 's', 'k', '2', ' ', '0', '2', 'B', '1', (byte) 0xC3, (byte) 0x28, '2', '8', '\n'});
        assertReply(400, "the request body is not UTF-8 text\n", shared.raw(req.toByteArray()), "bad UTF-8");
        assertReply(200, "", shared.get("/hosts", "admin", "secret"), "nothing registered");
    }

    @Test
    void garbageInsteadOfARequestDoesNotStopTheEmulator() throws IOException {
        for (String junk : new String[] {"GARBAGE\r\n\r\n", "GET\r\n\r\n", "\u0000\u0001\u0002\r\n\r\n"}) {
            try {
                Reply r = shared.raw((junk + "Connection: close\r\n\r\n").getBytes(StandardCharsets.ISO_8859_1));
                assertTrue(r.status() >= 400, "junk answered " + r);
            } catch (IOException dropped) {
                // Dropping the connection is as good an answer.
            }
            assertEquals(200, shared.get("/ping").status(), "serving after " + junk.trim());
        }
    }

    /** A body of 64 KiB is taken, one byte more is refused: told by its length or found while reading it. */
    @Test
    void bodiesOver64KiBAreRefusedWith413() throws IOException {
        // 5957 lines of 11 bytes and one of 9: exactly 65536 bytes, the last volume unknown.
        String body = "D 02B12028\n".repeat(5957) + "D 0000001";
        assertEquals(65536, body.length());
        String tooLarge = "the request body is larger than 65536 bytes\n";
        try (EmulatorProcess e = EmulatorProcess.inMemory()) {
            Reply r = e.send("PUT", "/hosts/big", "admin", "secret", body);
            assertEquals(200, r.status(), r.body().lines().findFirst().orElse(""));
            assertEquals(5958, r.body().split("\n").length);
            assertTrue(r.body().endsWith("D 02B12028 registered\nD 0000001 unknown\n"));

            assertReply(413, tooLarge, e.send("PUT", "/hosts/big2", "admin", "secret", body + "\n"), "by length");
            // Announced but never sent: refused before reading.
            assertReply(413, tooLarge, e.raw(("PUT /hosts/big3 HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: " + ADMIN
                    + "\r\nContent-Length: 65537\r\nConnection: close\r\n\r\n").getBytes(StandardCharsets.US_ASCII)),
                    "announced");
            // Chunked: no length is known until the body has been read.
            byte[] chunk = (body + "\n").getBytes(StandardCharsets.US_ASCII);
            ByteArrayOutputStream req = new ByteArrayOutputStream();
            req.write(("PUT /hosts/big4 HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: " + ADMIN
                    + "\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
                    + Integer.toHexString(chunk.length) + "\r\n").getBytes(StandardCharsets.US_ASCII));
            req.write(chunk);
            req.write("\r\n0\r\n\r\n".getBytes(StandardCharsets.US_ASCII));
            assertReply(413, tooLarge, e.raw(req.toByteArray()), "chunked");

            Reply hosts = e.get("/hosts", "admin", "secret");
            assertEquals(5957, hosts.body().split("\n").length, "only the first registration is there");
            assertTrue(hosts.body().startsWith("big D 02B12028\n"));
            assertEquals(200, e.get("/ping").status());
        }
    }

    @Test
    void registrationsReplaceEarlierOnesAndAreListedByHost() throws IOException {
        try (EmulatorProcess e = EmulatorProcess.inMemory()) {
            assertReply(200, "Disk2 02B12028 registered\nDisk9 999 unknown\n",
                    e.send("PUT", "/hosts/host-b", "admin", "secret", "Disk2 02B12028\r\nDisk9 999\n"), "mixed");
            assertReply(200, "", e.send("PUT", "/hosts/host-a", "operator", "op-pass", ""), "no volumes");
            assertReply(200, "host-a\nhost-b Disk2 02B12028\n", e.get("/hosts", "admin", "secret"), "first");

            // A new registration of the same host replaces the old one; the last line needs no line end.
            assertReply(200, "Disk3 03B12028 registered\nDisk4 04B12028 registered\n",
                    e.send("PUT", "/hosts/host-b", "admin", "secret", "Disk3 03B12028\n\tDisk4   04B12028"), "again");
            assertReply(200, "host-a\nhost-b Disk3 03B12028\nhost-b Disk4 04B12028\n",
                    e.get("/hosts", "admin", "secret"), "replaced");
            // Registering changes what is registered, not what the host's driver sees.
            assertReply(200, "", e.get("/hosts/host-b/luns"), "luns unchanged");
        }
    }

    @Test
    void aRunningTaskCannotBeStartedAgain() throws IOException {
        try (EmulatorProcess e = EmulatorProcess.inMemory()) {
            String running = "slow running 0 02B12028 05B12028 600 complete\n";
            assertReply(200, running, e.send("POST", "/tasks/slow/run", "admin", "secret", null), "first run");
            assertReply(409, "task slow is already running\n", e.send("POST", "/tasks/slow/run", "admin", "secret", null),
                    "second run");
            assertReply(200, running, e.get("/tasks/slow", "operator", "op-pass"), "still the first run");
            assertEquals(200, e.get("/ping").status());
        }
    }

    /** The log names each request and its user, never a password or the credentials header. */
    @Test
    void theRequestLogHoldsNoPassword() throws IOException {
        EmulatorProcess e = EmulatorProcess.inMemory();
        try (e) {
            e.get("/whoami", "admin", "secret");
            e.get("/whoami", "admin", "hunter2");
            e.send("PUT", "/hosts/h1", "operator", "op-pass", "Disk2 02B12028\n");
            e.get("/tasks/nope", "admin", "secret");
            assertEquals(0, e.stop());
        }
        String log = e.output();
        for (String line : new String[] {"GET /whoami 200 admin\n", "GET /whoami 401\n", "PUT /hosts/h1 200 operator\n",
            "GET /tasks/nope 404 admin\n", "POST /shutdown 200\n"}) {
            assertTrue(log.contains(line), "log lacks " + line + ":\n" + log);
        }
        for (String secret : new String[] {"secret", "hunter2", "op-pass", "Basic", "YWRtaW46"}) {
            assertFalse(log.contains(secret), "log shows " + secret + ":\n" + log);
        }
    }
}
