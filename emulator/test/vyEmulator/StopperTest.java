package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.sun.net.httpserver.HttpServer;
import java.io.IOException;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Collections;
import java.util.List;
import java.util.Set;
import java.util.concurrent.CopyOnWriteArrayList;
import org.junit.jupiter.api.Test;
import support.EmulatorProcess;
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
        for (String text : new String[] {"33045\n", "127.0.0.1:7530", "127.0.0.1:7530\r\n", " 127.0.0.1:7530\n",
            "127.0.0.1:7530\nmore\n", "localhost:7530\n", "127.1:7530\n", "127.0.0.1:07530\n", "[::1]\n", ""}) {
            Settings s = portFile(text);
            try {
                ServerName n = Stopper.address(s);
                // Where a stop would go, resolved (a literal only), never asked.
                throw new AssertionError(text + " is taken for " + n.authority() + (n.host().matches("[0-9.]+")
                        ? ", that is " + InetAddress.getByName(n.host()).getHostAddress() : ""));
            } catch (Failure f) {
                assertEquals(85, f.status(), text);
                assertEquals("port file " + s.portFile + " holds \"" + text.replace("\n", "\\n").replace("\r", "\\r")
                        + "\", not the line ADDRESS:PORT the emulator writes there (as 127.0.0.1:7530); nothing is sent",
                        f.getMessage());
            }
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
