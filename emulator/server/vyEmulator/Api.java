package vyEmulator;

import com.sun.net.httpserver.HttpExchange;
import com.sun.net.httpserver.HttpHandler;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.security.MessageDigest;
import java.time.Instant;
import java.time.temporal.ChronoUnit;
import java.util.ArrayList;
import java.util.Base64;
import java.util.List;
import java.util.Map;
import vySecLink.Failure;
import vySecLink.ServerName;
import vySecLink.Text;
import vySecLink.Words;

/**
 * The emulator's HTTP interface. HTTP/1.1, text/plain; charset=utf-8; every
 * reply body ends with a line end (an empty body has none).
 * <pre>
 * GET  /ping                 200 "vyEmulator VERSION ok"                   no credentials
 * GET  /whoami               200 the user
 * GET  /tasks                one line a task: name state progress source target seconds outcome
 * GET  /tasks/NAME           that line; 404 "no task NAME"
 * POST /tasks/NAME/run       200 the line once started; 404; 409 "task NAME is already running"
 * GET  /volumes              one line a volume: serial name
 * GET  /volumes/X            X is a serial or a name; 404 "no volume X"
 * GET  /hosts                registered hosts by name: "host disk serial", or "host" alone;
 *                            the host escaped as in the state file ("two%20words")
 * PUT  /hosts/HOST           body "disk serial" lines: replaces HOST's registration with the
 *                            known serials; one "disk serial registered|unknown" line each
 * GET  /hosts/HOST/luns      what HOST's multipath driver sees: "disk serial" lines  no credentials
 * POST /shutdown             200 "stopping PID", then the emulator exits; loopback peers only
 * </pre>
 * A request with an Origin but the emulator's own, and while it listens on
 * loopback one whose Host is not a loopback address or localhost, is
 * refused (403) before anything else; see {@link #guard}.
 * Everything else needs HTTP Basic credentials of a user of the state (401).
 * Unknown path 404, wrong method 405, body over 64 KiB 413, other bad input
 * 400; a request not received whole within the server's time is dropped
 * (see Runner). Names in paths are percent-encoded. Each request is logged as one line
 * "METHOD PATH STATUS [USER]"; passwords and the Authorization header never are.
 */
final class Api implements HttpHandler {
    static final int LARGEST_BODY = 64 * 1024;

    /** The reply to one request; user is null when none was authenticated. */
    private record Reply(int status, String body, String user) {
        Reply withUser(String u) {
            return new Reply(status, body, u);
        }
    }

    private enum Route {
        PING("GET", false), SHUTDOWN("POST", false), WHOAMI("GET", true), TASKS("GET", true),
        TASK("GET", true), RUN("POST", true), VOLUMES("GET", true), VOLUME("GET", true),
        HOSTS("GET", true), HOST("PUT", true), LUNS("GET", false);

        final String method;
        final boolean needsUser;

        Route(String method, boolean needsUser) {
            this.method = method;
            this.needsUser = needsUser;
        }
    }

    /** A bad request: answered with its status and message. */
    private static final class Refusal extends Exception {
        private static final long serialVersionUID = 1L;
        final transient Reply reply;

        Refusal(int status, String message) {
            super(message, null, false, false);
            this.reply = new Reply(status, Text.shown(message) + "\n", null);
        }
    }

    // One lock guards the state: requests are served by several threads.
    private final Object lock = new Object();
    private State state;
    private final Path file; // null: kept in memory only
    private final Runnable onShutdown;
    private final boolean onLoopback; // listening on a loopback address only

    Api(State state, Path file, Runnable onShutdown, boolean onLoopback) {
        this.state = state;
        this.file = file;
        this.onShutdown = onShutdown;
        this.onLoopback = onLoopback;
    }

    @Override
    public void handle(HttpExchange ex) {
        String method = ex.getRequestMethod();
        String path = ex.getRequestURI().getRawPath();
        Reply reply;
        Route route = null;
        try {
            guard(ex, path);
            List<String> segments = segments(path);
            route = route(segments, path);
            reply = serve(ex, method, path, route, segments);
        } catch (Refusal r) {
            reply = r.reply;
        } catch (RuntimeException e) {
            // A fault of the emulator: the request fails, the emulator goes on.
            System.out.println("vyEmulator: internal error on " + Text.shown(method) + " " + Text.shown(path) + ": " + e);
            reply = new Reply(500, "internal error\n", null);
        } catch (Error e) {
            // Out of memory and the like: nothing the emulator does next can be
            // trusted. Every change acknowledged so far is in the state file.
            System.out.println("vyEmulator: fatal error on " + Text.shown(method) + " " + Text.shown(path) + ": " + e);
            System.out.flush();
            Runtime.getRuntime().halt(Exit.FATAL);
            throw e;
        }
        try {
            send(ex, method, reply);
        } catch (IOException e) {
            // The client went away; nothing to tell it.
        } finally {
            ex.close();
        }
        System.out.println(Text.shown(method) + " " + Text.shown(path) + " " + reply.status + (reply.user != null ? " " + reply.user : ""));
        if (route == Route.SHUTDOWN && reply.status == 200) {
            onShutdown.run();
        }
    }

    /**
     * A web page may send requests here, though it cannot read the replies:
     * any request with an Origin but the emulator's own is refused. A page
     * whose name DNS then points at 127.0.0.1 reads them too: while the
     * emulator listens on loopback, a Host other than a loopback address or
     * localhost is refused (but on /ping, which tells nothing of the state
     * and answers every prober).
     */
    private void guard(HttpExchange ex, String path) throws Refusal {
        String origin = ex.getRequestHeaders().getFirst("Origin");
        String host = ex.getRequestHeaders().getFirst("Host");
        boolean local = host != null && isLocal(host);
        if (origin != null && !(local && origin.equals("http://" + host))) {
            throw new Refusal(403, "a request of a web page (Origin " + origin + ") is refused");
        }
        if (onLoopback && host != null && !local && !path.equals("/ping")) {
            throw new Refusal(403, "host " + host + " is not a loopback address or localhost: the emulator listens on"
                    + " loopback only");
        }
    }

    /** A Host of this machine: a loopback address or localhost, with or without a port. */
    private static boolean isLocal(String host) {
        try {
            ServerName n = ServerName.parse(host);
            return n.isLoopback() || n.host().equalsIgnoreCase("localhost");
        } catch (Failure e) {
            return false;
        }
    }

    private static void send(HttpExchange ex, String method, Reply reply) throws IOException {
        byte[] body = reply.body.getBytes(StandardCharsets.UTF_8);
        ex.getResponseHeaders().set("Content-Type", "text/plain; charset=utf-8");
        if (reply.status == 401) {
            ex.getResponseHeaders().set("WWW-Authenticate", "Basic realm=\"vyEmulator\", charset=\"UTF-8\"");
        }
        // -1: no body at all (HEAD, or an empty body; 0 would mean chunked).
        boolean none = body.length == 0 || method.equals("HEAD");
        ex.sendResponseHeaders(reply.status, none ? -1 : body.length);
        if (!none) {
            try (OutputStream out = ex.getResponseBody()) {
                out.write(body);
            }
        }
    }

    /** The path's segments, percent-decoded. */
    private static List<String> segments(String path) throws Refusal {
        if (path == null || !path.startsWith("/")) {
            throw new Refusal(400, "bad path");
        }
        List<String> result = new ArrayList<>();
        for (String raw : path.substring(1).split("/", -1)) {
            String s = decode(raw);
            for (int i = 0; i < s.length(); i++) {
                char c = s.charAt(i);
                // A tab may be part of a host name; other control characters never are.
                if ((c < 0x20 && c != '\t') || c == 0x7f) {
                    throw new Refusal(400, "control characters in path " + path);
                }
            }
            result.add(s);
        }
        return result;
    }

    /** Percent-decoding of one segment as UTF-8; a '+' stays a '+'. */
    static String decode(String raw) throws Refusal {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        for (int i = 0; i < raw.length(); i++) {
            char c = raw.charAt(i);
            if (c == '%') {
                if (i + 2 >= raw.length()) {
                    throw new Refusal(400, "bad percent-encoding in path");
                }
                int hi = Character.digit(raw.charAt(i + 1), 16);
                int lo = Character.digit(raw.charAt(i + 2), 16);
                if (hi < 0 || lo < 0) {
                    throw new Refusal(400, "bad percent-encoding in path");
                }
                bytes.write(hi * 16 + lo);
                i += 2;
            } else if (c < 0x80) {
                bytes.write(c);
            } else {
                throw new Refusal(400, "bad character in path");
            }
        }
        String text = Text.strictUtf8(bytes.toByteArray());
        if (text == null) {
            throw new Refusal(400, "a name in the path is not UTF-8");
        }
        return text;
    }

    private static Route route(List<String> s, String path) throws Refusal {
        for (String segment : s) {
            if (segment.isEmpty()) {
                throw new Refusal(404, "no such resource " + path);
            }
        }
        Route r = null;
        String first = s.get(0);
        if (s.size() == 1) {
            r = switch (first) {
                case "ping" -> Route.PING;
                case "shutdown" -> Route.SHUTDOWN;
                case "whoami" -> Route.WHOAMI;
                case "tasks" -> Route.TASKS;
                case "volumes" -> Route.VOLUMES;
                case "hosts" -> Route.HOSTS;
                default -> null;
            };
        } else if (s.size() == 2) {
            r = switch (first) {
                case "tasks" -> Route.TASK;
                case "volumes" -> Route.VOLUME;
                case "hosts" -> Route.HOST;
                default -> null;
            };
        } else if (s.size() == 3) {
            if (first.equals("tasks") && s.get(2).equals("run")) {
                r = Route.RUN;
            } else if (first.equals("hosts") && s.get(2).equals("luns")) {
                r = Route.LUNS;
            }
        }
        if (r == null) {
            throw new Refusal(404, "no such resource " + path);
        }
        return r;
    }

    private Reply serve(HttpExchange ex, String method, String path, Route route, List<String> s) throws Refusal {
        if (!method.equals(route.method)) {
            ex.getResponseHeaders().set("Allow", route.method);
            throw new Refusal(405, "method " + method + " not allowed on " + path);
        }
        String user = route.needsUser ? authenticate(ex) : null;
        try {
            return dispatch(ex, route, s, user).withUser(user);
        } catch (Refusal r) {
            return r.reply.withUser(user); // refused, but the log still names who asked
        }
    }

    private Reply dispatch(HttpExchange ex, Route route, List<String> s, String user) throws Refusal {
        String body = readBody(ex);
        String name = s.size() > 1 ? s.get(1) : null;
        return switch (route) {
            case PING -> ok("vyEmulator " + Main.VERSION + " ok\n");
            case SHUTDOWN -> shutdown(ex);
            case WHOAMI -> ok(user + "\n");
            case TASKS -> tasks();
            case TASK -> task(name);
            case RUN -> run(name);
            case VOLUMES -> volumes();
            case VOLUME -> volume(name);
            case HOSTS -> hosts();
            case HOST -> register(name, body);
            case LUNS -> luns(name);
        };
    }

    private static Reply ok(String body) {
        return new Reply(200, body, null);
    }

    /** The user whose Basic credentials the request carries; 401 for anything else. */
    private String authenticate(HttpExchange ex) throws Refusal {
        Refusal refused = new Refusal(401, "unknown user or wrong password");
        String header = ex.getRequestHeaders().getFirst("Authorization");
        if (header == null || header.length() < 6 || !header.regionMatches(true, 0, "Basic ", 0, 6)) {
            throw refused;
        }
        String pair;
        try {
            pair = new String(Base64.getDecoder().decode(header.substring(6).trim()), StandardCharsets.UTF_8);
        } catch (IllegalArgumentException e) {
            throw refused;
        }
        int colon = pair.indexOf(':');
        if (colon < 0) {
            throw refused;
        }
        String user = pair.substring(0, colon);
        String password;
        synchronized (lock) {
            password = state.users.get(user);
        }
        // Compared in constant time: how long a refusal takes tells nothing about the password.
        if (password == null || !MessageDigest.isEqual(password.getBytes(StandardCharsets.UTF_8),
                pair.substring(colon + 1).getBytes(StandardCharsets.UTF_8))) {
            throw refused;
        }
        return user;
    }

    private static String readBody(HttpExchange ex) throws Refusal {
        String length = ex.getRequestHeaders().getFirst("Content-Length");
        if (length != null && length.matches("[0-9]{1,18}") && Long.parseLong(length) > LARGEST_BODY) {
            throw tooLarge();
        }
        byte[] bytes;
        try (InputStream in = ex.getRequestBody()) {
            bytes = in.readNBytes(LARGEST_BODY + 1);
        } catch (IOException e) {
            throw new Refusal(400, "the request body cannot be read");
        }
        if (bytes.length > LARGEST_BODY) {
            throw tooLarge();
        }
        String text = Text.strictUtf8(bytes);
        if (text == null) {
            throw new Refusal(400, "the request body is not UTF-8 text");
        }
        return text;
    }

    private static Refusal tooLarge() {
        return new Refusal(413, "the request body is larger than " + LARGEST_BODY + " bytes");
    }

    private Reply shutdown(HttpExchange ex) throws Refusal {
        if (!ex.getRemoteAddress().getAddress().isLoopbackAddress()) {
            throw new Refusal(403, "shutdown is accepted only from this machine");
        }
        // The process id lets "stop" wait until the process has ended, not
        // only until the port is closed.
        return ok("stopping " + ProcessHandle.current().pid() + "\n");
    }

    private static Instant now() {
        return Instant.now().truncatedTo(ChronoUnit.MILLIS);
    }

    private Reply tasks() {
        StringBuilder b = new StringBuilder();
        Instant now = now();
        synchronized (lock) {
            for (State.Task t : state.tasks.values()) {
                b.append(t.line(now)).append('\n');
            }
        }
        return ok(b.toString());
    }

    private Reply task(String name) throws Refusal {
        synchronized (lock) {
            State.Task t = state.tasks.get(name);
            if (t == null) {
                throw new Refusal(404, "no task " + name);
            }
            return ok(t.line(now()) + "\n");
        }
    }

    private Reply run(String name) throws Refusal {
        synchronized (lock) {
            State.Task t = state.tasks.get(name);
            if (t == null) {
                throw new Refusal(404, "no task " + name);
            }
            Instant now = now();
            if (t.state(now).equals("running")) {
                throw new Refusal(409, "task " + name + " is already running");
            }
            State next = state.copy();
            State.Task started = t.startedAt(now);
            next.tasks.put(name, started);
            commit(next);
            return ok(started.line(now) + "\n");
        }
    }

    /** Saves the changed state and only then makes it the state. Called with the lock held. */
    private void commit(State next) throws Refusal {
        if (file != null) {
            try {
                StateFile.save(file, StateFile.format(next));
            } catch (IOException | RuntimeException e) {
                System.out.println("vyEmulator: " + file + " could not be saved: " + e);
                throw new Refusal(500, "state could not be saved");
            }
        }
        state = next;
    }

    private Reply volumes() {
        StringBuilder b = new StringBuilder();
        synchronized (lock) {
            for (State.Volume v : state.volumes.values()) {
                b.append(v.serial()).append(' ').append(v.name()).append('\n');
            }
        }
        return ok(b.toString());
    }

    private Reply volume(String x) throws Refusal {
        synchronized (lock) {
            State.Volume v = state.volumes.get(x);
            if (v == null) {
                v = state.volumeByName(x);
            }
            if (v == null) {
                throw new Refusal(404, "no volume " + x);
            }
            return ok(v.serial() + " " + v.name() + "\n");
        }
    }

    private Reply hosts() {
        StringBuilder b = new StringBuilder();
        synchronized (lock) {
            for (Map.Entry<String, List<State.Disk>> e : state.registered.entrySet()) {
                String host = Words.escape(e.getKey());
                if (e.getValue().isEmpty()) {
                    b.append(host).append('\n');
                }
                for (State.Disk d : e.getValue()) {
                    b.append(host).append(' ').append(d.disk()).append(' ').append(d.serial()).append('\n');
                }
            }
        }
        return ok(b.toString());
    }

    /** A host name the state file can keep (it is kept escaped); any other is refused whole. */
    private static void checkHost(String host) throws Refusal {
        if (StateFile.badHost(host) != null) {
            throw new Refusal(400, "bad host name " + Words.escape(host));
        }
    }

    private Reply register(String host, String body) throws Refusal {
        checkHost(host);
        List<State.Disk> given = new ArrayList<>();
        String[] lines = Text.lines(body);
        for (int i = 0; i < lines.length; i++) {
            List<String> w = Words.split(lines[i]);
            // A disk name is kept and listed as it is: no control character.
            if (w.size() != 2 || !StateFile.isDisk(w.get(0)) || !Text.shown(w.get(0)).equals(w.get(0))) {
                throw new Refusal(400, "line " + (i + 1) + ": expected \"<disk> <serial>\"");
            }
            given.add(new State.Disk(w.get(0), w.get(1)));
        }
        StringBuilder reply = new StringBuilder();
        synchronized (lock) {
            List<State.Disk> known = new ArrayList<>();
            for (State.Disk d : given) {
                boolean isKnown = state.volumes.containsKey(d.serial());
                if (isKnown) {
                    known.add(d);
                }
                reply.append(Text.shown(d.disk())).append(' ').append(Text.shown(d.serial())).append(isKnown ? " registered\n" : " unknown\n");
            }
            State next = state.copy();
            next.registered.put(host, List.copyOf(known));
            commit(next);
        }
        return ok(reply.toString());
    }

    private Reply luns(String host) {
        StringBuilder b = new StringBuilder();
        synchronized (lock) {
            for (State.Sees e : state.sees) {
                if (e.host().equals(host)) {
                    b.append(e.disk().disk()).append(' ').append(e.disk().serial()).append('\n');
                }
            }
        }
        return ok(b.toString());
    }
}
