package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.util.List;
import java.util.Set;
import java.util.concurrent.CopyOnWriteArrayList;
import org.junit.jupiter.api.Test;
import vySecLink.Failure;

/** stop tells a port where nothing listens from one where something listens but does not answer. */
class StopperTest {
    private static Failure stop(int port) throws Failure {
        Settings s = Settings.parse(List.of("--port", Integer.toString(port)), Set.of("--port"), Set.of());
        return assertThrows(Failure.class, () -> Stopper.stop(s));
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
