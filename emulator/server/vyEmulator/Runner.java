package vyEmulator;

import com.sun.net.httpserver.HttpServer;
import java.io.IOException;
import java.net.InetAddress;
import java.net.InetSocketAddress;
import java.net.UnknownHostException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.atomic.AtomicBoolean;
import vySecLink.Failure;
import vySecLink.ServerName;
import vySecLink.Status;

/** "run": loads the state and serves it in the foreground until /shutdown, a signal or --stop-after. */
final class Runner {
    private static final int THREADS = 4;

    private Runner() {
    }

    static int run(Settings o) throws Failure {
        // The JDK's server writes a reply's headers and body in separate
        // writes; with Nagle's algorithm on the socket, the body then waits
        // for the client's delayed acknowledgement (about 40 ms on Linux) on
        // every request of a reused connection. The server reads the property
        // once, when the first one is created.
        System.setProperty("sun.net.httpserver.nodelay", "true");
        Path file = null;
        State state;
        if (o.inMemory) {
            state = StateFile.parse("built-in sample state", Main.sampleState());
        } else {
            file = Path.of(o.stateFile());
            if (!Files.exists(file)) {
                create(file);
            }
            state = StateFile.read(file);
        }

        InetAddress address = address(o.bind != null ? o.bind : "127.0.0.1");
        int port = o.port != null ? o.port : ServerName.DEFAULT_PORT;
        HttpServer server;
        try {
            server = HttpServer.create(new InetSocketAddress(address, port), 50);
        } catch (IOException e) {
            throw new Failure(Status.CANNOT_LISTEN, "cannot listen on " + ServerName.of(address.getHostAddress(), port)
                    + ": " + e.getMessage());
        }
        CountDownLatch stopRequested = new CountDownLatch(1);
        server.createContext("/", new Api(state, file, stopRequested::countDown));
        ExecutorService pool = Executors.newFixedThreadPool(THREADS);
        server.setExecutor(pool);
        server.start();

        AtomicBoolean stopped = new AtomicBoolean();
        // SIGINT, SIGTERM: every change is saved already, only the socket is closed.
        Runtime.getRuntime().addShutdownHook(new Thread(() -> {
            if (stopped.compareAndSet(false, true)) {
                System.out.println("vyEmulator: stopping on a signal");
                server.stop(0);
            }
        }));

        ServerName where = ServerName.of(address.getHostAddress(), server.getAddress().getPort());
        System.out.println("vyEmulator: listening on " + where);
        try {
            if (o.portFile != null) {
                StateFile.save(Path.of(o.portFile), where + "\n");
            }
            if (o.readyFile != null) {
                StateFile.save(Path.of(o.readyFile), where + "\n");
            }
        } catch (IOException | RuntimeException e) {
            stopped.set(true);
            server.stop(0);
            pool.shutdownNow();
            throw new Failure(Status.CANNOT_LISTEN, "cannot write the port file: " + e);
        }

        if (o.stopAfter != null) {
            long millis = o.stopAfterMillis();
            Thread timer = new Thread(() -> {
                try {
                    Thread.sleep(millis);
                    System.out.println("vyEmulator: stopping after " + o.stopAfter + " minutes");
                    stopRequested.countDown();
                } catch (InterruptedException e) {
                    Thread.currentThread().interrupt();
                }
            }, "stop-after");
            timer.setDaemon(true);
            timer.start();
        }

        try {
            stopRequested.await();
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
        if (stopped.compareAndSet(false, true)) {
            // A second to let the reply to /shutdown leave; new requests are refused meanwhile.
            server.stop(1);
            pool.shutdownNow();
            System.out.println("vyEmulator: stopped");
        }
        return 0;
    }

    /** A state file that does not exist yet starts as the sample state. */
    private static void create(Path file) throws Failure {
        try {
            StateFile.save(file, StateFile.HEADER + new String(Main.sampleState(), StandardCharsets.UTF_8));
        } catch (IOException e) {
            throw new Failure(Status.BAD_STATE_FILE, file + ": cannot be created (" + e + ")");
        }
        System.out.println("vyEmulator: created " + file + " from the sample state");
    }

    private static InetAddress address(String text) throws Failure {
        try {
            return InetAddress.getByName(text);
        } catch (UnknownHostException e) {
            throw new Failure(Status.BAD_ARGUMENT, "bad value " + text + " for --bind");
        }
    }
}
