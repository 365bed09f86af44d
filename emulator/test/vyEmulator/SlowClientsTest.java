package vyEmulator;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.io.InputStream;
import java.net.InetSocketAddress;
import java.net.Socket;
import java.net.SocketException;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.parallel.Isolated;
import support.EmulatorProcess;

/**
 * Clients that start a request and never finish it, and clients that
 * connect and send nothing, delay no one else; the unfinished requests are
 * dropped after the request time (10 s). Run alone: the time /ping takes
 * is measured, and the other test classes' runtimes would compete for the
 * processors.
 */
@Isolated
class SlowClientsTest {
    private static final String AUTH = "Authorization: " + EmulatorProcess.basic("admin", "secret") + "\r\n";

    private static Socket open(EmulatorProcess e, String start) throws IOException {
        Socket s = new Socket();
        s.connect(new InetSocketAddress(e.host(), e.port()), 5_000);
        if (!start.isEmpty()) {
            s.getOutputStream().write(start.getBytes(StandardCharsets.UTF_8));
            s.getOutputStream().flush();
        }
        return s;
    }

    /** 10 requests cut inside the head, 10 inside the body, 20 connections that send nothing. */
    private static List<Socket> holdForty(EmulatorProcess e) throws IOException {
        List<Socket> held = new ArrayList<>();
        for (int i = 0; i < 10; i++) {
            held.add(open(e, "GET /ping HTTP/1.1\r\nHost: x\r\n"));
            held.add(open(e, "PUT /hosts/h" + i + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + AUTH
                    + "Content-Length: 100\r\n\r\nDisk2 02B"));
        }
        for (int i = 0; i < 20; i++) {
            held.add(open(e, ""));
        }
        return held;
    }

    private static void closeAll(List<Socket> sockets) throws IOException {
        for (Socket s : sockets) {
            s.close();
        }
    }

    @Test
    void othersAreServedAtOnceAndTheUnfinishedAreDropped() throws IOException, InterruptedException {
        try (EmulatorProcess e = EmulatorProcess.inMemory()) {
            assertEquals(200, e.get("/ping").status()); // the emulator's first request is slower
            List<Socket> held = holdForty(e);
            try {
                Thread.sleep(500); // every held request has reached a worker
                for (int i = 0; i < 5; i++) {
                    long start = System.nanoTime();
                    assertEquals(200, e.get("/ping").status());
                    long millis = (System.nanoTime() - start) / 1_000_000;
                    assertTrue(millis < 1_000, "/ping took " + millis + " ms");
                }
                assertEquals(200, e.send("POST", "/tasks/nightly/run", "admin", "secret", "").status());

                // A request cut inside its body ends without an answer
                // between 10 s and 10 s plus the server's tick after its start.
                Socket cut = held.get(1);
                cut.setSoTimeout(25_000);
                long start = System.nanoTime();
                int got = read(cut.getInputStream());
                long millis = (System.nanoTime() - start) / 1_000_000;
                assertEquals(-1, got, "the unfinished request got an answer");
                assertTrue(millis > 7_000 && millis < 15_000, "dropped after " + millis + " ms");
                // Nothing was registered for the cut bodies.
                assertEquals("200 ", e.get("/hosts", "admin", "secret").toString());
            } finally {
                closeAll(held);
            }
        }
    }

    @Test
    void stopStopsWhileClientsHoldConnections() throws IOException, InterruptedException {
        try (EmulatorProcess e = EmulatorProcess.inMemory()) {
            List<Socket> held = holdForty(e);
            try {
                Process stop = new ProcessBuilder(EmulatorProcess.java(), "-jar",
                        EmulatorProcess.javaDir().resolve("vyEmulator.jar").toString(), "stop", "--port",
                        Integer.toString(e.port())).redirectErrorStream(true).start();
                String out = new String(stop.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
                assertEquals(0, stop.waitFor(), out);
                assertEquals("vyEmulator: stopped 127.0.0.1:" + e.port() + "\n", out);
                assertTrue(e.process().waitFor(5, java.util.concurrent.TimeUnit.SECONDS), "the emulator still runs");
            } finally {
                closeAll(held);
            }
        }
    }

    /** The next byte, or -1 at the end; a reset counts as the end. */
    private static int read(InputStream in) throws IOException {
        try {
            return in.read();
        } catch (SocketException reset) {
            return -1;
        }
    }
}
