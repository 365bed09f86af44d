import java.io.BufferedInputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.net.InetSocketAddress;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Base64;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.Set;
import java.util.TreeSet;
import vySecLink.Credentials;
import vySecLink.Failure;
import vySecLink.Link;
import vySecLink.ServerName;

/**
 * The stall guard of the benchmark (scripts/bench.py):
 *   java -cp vySecLink.jar bench/StallGuard.java HOST:PORT ROUNDS
 * against an emulator with its sample state. ROUNDS times GET /ping, GET
 * /tasks, PUT /hosts/demo-host and POST /tasks/nightly/run, each request
 * timed from its first byte sent to its last byte received, by two clients:
 *   socket  a plain socket that keeps one connection, each request sent in
 *           one write, Nagle's algorithm left on as most clients leave it;
 *   Link    the client classes' Link, which opens a connection for each
 *           request and whose PUT and POST send the headers and the body in
 *           separate writes.
 * The first round of each client warms both sides up and is not judged.
 * A reply that waits for a delayed acknowledgement takes about 40 ms, every
 * time; a busy machine slows a request now and then. So a kind of request
 * that takes LIMIT_MS or more is measured again, up to ATTEMPTS runs in all,
 * and the guard exits 1 when that kind had such a request in every run; 3
 * when a request fails.
 */
public final class StallGuard {
    static final double LIMIT_MS = 30.0;
    static final int ATTEMPTS = 3;
    static final String USER = "admin";
    static final String PASSWORD = "secret";
    static final String HOST_BODY = "Disk2 02B12028\n";

    /** One kind of request: what it sends and the statuses it may get. */
    record Kind(String label, String method, String path, String body, boolean credentials, Set<Integer> statuses) {
    }

    static final List<Kind> KINDS = List.of(
            new Kind("GET /ping", "GET", "/ping", null, false, Set.of(200)),
            new Kind("GET /tasks", "GET", "/tasks", null, true, Set.of(200)),
            new Kind("PUT /hosts/demo-host", "PUT", "/hosts/demo-host", HOST_BODY, true, Set.of(200)),
            // 409 while the task runs from an earlier round.
            new Kind("POST /tasks/nightly/run", "POST", "/tasks/nightly/run", "", true, Set.of(200, 409)));

    public static void main(String[] args) throws Exception {
        if (args.length != 2) {
            System.err.println("usage: java -cp vySecLink.jar StallGuard.java HOST:PORT ROUNDS");
            System.exit(2);
        }
        ServerName server;
        try {
            server = ServerName.parse(args[0]);
        } catch (Failure e) {
            System.err.println("stall guard: " + e.getMessage());
            System.exit(2);
            return;
        }
        int rounds = args[1].matches("[0-9]{1,5}") ? Integer.parseInt(args[1]) : 0;
        if (rounds < 2 || rounds > 10_000) {
            System.err.println("stall guard: ROUNDS is 2 to 10000");
            System.exit(2);
        }
        Set<String> stalled = null;
        for (int attempt = 1; attempt <= ATTEMPTS; attempt++) {
            Set<String> slow;
            try {
                slow = attempt(server, rounds, attempt);
            } catch (IOException | Failure e) {
                // Not a stall: the benchmark stops on it rather than reporting a missed budget.
                System.err.println("stall guard: " + e.getMessage());
                System.exit(3);
                return;
            }
            if (stalled == null) {
                stalled = slow;
            } else {
                stalled.retainAll(slow);
            }
            if (stalled.isEmpty()) {
                System.out.println("stall guard: no stall");
                System.exit(0);
            }
        }
        System.out.println("stall guard: STALLED: " + String.join(", ", stalled) + " took " + LIMIT_MS
                + " ms or more on a reused connection in each of " + ATTEMPTS + " runs");
        System.exit(1);
    }

    /** One run of both clients; returns the kinds that had a request of LIMIT_MS or more. */
    static Set<String> attempt(ServerName server, int rounds, int attempt) throws IOException, Failure {
        Map<String, double[]> times = new LinkedHashMap<>();
        try (PlainClient plain = new PlainClient(server)) {
            measure("socket", rounds, plain::send, times);
        }
        Link link = new Link(server, new Credentials(USER, PASSWORD));
        measure("Link", rounds, kind -> viaLink(link, kind), times);

        Set<String> slow = new TreeSet<>();
        for (Map.Entry<String, double[]> e : times.entrySet()) {
            double[] t = e.getValue().clone();
            Arrays.sort(t);
            double slowest = t[t.length - 1];
            if (slowest >= LIMIT_MS) {
                slow.add(e.getKey());
            }
            System.out.printf(Locale.ROOT, "stall guard: run %d: %-32s %d on one connection, median %.2f ms, slowest %.2f ms%s%n",
                    attempt, e.getKey(), t.length, t[t.length / 2], slowest, slowest >= LIMIT_MS ? " (slow)" : "");
        }
        return slow;
    }

    interface Sender {
        int send(Kind kind) throws IOException, Failure;
    }

    /** Rounds of every kind, interleaved as a client's requests are; the first round is not kept. */
    static void measure(String client, int rounds, Sender sender, Map<String, double[]> times)
            throws IOException, Failure {
        for (Kind k : KINDS) {
            times.put(client + " " + k.label(), new double[rounds - 1]);
        }
        for (int round = 0; round < rounds; round++) {
            for (Kind k : KINDS) {
                long start = System.nanoTime();
                int status = sender.send(k);
                double ms = (System.nanoTime() - start) / 1e6;
                if (!k.statuses().contains(status)) {
                    throw new IOException(client + " " + k.label() + ": status " + status + ", expected " + k.statuses());
                }
                if (round > 0) {
                    times.get(client + " " + k.label())[round - 1] = ms;
                }
            }
        }
    }

    static int viaLink(Link link, Kind kind) throws Failure {
        return switch (kind.method()) {
            case "GET" -> link.get(kind.path()).status;
            case "PUT" -> link.put(kind.path(), kind.body()).status;
            default -> link.post(kind.path()).status;
        };
    }

    /** HTTP/1.1 on one socket; a reply that would close it is a failure, so every request reuses it. */
    static final class PlainClient implements AutoCloseable {
        private final Socket socket = new Socket();
        private final OutputStream out;
        private final InputStream in;
        private final String host;
        private final String authorization;

        PlainClient(ServerName server) throws IOException {
            socket.connect(new InetSocketAddress(server.host(), server.port()), 3000);
            socket.setSoTimeout(10_000);
            out = socket.getOutputStream();
            in = new BufferedInputStream(socket.getInputStream());
            host = server.authority();
            authorization = "Basic " + Base64.getEncoder()
                    .encodeToString((USER + ":" + PASSWORD).getBytes(StandardCharsets.UTF_8));
        }

        int send(Kind kind) throws IOException {
            byte[] body = kind.body() == null ? new byte[0] : kind.body().getBytes(StandardCharsets.UTF_8);
            StringBuilder head = new StringBuilder();
            head.append(kind.method()).append(' ').append(kind.path()).append(" HTTP/1.1\r\n");
            head.append("Host: ").append(host).append("\r\n");
            if (kind.credentials()) {
                head.append("Authorization: ").append(authorization).append("\r\n");
            }
            if (kind.body() != null) {
                head.append("Content-Type: text/plain; charset=utf-8\r\n");
                head.append("Content-Length: ").append(body.length).append("\r\n");
            }
            head.append("\r\n");
            byte[] headBytes = head.toString().getBytes(StandardCharsets.US_ASCII);
            byte[] request = Arrays.copyOf(headBytes, headBytes.length + body.length);
            System.arraycopy(body, 0, request, headBytes.length, body.length);
            out.write(request);
            out.flush();
            return readReply(kind);
        }

        private int readReply(Kind kind) throws IOException {
            List<String> lines = new ArrayList<>();
            for (String line = readLine(); !line.isEmpty(); line = readLine()) {
                lines.add(line);
                if (lines.size() > 100) {
                    throw new IOException(kind.label() + ": more than 100 header lines");
                }
            }
            if (lines.isEmpty() || !lines.get(0).startsWith("HTTP/1.1 ")) {
                throw new IOException(kind.label() + ": not an HTTP/1.1 reply: " + lines);
            }
            int status = Integer.parseInt(lines.get(0).substring(9, 12));
            long length = -1;
            for (String line : lines.subList(1, lines.size())) {
                String lower = line.toLowerCase(Locale.ROOT);
                if (lower.startsWith("content-length:")) {
                    length = Long.parseLong(line.substring("content-length:".length()).trim());
                } else if (lower.startsWith("connection:") && lower.contains("close")) {
                    throw new IOException(kind.label() + ": the server closes the connection");
                } else if (lower.startsWith("transfer-encoding:")) {
                    throw new IOException(kind.label() + ": a chunked reply; the emulator gives lengths");
                }
            }
            if (length < 0 || length > 1 << 20) {
                throw new IOException(kind.label() + ": no usable Content-Length: " + lines);
            }
            if (in.readNBytes((int) length).length != length) {
                throw new IOException(kind.label() + ": the reply ends early");
            }
            return status;
        }

        private String readLine() throws IOException {
            StringBuilder line = new StringBuilder();
            for (int c = in.read(); c != '\n'; c = in.read()) {
                if (c < 0) {
                    throw new IOException("the server closed the connection");
                }
                if (line.length() > 8192) {
                    throw new IOException("a header line of more than 8192 bytes");
                }
                if (c != '\r') {
                    line.append((char) c);
                }
            }
            return line.toString();
        }

        @Override
        public void close() throws IOException {
            socket.close();
        }
    }
}
