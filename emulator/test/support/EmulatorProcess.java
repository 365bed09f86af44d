package support;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.net.InetSocketAddress;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Base64;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * An emulator started for one test: {@code java -jar vyEmulator.jar run --port 0
 * --port-file F} plus the options given, in a process of its own. It is ready
 * once it has written its port file. Its standard output and error go to a log
 * file ({@link #output()}). Closing it stops it (POST /shutdown, then kill -9
 * when it does not end in time): no test leaves a process behind.
 *
 * <pre>
 * try (EmulatorProcess e = EmulatorProcess.start("--in-memory")) {
 *     EmulatorProcess.Reply r = e.get("/whoami", "admin", "secret");
 * }
 * </pre>
 */
public final class EmulatorProcess implements AutoCloseable {
    /** How long the emulator has to listen, and a request to be answered. */
    public static final long START_MILLIS = 20_000;
    public static final int REQUEST_MILLIS = 10_000;
    private static final long STOP_MILLIS = 10_000;

    /**
     * Options of the runtimes the tests start: they run for a moment only,
     * so the quick compiler alone and the serial collector spare the CPU.
     */
    public static final List<String> QUICK_START = List.of("-XX:TieredStopAtLevel=1", "-XX:+UseSerialGC");

    private static final AtomicInteger SERIAL = new AtomicInteger();

    /** A reply: its status, its headers (names in lower case) and its body as UTF-8 text. */
    public record Reply(int status, Map<String, List<String>> headers, String body) {
        /** The first value of a header, or null. */
        public String header(String name) {
            List<String> v = headers.get(name.toLowerCase(Locale.ROOT));
            return v == null || v.isEmpty() ? null : v.get(0);
        }

        @Override
        public String toString() {
            return status + " " + body;
        }
    }

    private final Process process;
    private final Path folder;
    private final Path log;
    private final int port;

    private EmulatorProcess(Process process, Path folder, Path log, int port) {
        this.process = process;
        this.folder = folder;
        this.log = log;
        this.port = port;
    }

    /** The folder of the built jars (system property vy.java.dir). */
    public static Path javaDir() {
        String dir = System.getProperty("vy.java.dir");
        if (dir == null) {
            throw new IllegalStateException("the system property vy.java.dir (the built jars' folder) is not set");
        }
        return Path.of(dir);
    }

    /** A new empty folder under vy.work (or the system's temporary folder) for one test. */
    public static Path scratch(String name) throws IOException {
        String work = System.getProperty("vy.work");
        Path base = work != null ? Path.of(work) : Path.of(System.getProperty("java.io.tmpdir"), "vy-java-tests");
        Files.createDirectories(base);
        return Files.createTempDirectory(base.toAbsolutePath(), name + "-");
    }

    /** The Java runtime that runs the tests. */
    public static String java() {
        return Path.of(System.getProperty("java.home"), "bin", "java").toString();
    }

    /**
     * Starts an emulator with the given options of run ("--in-memory", or
     * "--state", FILE, ...) and waits until it listens. Fails (IOException,
     * with the emulator's output) when it ends or does not listen in time.
     */
    public static EmulatorProcess start(String... options) throws IOException {
        Path folder = scratch("emulator");
        Path portFile = folder.resolve("port");
        Path log = folder.resolve("output.log");
        List<String> command = new ArrayList<>(List.of(java()));
        command.addAll(QUICK_START);
        command.addAll(List.of("-jar", javaDir().resolve("vyEmulator.jar").toString(),
                "run", "--port", "0", "--port-file", portFile.toString()));
        command.addAll(List.of(options));
        ProcessBuilder pb = new ProcessBuilder(command).directory(folder.toFile());
        pb.redirectInput(ProcessBuilder.Redirect.from(new java.io.File(nullDevice())));
        pb.redirectOutput(log.toFile());
        pb.redirectErrorStream(true);
        Process p = pb.start();
        long deadline = System.nanoTime() + TimeUnit.MILLISECONDS.toNanos(START_MILLIS);
        try {
            while (System.nanoTime() < deadline) {
                // The port file is written whole (by renaming): once it is there, it can be read.
                if (Files.exists(portFile)) {
                    String where = Files.readString(portFile, StandardCharsets.UTF_8).trim();
                    int colon = where.lastIndexOf(':');
                    int port = Integer.parseInt(where.substring(colon + 1));
                    return new EmulatorProcess(p, folder, log, port);
                }
                if (!p.isAlive()) {
                    throw new IOException("the emulator ended with status " + p.exitValue() + " before it listened:\n"
                            + Files.readString(log, StandardCharsets.UTF_8));
                }
                Thread.sleep(20);
            }
            throw new IOException("the emulator did not listen within " + START_MILLIS + " ms:\n"
                    + Files.readString(log, StandardCharsets.UTF_8));
        } catch (IOException | RuntimeException e) {
            end(p);
            throw e;
        } catch (InterruptedException e) {
            end(p);
            Thread.currentThread().interrupt();
            throw new IOException("interrupted while the emulator started", e);
        }
    }

    /** An emulator with the built-in sample state, kept in memory. */
    public static EmulatorProcess inMemory() throws IOException {
        return start("--in-memory");
    }

    /** An emulator that keeps its state in the file (created from the sample state when missing). */
    public static EmulatorProcess withState(Path file) throws IOException {
        return start("--state", file.toString());
    }

    public String host() {
        return "127.0.0.1";
    }

    public int port() {
        return port;
    }

    /** "127.0.0.1:PORT", as the clients' /s option takes it. */
    public String address() {
        return host() + ":" + port;
    }

    /** The folder the emulator runs in (its current directory); its port file and log are there. */
    public Path folder() {
        return folder;
    }

    public Process process() {
        return process;
    }

    public long pid() {
        return process.pid();
    }

    public boolean isAlive() {
        return process.isAlive();
    }

    /** Everything the emulator wrote to its standard output and error so far. */
    public String output() throws IOException {
        return Files.readString(log, StandardCharsets.UTF_8);
    }

    /** "Basic BASE64(user:password)", the value of an Authorization header. */
    public static String basic(String user, String password) {
        return "Basic " + Base64.getEncoder().encodeToString((user + ":" + password).getBytes(StandardCharsets.UTF_8));
    }

    /** GET without credentials. */
    public Reply get(String path) throws IOException {
        return request("GET", path, Map.of(), null);
    }

    /** GET with Basic credentials. */
    public Reply get(String path, String user, String password) throws IOException {
        return request("GET", path, Map.of("Authorization", basic(user, password)), null);
    }

    /** A request with Basic credentials and a body (null: none). */
    public Reply send(String method, String path, String user, String password, String body) throws IOException {
        return request(method, path, Map.of("Authorization", basic(user, password)), body);
    }

    /**
     * One HTTP/1.1 request on a connection of its own ("Connection: close"):
     * the path goes as given (already percent-encoded), the headers as given,
     * Host and Content-Length (when there is a body) are added.
     */
    public Reply request(String method, String path, Map<String, String> headers, String body) throws IOException {
        StringBuilder head = new StringBuilder();
        head.append(method).append(' ').append(path).append(" HTTP/1.1\r\n");
        head.append("Host: ").append(address()).append("\r\n");
        for (Map.Entry<String, String> h : headers.entrySet()) {
            head.append(h.getKey()).append(": ").append(h.getValue()).append("\r\n");
        }
        byte[] content = body == null ? new byte[0] : body.getBytes(StandardCharsets.UTF_8);
        if (body != null) {
            head.append("Content-Length: ").append(content.length).append("\r\n");
        }
        head.append("Connection: close\r\n\r\n");
        ByteArrayOutputStream raw = new ByteArrayOutputStream();
        raw.write(head.toString().getBytes(StandardCharsets.UTF_8));
        raw.write(content);
        return raw(raw.toByteArray());
    }

    /**
     * Sends the bytes as they are (a whole request, which should ask for
     * "Connection: close") and reads the reply to its end, within
     * {@link #REQUEST_MILLIS}.
     */
    public Reply raw(byte[] request) throws IOException {
        try (Socket s = new Socket()) {
            s.connect(new InetSocketAddress(host(), port), REQUEST_MILLIS);
            s.setSoTimeout(REQUEST_MILLIS);
            OutputStream out = s.getOutputStream();
            out.write(request);
            out.flush();
            return parse(s.getInputStream());
        }
    }

    private static Reply parse(InputStream in) throws IOException {
        String statusLine = line(in);
        if (statusLine == null || !statusLine.startsWith("HTTP/1.")) {
            throw new IOException("not an HTTP reply: " + statusLine);
        }
        String[] parts = statusLine.split(" ", 3);
        int status = Integer.parseInt(parts[1]);
        Map<String, List<String>> headers = new LinkedHashMap<>();
        String h;
        while ((h = line(in)) != null && !h.isEmpty()) {
            int colon = h.indexOf(':');
            if (colon > 0) {
                headers.computeIfAbsent(h.substring(0, colon).trim().toLowerCase(Locale.ROOT), k -> new ArrayList<>())
                        .add(h.substring(colon + 1).trim());
            }
        }
        List<String> length = headers.get("content-length");
        byte[] body;
        if (length != null) {
            body = in.readNBytes(Integer.parseInt(length.get(0)));
        } else if (headers.containsKey("transfer-encoding")) {
            body = chunked(in);
        } else {
            body = in.readAllBytes();
        }
        return new Reply(status, headers, new String(body, StandardCharsets.UTF_8));
    }

    private static byte[] chunked(InputStream in) throws IOException {
        ByteArrayOutputStream b = new ByteArrayOutputStream();
        while (true) {
            String size = line(in);
            if (size == null) {
                throw new IOException("a chunked body ends early");
            }
            int n = Integer.parseInt(size.split(";")[0].trim(), 16);
            if (n == 0) {
                line(in);
                return b.toByteArray();
            }
            b.write(in.readNBytes(n));
            line(in);
        }
    }

    /** One line without its CR LF, or null at the end of the stream. */
    private static String line(InputStream in) throws IOException {
        ByteArrayOutputStream b = new ByteArrayOutputStream();
        int c;
        while ((c = in.read()) >= 0 && c != '\n') {
            if (c != '\r') {
                b.write(c);
            }
        }
        if (c < 0 && b.size() == 0) {
            return null;
        }
        return b.toString(StandardCharsets.UTF_8);
    }

    /**
     * Asks the emulator to stop (POST /shutdown) and waits for its end; kills
     * it when it does not end in time. Returns its exit status.
     */
    public int stop() throws IOException {
        if (process.isAlive()) {
            try {
                request("POST", "/shutdown", Map.of(), null);
            } catch (IOException e) {
                // It may be ending already; waiting tells.
            }
        }
        try {
            if (!process.waitFor(STOP_MILLIS, TimeUnit.MILLISECONDS)) {
                kill();
                throw new IOException("the emulator did not end within " + STOP_MILLIS + " ms after /shutdown; killed");
            }
        } catch (InterruptedException e) {
            kill();
            Thread.currentThread().interrupt();
        }
        return process.exitValue();
    }

    /** kill -9: the emulator ends at once, without a chance to finish anything. */
    public void kill() {
        end(process);
    }

    private static void end(Process p) {
        p.destroyForcibly();
        try {
            if (!p.waitFor(STOP_MILLIS, TimeUnit.MILLISECONDS)) {
                throw new IllegalStateException("emulator process " + p.pid() + " did not end after kill -9");
            }
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
    }

    /** Stops the emulator if it still runs; kills it when stopping fails. */
    @Override
    public void close() {
        if (!process.isAlive()) {
            return;
        }
        try {
            stop();
        } catch (IOException | RuntimeException e) {
            kill();
        } finally {
            if (process.isAlive()) {
                kill();
            }
        }
    }

    private static String nullDevice() {
        return System.getProperty("os.name").startsWith("Windows") ? "NUL" : "/dev/null";
    }

    /** A fresh name for a scratch file, unique in this test run. */
    public static String unique(String prefix) {
        return prefix + SERIAL.incrementAndGet();
    }
}
