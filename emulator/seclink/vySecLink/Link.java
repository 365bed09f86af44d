package vySecLink;

import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.net.HttpURLConnection;
import java.net.Proxy;
import java.net.URI;
import java.net.URL;
import java.net.URLEncoder;
import java.nio.charset.StandardCharsets;
import java.time.Duration;
import java.util.Base64;

/**
 * An HTTP/1.1 link to one server, with Basic credentials when they are known.
 * Every failure to get an answer (refused, time-out, unknown host) becomes
 * status 70 with "server ... does not answer".
 */
public final class Link {
    public static final Duration CONNECT_TIME_OUT = Duration.ofSeconds(3);
    public static final Duration REQUEST_TIME_OUT = Duration.ofSeconds(10);

    /** A reply: the HTTP status and the body. */
    public static final class Reply {
        public final int status;
        public final String body;

        Reply(int status, String body) {
            this.status = status;
            this.body = body;
        }

        public String firstLine() {
            int end = body.indexOf('\n');
            return end >= 0 ? body.substring(0, end) : body;
        }

        /** The body's lines, without the line end after the last. */
        public String[] lines() {
            return Text.lines(body);
        }
    }

    private final ServerName server;
    private final Credentials credentials;
    private final int connectMillis;
    private final int readMillis;

    public Link(ServerName server, Credentials credentials) {
        this(server, credentials, CONNECT_TIME_OUT, REQUEST_TIME_OUT);
    }

    public Link(ServerName server, Credentials credentials, Duration connectTimeOut, Duration requestTimeOut) {
        this.server = server;
        this.credentials = credentials;
        this.connectMillis = (int) connectTimeOut.toMillis();
        this.readMillis = (int) requestTimeOut.toMillis();
    }

    public ServerName server() {
        return server;
    }

    public Credentials credentials() {
        return credentials;
    }

    /** One path segment, percent-encoded (a blank as %20, never '+'). */
    public static String segment(String name) {
        return URLEncoder.encode(name, StandardCharsets.UTF_8).replace("+", "%20");
    }

    public Reply get(String path) throws Failure {
        return send("GET", path, null);
    }

    public Reply post(String path) throws Failure {
        return send("POST", path, new byte[0]);
    }

    public Reply put(String path, String body) throws Failure {
        return send("PUT", path, body.getBytes(StandardCharsets.UTF_8));
    }

    // HttpURLConnection rather than java.net.http.HttpClient: the latter
    // sets up TLS and a selector thread at its start, which made every class
    // start ten times slower, and a class runs once per launcher run.
    private Reply send(String method, String path, byte[] body) throws Failure {
        HttpURLConnection c = null;
        try {
            URL url = URI.create("http://" + server.authority() + path).toURL();
            c = (HttpURLConnection) url.openConnection(Proxy.NO_PROXY);
            c.setRequestMethod(method);
            c.setConnectTimeout(connectMillis);
            c.setReadTimeout(readMillis);
            c.setInstanceFollowRedirects(false);
            c.setUseCaches(false);
            c.setRequestProperty("Content-Type", "text/plain; charset=utf-8");
            if (credentials != null) {
                String pair = credentials.user() + ":" + credentials.password();
                String encoded = Base64.getEncoder().encodeToString(pair.getBytes(StandardCharsets.UTF_8));
                c.setRequestProperty("Authorization", "Basic " + encoded);
            }
            if (body != null) {
                // A fixed length also keeps the connection from sending a
                // request twice after a failure: a task must start once.
                c.setDoOutput(true);
                c.setFixedLengthStreamingMode(body.length);
                try (OutputStream out = c.getOutputStream()) {
                    out.write(body);
                }
            }
            int status = c.getResponseCode();
            InputStream in = status >= 400 ? c.getErrorStream() : c.getInputStream();
            String text = "";
            if (in != null) {
                try (InputStream stream = in) {
                    text = new String(stream.readAllBytes(), StandardCharsets.UTF_8);
                }
            }
            return new Reply(status, text);
        } catch (IOException e) {
            // Only a failure to reach the server: anything else is a fault of the class, not of the server.
            throw noAnswer();
        } finally {
            if (c != null) {
                c.disconnect();
            }
        }
    }

    private Failure noAnswer() {
        return new Failure(Status.NO_ANSWER, "server " + server + " does not answer");
    }

    /** 81: a reply the client did not expect. */
    public Failure unexpected(Reply reply) {
        return new Failure(Status.UNEXPECTED_REPLY,
                "unexpected reply from server " + server + ": " + reply.status + " " + reply.firstLine());
    }
}
