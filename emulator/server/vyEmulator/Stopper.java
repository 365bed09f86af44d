package vyEmulator;

import java.io.IOException;
import java.net.InetSocketAddress;
import java.net.Socket;
import java.nio.file.Path;
import java.time.Duration;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import vySecLink.Failure;
import vySecLink.Link;
import vySecLink.ServerName;
import vySecLink.Status;

/**
 * "stop": POST /shutdown to a running emulator, then waits until it no longer
 * answers. 70 when nothing listens there, 84 when something accepts the
 * connection but gives no answer in time, 81 at once for an answer that is
 * not the emulator's "stopping PID".
 */
final class Stopper {
    private static final Duration TIME_OUT = Duration.ofSeconds(3);
    private static final long WAIT_MILLIS = 10_000;
    private static final long POLL_MILLIS = 200;
    /** The emulator's answer to POST /shutdown. */
    private static final Pattern AGREED = Pattern.compile("stopping ([1-9][0-9]{0,17})\n");

    private Stopper() {
    }

    static int stop(Settings o) throws Failure {
        ServerName address = address(o);
        Link link = new Link(address, null, TIME_OUT, TIME_OUT);
        Link.Reply r;
        try {
            r = link.post("/shutdown");
        } catch (Failure f) {
            if (f.status() != Status.NO_ANSWER) {
                throw f; // an answer, but not one of HTTP or too large: no emulator
            }
            r = null;
        }
        if (r == null) {
            if (accepts(address)) {
                throw new Failure(Exit.NOT_ANSWERING, address.authority() + " accepts connections but does not answer within "
                        + TIME_OUT.toSeconds() + " seconds");
            }
            throw new Failure(Status.NO_ANSWER, "nothing answers at " + address.authority());
        }
        // Only the emulator's own agreement: anything else is no emulator, and is not waited for.
        Matcher agreed = AGREED.matcher(r.body);
        if (r.status != 200 || !agreed.matches()) {
            throw new Failure(Status.UNEXPECTED_REPLY, "unexpected reply from " + address.authority() + ": " + r.status + " "
                    + r.firstLine());
        }
        long deadline = System.nanoTime() + WAIT_MILLIS * 1_000_000L;
        while (System.nanoTime() < deadline) {
            if (ask(link, "/ping") == null) {
                awaitEnd(Long.parseLong(agreed.group(1)), deadline);
                System.out.println("vyEmulator: stopped " + address.authority());
                return 0;
            }
            try {
                Thread.sleep(POLL_MILLIS);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
                break;
            }
        }
        throw new Failure(Status.UNEXPECTED_REPLY, address.authority() + " still answers " + WAIT_MILLIS / 1000
                + " seconds after it was asked to stop");
    }

    /**
     * The address to stop: --server, --port, the port file's, or
     * 127.0.0.1:7530. Nothing is sent. Only --server names another machine,
     * and then with its port: a stop goes off the machine only when asked in full.
     */
    static ServerName address(Settings o) throws Failure {
        int given = (o.server != null ? 1 : 0) + (o.port != null ? 1 : 0) + (o.portFile != null ? 1 : 0);
        if (given > 1) {
            throw new Failure(Status.BAD_ARGUMENT, "give only one of --server, --port and --port-file");
        }
        if (o.server != null) {
            ServerName name = ServerName.parse(o.server);
            if (!name.isLoopback() && !name.host().equals("localhost") && !o.server.equals(name.authority())) {
                throw new Failure(Status.BAD_ARGUMENT, "--server " + o.server + " names another machine: give its port"
                        + " too, as in " + name.authority());
            }
            return name;
        } else if (o.port != null) {
            if (o.port == 0) {
                throw new Failure(Status.BAD_ARGUMENT, "bad value 0 for --port");
            }
            return ServerName.of("127.0.0.1", o.port);
        } else if (o.portFile != null) {
            return PortFile.read(Path.of(o.portFile));
        } else {
            return ServerName.of("127.0.0.1", ServerName.DEFAULT_PORT);
        }
    }

    /**
     * Waits, until the deadline at most, for the process named in the reply
     * "stopping PID" to end, so that a script that stops the emulator leaves
     * no process behind. A process of another machine is not found here and
     * not waited for.
     */
    private static void awaitEnd(long pid, long deadline) {
        while (System.nanoTime() < deadline && ProcessHandle.of(pid).map(ProcessHandle::isAlive).orElse(false)) {
            try {
                Thread.sleep(POLL_MILLIS / 4);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
                return;
            }
        }
    }

    /** Whether something listens at the address: a connection is accepted there. */
    private static boolean accepts(ServerName address) {
        try (Socket s = new Socket()) {
            s.connect(new InetSocketAddress(address.host(), address.port()), (int) TIME_OUT.toMillis());
            return true;
        } catch (IOException | RuntimeException e) {
            return false;
        }
    }

    /** The reply, or null when nothing answers (or answers otherwise than HTTP). */
    private static Link.Reply ask(Link link, String path) {
        try {
            return link.get(path);
        } catch (Failure f) {
            return null;
        }
    }
}
