package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.sun.net.httpserver.HttpServer;
import java.io.IOException;
import java.io.OutputStream;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import java.util.Set;
import java.util.concurrent.CopyOnWriteArrayList;
import org.junit.jupiter.api.Test;
import vySecLink.Failure;
import support.EmulatorProcess;
import vySecLink.ServerName;

/**
 * stop tells a port where nothing listens from one where something listens
 * but does not answer, takes only the emulator's own answer for one, and
 * sends nothing for a port file the emulator did not write.
 */
class StopperTest {
    private static Failure stop(int port) throws Failure {
        Settings s = Settings.parse(List.of("--port", Integer.toString(port)), Set.of("--port"), Set.of());
        return assertThrows(Failure.class, () -> Stopper.stop(s));
    }

    private static Settings portFile(String text) throws IOException, Failure {
        Path file = Files.createTempFile(EmulatorProcess.scratch("port-file"), "port", "");
        Files.writeString(file, text, StandardCharsets.UTF_8);
        return Settings.parse(List.of("--port-file", file.toString()), Set.of("--port-file"), Set.of());
    }

    /** Answers every request with 200 and BODY, and keeps each request's method and path. */
    private static HttpServer foreign(String body, List<String> requests) throws IOException {
        HttpServer server = HttpServer.create(new InetSocketAddress(InetAddress.getLoopbackAddress(), 0), 10);
        server.createContext("/", ex -> {
            requests.add(ex.getRequestMethod() + " " + ex.getRequestURI());
            byte[] bytes = body.getBytes(StandardCharsets.UTF_8);
            ex.sendResponseHeaders(200, bytes.length);
            try (OutputStream out = ex.getResponseBody()) {
                out.write(bytes);
            }
        });
        server.start();
        return server;
    }

    @Test
    void thePortFileHoldsWhatTheEmulatorWrites() throws IOException, Failure {
        assertEquals("127.0.0.1:41000", Stopper.address(portFile("127.0.0.1:41000\n")).authority());
        assertEquals("[0:0:0:0:0:0:0:1]:41000", Stopper.address(portFile("[0:0:0:0:0:0:0:1]:41000\n")).authority());
        assertEquals("0.0.0.0:1", Stopper.address(portFile("0.0.0.0:1\n")).authority());
        String[] foreign = {"33045\n", "33045", "127.0.0.1:7530", "127.0.0.1:7530\r\n", " 127.0.0.1:7530\n",
            "127.0.0.1:7530\n\n", "127.0.0.1:7530\nmore\n", "localhost:7530\n", "127.1:7530\n", "127.0.0.1\n",
            "127.0.0.1:0\n", "127.0.0.1:07530\n", "[::1]\n", "", "\n", "x".repeat(100_000)};
        for (String text : foreign) {
            Settings s = portFile(text);
            Failure f;
            try {
                ServerName n = Stopper.address(s);
                // Where a stop would have gone, resolved here (a literal only) and never asked.
                String literal = n.host().matches("[0-9.]+|.*:.*") ? ", that is "
                        + InetAddress.getByName(n.host()).getHostAddress() : "";
                throw new AssertionError("port file " + text + " is taken for " + n.authority() + literal);
            } catch (Failure e) {
                f = e;
            }
            assertEquals(85, f.status(), text);
            assertTrue(f.getMessage().startsWith("port file " + s.portFile + " holds \""), f.getMessage());
            assertTrue(f.getMessage().endsWith("\", not the line ADDRESS:PORT the emulator writes there"
                    + " (as 127.0.0.1:7530); nothing is sent"), f.getMessage());
        }
        // The content is shown as a C string literal would show its bytes.
        Settings odd = portFile("33045\r\n\t\"\\\u0001\u00e9");
        assertEquals("port file " + odd.portFile + " holds \"33045\\r\\n\\t\\\"\\\\\\x01\\xc3\\xa9\", not the line"
                + " ADDRESS:PORT the emulator writes there (as 127.0.0.1:7530); nothing is sent",
                assertThrows(Failure.class, () -> Stopper.address(odd)).getMessage());
    }

    /** A port file the emulator did not write makes stop end before it sends anything. */
    @Test
    void aForeignPortFileSendsNothing() throws IOException, Failure {
        List<String> requests = new CopyOnWriteArrayList<>();
        HttpServer server = foreign("stopping 1\n", requests);
        try {
            Settings s = portFile("127.1:" + server.getAddress().getPort() + "\n");
            assertEquals(85, assertThrows(Failure.class, () -> Stopper.stop(s)).status());
            assertEquals(List.of(), requests);
        } finally {
            server.stop(0);
        }
    }

    /** Only "stopping PID" is the emulator's agreement; any other answer ends stop with 81 at once. */
    @Test
    void aForeignAnswerEndsWith81AtOnce() throws IOException, Failure {
        for (String body : new String[] {"hello\n", "stopping\n", "stopping 12x\n", "stopping 12 now\n",
            "stopping 12\nmore\n", "vyEmulator 1.0.0 ok\n"}) {
            List<String> requests = new CopyOnWriteArrayList<>();
            HttpServer server = foreign(body, requests);
            try {
                int port = server.getAddress().getPort();
                long start = System.nanoTime();
                Failure f = stop(port);
                long millis = (System.nanoTime() - start) / 1_000_000;
                assertEquals(81, f.status(), f.getMessage());
                String first = body.substring(0, body.indexOf('\n'));
                assertEquals("unexpected reply from 127.0.0.1:" + port + ": 200 " + first, f.getMessage());
                assertTrue(millis < 1000, body + " took " + millis + " ms");
                assertEquals(List.of("POST /shutdown"), requests);
            } finally {
                server.stop(0);
            }
        }
    }

    @Test
    void nothingListening() throws IOException, Failure {
        int port;
        try (ServerSocket free = new ServerSocket(0, 1, InetAddress.getLoopbackAddress())) {
            port = free.getLocalPort();
        }
        Failure f = stop(port);
        assertEquals(70, f.status());
        assertEquals("nothing answers at 127.0.0.1:" + port, f.getMessage());
    }

    @Test
    void listeningButNotAnswering() throws IOException, Failure {
        List<Socket> held = new CopyOnWriteArrayList<>();
        try (ServerSocket mute = new ServerSocket()) {
            mute.bind(new InetSocketAddress(InetAddress.getLoopbackAddress(), 0), 10);
            int port = mute.getLocalPort();
            // Accepts, reads nothing, answers nothing.
            Thread acceptor = new Thread(() -> {
                try {
                    while (true) {
                        held.add(mute.accept());
                    }
                } catch (IOException e) {
                    // closed at the end of the test
                }
            });
            acceptor.setDaemon(true);
            acceptor.start();
            long start = System.nanoTime();
            Failure f = stop(port);
            long millis = (System.nanoTime() - start) / 1_000_000;
            assertEquals(84, f.status(), f.getMessage());
            assertEquals("127.0.0.1:" + port + " accepts connections but does not answer within 3 seconds", f.getMessage());
            assertTrue(millis < 15_000, "took " + millis + " ms");
        } finally {
            for (Socket s : held) {
                s.close();
            }
        }
    }
}
