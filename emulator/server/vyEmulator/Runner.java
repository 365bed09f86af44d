package vyEmulator;

import com.sun.net.httpserver.HttpServer;
import java.io.IOException;
import java.net.Inet6Address;
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
    /** A request must have arrived whole, head and body, this many seconds after its first byte. */
    static final int REQUEST_SECONDS = 10;
    /** Connections open at once, idle ones included; more are closed as soon as they are accepted. */
    static final int MOST_CONNECTIONS = 256;

    private Runner() {
    }

    static int run(Settings o) throws Failure {
        // A bad address is refused before a missing state file is created.
        InetAddress address = bindAddress(o.bind);
        warnOffLoopback(address, o.bind);
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

        int port = o.port != null ? o.port : ServerName.DEFAULT_PORT;
        limitClients();
        HttpServer server;
        try {
            server = HttpServer.create(new InetSocketAddress(address, port), 50);
        } catch (IOException e) {
            throw new Failure(Exit.CANNOT_LISTEN, "cannot listen on " + ServerName.of(address.getHostAddress(), port)
                    + ": " + e.getMessage());
        }
        CountDownLatch stopRequested = new CountDownLatch(1);
        server.createContext("/", new Api(state, file, stopRequested::countDown, address.isLoopbackAddress()));
        // The JDK's server reads a request on the worker thread that serves it,
        // so a client that stops sending holds its worker until the request
        // time runs out. A worker per connection that needs one, never a fixed
        // few: the bound on connections bounds the threads too.
        ExecutorService pool = Executors.newCachedThreadPool();
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
                // Bound to every address, the emulator is reached here on the loopback one.
                PortFile.write(Path.of(o.portFile), !address.isAnyLocalAddress() ? where : ServerName.of(
                        address instanceof Inet6Address ? "0:0:0:0:0:0:0:1" : "127.0.0.1", where.port()));
            }
            if (o.readyFile != null) {
                PortFile.write(Path.of(o.readyFile), where);
            }
        } catch (IOException | RuntimeException e) {
            stopped.set(true);
            server.stop(0);
            pool.shutdownNow();
            throw new Failure(Exit.CANNOT_LISTEN, "cannot write the port file: " + e);
        }

        if (o.stopAfter != null) {
            long millis = o.stopAfterMillis;
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

    /**
     * The JDK server's own limits, read once when its classes load, so set
     * before the first server is made (a -D given on the command line wins):
     * a request not received whole within REQUEST_SECONDS is dropped (its
     * connection closed, its worker freed), a connection that sends nothing
     * is closed after as long, and at most MOST_CONNECTIONS are open at once.
     * The server writes a reply's headers and body in separate writes; with
     * Nagle's algorithm on the socket the body would wait for the client's
     * delayed acknowledgement (about 40 ms on Linux) on every request of a
     * reused connection, hence TCP_NODELAY.
     */
    private static void limitClients() {
        setDefault("sun.net.httpserver.maxReqTime", Integer.toString(REQUEST_SECONDS));
        setDefault("jdk.httpserver.maxConnections", Integer.toString(MOST_CONNECTIONS));
        System.setProperty("sun.net.httpserver.nodelay", "true");
    }

    private static void setDefault(String property, String value) {
        if (System.getProperty(property) == null) {
            System.setProperty(property, value);
        }
    }

    /** A state file that does not exist yet starts as the sample state. */
    private static void create(Path file) throws Failure {
        try {
            StateFile.save(file, StateFile.HEADER + new String(Main.sampleState(), StandardCharsets.UTF_8));
        } catch (IOException e) {
            throw new Failure(Exit.BAD_STATE_FILE, file + ": cannot be created (" + e + ")");
        }
        System.out.println("vyEmulator: created " + file + " from the sample state");
    }

    /**
     * The address of --bind (default 127.0.0.1): an IP address in numbers
     * only, so that no name is looked up and "0" is not taken for every
     * address; every address is asked for as 0.0.0.0 or ::.
     */
    static InetAddress bindAddress(String text) throws Failure {
        if (text == null) {
            return InetAddress.getLoopbackAddress();
        }
        String literal = text.startsWith("[") && text.endsWith("]") ? text.substring(1, text.length() - 1) : text;
        if (!ServerName.isIpv4(literal) && !ServerName.isIpv6(literal)) {
            throw new Failure(Status.BAD_ARGUMENT, "bad value " + text + " for --bind: an IP address in numbers, as"
                    + " 127.0.0.1 or ::1 (0.0.0.0 or :: for every address)");
        }
        try {
            return InetAddress.getByName(literal); // a literal: nothing is looked up
        } catch (UnknownHostException e) {
            throw new Failure(Status.BAD_ARGUMENT, "bad value " + text + " for --bind");
        }
    }

    /** The first line of run and start when the emulator is reachable from elsewhere. */
    static void warnOffLoopback(InetAddress address, String given) {
        if (!address.isLoopbackAddress()) {
            System.out.println("vyEmulator: listening on " + given + ", not on the loopback address: the state file's"
                    + " passwords can be reached from the network");
        }
    }
}
