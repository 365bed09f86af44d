package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTimeoutPreemptively;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.sun.net.httpserver.HttpServer;
import java.io.IOException;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.nio.file.Files;
import java.nio.file.Path;
import java.time.Duration;
import java.util.Collections;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.CopyOnWriteArrayList;
import org.junit.jupiter.api.Test;
import support.ChildJava;
import support.EmulatorProcess;
import support.StreamingServer;
import vySecLink.Failure;
import vySecLink.ServerName;

/** stop tells a port where nothing listens from one where something listens but does not answer. */
class StopperTest {
    private static Failure stop(int port) throws Failure {
        Settings s = Settings.parse(List.of("--port", Integer.toString(port)), Set.of("--port"), Set.of());
        return assertThrows(Failure.class, () -> Stopper.stop(s));
    }

    private static Settings portFile(String text) throws IOException, Failure {
        Path file = Files.writeString(EmulatorProcess.scratch("port-file").resolve("port"), text);
        return Settings.parse(List.of("--port-file", file.toString()), Set.of("--port-file"), Set.of());
    }

    @Test
    void thePortFileHoldsWhatTheEmulatorWrites() throws IOException, Failure {
        assertEquals("[0:0:0:0:0:0:0:1]:41000", Stopper.address(portFile("[0:0:0:0:0:0:0:1]:41000\n")).authority());
        assertEquals("127.0.0.2:80", Stopper.address(portFile("127.0.0.2:80\n")).authority());
        for (String text : new String[] {"33045\n", "127.0.0.1:7530", "127.0.0.1:7530\r\n", " 127.0.0.1:7530\n",
            "127.0.0.1:7530\nmore\n", "localhost:7530\n", "127.1:7530\n", "127.0.0.1:07530\n", "[::1]\n", "",
            "root:$6$salt$hash:19000:0:99999:7:::\n", "0.0.0.0:7530\n"}) {
            Settings s = portFile(text);
            try {
                ServerName n = Stopper.address(s);
                // Where a stop would go, resolved (a literal only), never asked.
                throw new AssertionError(text + " is taken for " + n.authority() + (n.host().matches("[0-9.]+")
                        ? ", that is " + InetAddress.getByName(n.host()).getHostAddress() : ""));
            } catch (Failure f) {
                assertEquals(85, f.status(), text);
                // What the file holds is not shown: it may be anything the link or the name led to.
                assertEquals("port file " + s.portFile + " does not hold the line ADDRESS:PORT the emulator writes there"
                        + " (as 127.0.0.1:7530); nothing is sent", f.getMessage());
            }
        }
    }

    /** A link is not followed (not even to a good port file), a FIFO not opened; neither is shown. */
    @Test
    void aPortFileIsARegularFileOnly() throws IOException, InterruptedException, Failure {
        Path folder = EmulatorProcess.scratch("port-kinds");
        Path good = Files.writeString(folder.resolve("good"), "127.0.0.1:7530\n");
        Path secret = Files.writeString(folder.resolve("secret"), "s3cr3t-line\n");
        Path fifo = folder.resolve("fifo");
        assertEquals(0, new ProcessBuilder("mkfifo", fifo.toString()).inheritIO().start().waitFor());
        String[][] cases = {
            {Files.createSymbolicLink(folder.resolve("to-good"), good).toString(), "a link"},
            {Files.createSymbolicLink(folder.resolve("to-secret"), secret).toString(), "a link"},
            {Files.createSymbolicLink(folder.resolve("dangling"), folder.resolve("none")).toString(), "a link"},
            {fifo.toString(), "not a regular file"},
            {folder.toString(), "not a regular file"},
        };
        for (String[] c : cases) {
            Settings s = Settings.parse(List.of("--port-file", c[0]), Set.of("--port-file"), Set.of());
            Failure f = assertTimeoutPreemptively(Duration.ofSeconds(5), () -> assertThrows(Failure.class,
                    () -> Stopper.address(s)), c[0]);
            assertEquals(85, f.status(), c[0]);
            assertEquals("port file " + c[0] + " is " + c[1] + "; nothing is sent", f.getMessage());
        }
    }

    /** An address of another machine is taken from --server only, with its port: never from a port file. */
    @Test
    void stopGoesOffLoopbackOnlyWhenToldInFull() throws IOException, Failure {
        for (String text : new String[] {"10.9.9.9:1", "[2001:db8::7]:7530", "192.168.1.20:7530"}) {
            Settings s = portFile(text + "\n");
            Failure f = assertThrows(Failure.class, () -> Stopper.address(s), text);
            assertEquals(85, f.status());
            assertEquals("port file " + s.portFile + " names " + text + ", not a loopback address; only --server sends"
                    + " elsewhere; nothing is sent", f.getMessage());
        }
        Settings named = Settings.parse(List.of("--server", "10.9.9.9:7530"), Set.of("--server"), Set.of());
        assertEquals("10.9.9.9:7530", Stopper.address(named).authority());
        for (String text : new String[] {"10.9.9.9", "storage1", "[2001:db8::7]"}) {
            Settings s = Settings.parse(List.of("--server", text), Set.of("--server"), Set.of());
            Failure f = assertThrows(Failure.class, () -> Stopper.address(s), text);
            assertEquals(71, f.status());
            assertEquals("--server " + text + " names another machine: give its port too, as in " + text + ":7530",
                    f.getMessage());
        }
        assertEquals("127.0.0.1:7530", Stopper.address(
                Settings.parse(List.of("--server", "127.0.0.1"), Set.of("--server"), Set.of())).authority());
        assertEquals("localhost:7530", Stopper.address(
                Settings.parse(List.of("--server", "localhost"), Set.of("--server"), Set.of())).authority());
    }

    /** A server that streams without end: stop ends with 81 within seconds. */
    @Test
    void aStreamingServer() throws IOException, Failure {
        try (StreamingServer s = new StreamingServer("HTTP/1.1 200 OK\r\n\r\n", false)) {
            long begin = System.nanoTime();
            Failure f = stop(s.port());
            long millis = (System.nanoTime() - begin) / 1_000_000;
            assertEquals(81, f.status(), f.getMessage());
            assertEquals("unexpected reply from server 127.0.0.1:" + s.port() + ": a reply of more than 8388608 bytes",
                    f.getMessage());
            assertTrue(millis < 6_000, "took " + millis + " ms");

            ChildJava.Result r = ChildJava.emulator(Map.of("VY_EMULATOR", "127.0.0.1:" + s.port(), "VY_HOST", "h"),
                    "lanectl", "query", "device");
            assertEquals(81, r.status(), r.toString());
            assertEquals("lanectl: unexpected reply from server 127.0.0.1:" + s.port()
                    + ": a reply of more than 8388608 bytes\n", r.err());
        }
    }

    /** Any answer but "stopping PID" ends stop with 81 at once; a foreign port file sends nothing at all. */
    @Test
    void aForeignAnswerOrPortFile() throws IOException, Failure {
        List<String> requests = new CopyOnWriteArrayList<>();
        String[] body = {""};
        HttpServer server = HttpServer.create(new InetSocketAddress(InetAddress.getLoopbackAddress(), 0), 10);
        server.createContext("/", ex -> {
            requests.add(ex.getRequestMethod() + " " + ex.getRequestURI());
            ex.sendResponseHeaders(200, body[0].length());
            ex.getResponseBody().write(body[0].getBytes());
            ex.close();
        });
        server.start();
        int port = server.getAddress().getPort();
        try {
            assertEquals(85, assertThrows(Failure.class, () -> Stopper.stop(portFile("127.1:" + port + "\n"))).status());
            assertEquals(List.of(), requests);
            for (String answer : new String[] {"hello", "stopping 12x", "stopping 12\nmore"}) {
                body[0] = answer + "\n";
                long start = System.nanoTime();
                Failure f = stop(port);
                assertTrue(System.nanoTime() - start < 1_000_000_000L, answer + " took over a second");
                assertEquals("unexpected reply from 127.0.0.1:" + port + ": 200 " + answer.split("\n")[0], f.getMessage());
                assertEquals(81, f.status());
            }
            assertEquals(Collections.nCopies(3, "POST /shutdown"), requests);
        } finally {
            server.stop(0);
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
