package vySecLink;

import java.io.IOException;
import java.net.URI;
import java.net.URLEncoder;
import java.net.http.HttpClient;
import java.net.http.HttpRequest;
import java.net.http.HttpResponse;
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
            if (body.isEmpty()) {
                return new String[0];
            }
            String text = body.endsWith("\n") ? body.substring(0, body.length() - 1) : body;
            return text.split("\n", -1);
        }
    }

    private final ServerName server;
    private final Credentials credentials;
    private final Duration requestTimeOut;
    private final HttpClient client;

    public Link(ServerName server, Credentials credentials) {
        this(server, credentials, CONNECT_TIME_OUT, REQUEST_TIME_OUT);
    }

    public Link(ServerName server, Credentials credentials, Duration connectTimeOut, Duration requestTimeOut) {
        this.server = server;
        this.credentials = credentials;
        this.requestTimeOut = requestTimeOut;
        this.client = HttpClient.newBuilder()
                .version(HttpClient.Version.HTTP_1_1)
                .connectTimeout(connectTimeOut)
                .followRedirects(HttpClient.Redirect.NEVER)
                .build();
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
        return send(request(path).GET());
    }

    public Reply post(String path) throws Failure {
        return send(request(path).POST(HttpRequest.BodyPublishers.noBody()));
    }

    public Reply put(String path, String body) throws Failure {
        return send(request(path).PUT(HttpRequest.BodyPublishers.ofString(body, StandardCharsets.UTF_8)));
    }

    private HttpRequest.Builder request(String path) {
        URI uri = URI.create("http://" + server.host() + ":" + server.port() + path);
        HttpRequest.Builder b = HttpRequest.newBuilder(uri)
                .timeout(requestTimeOut)
                .header("Content-Type", "text/plain; charset=utf-8");
        if (credentials != null) {
            String pair = credentials.user() + ":" + credentials.password();
            String encoded = Base64.getEncoder().encodeToString(pair.getBytes(StandardCharsets.UTF_8));
            b.header("Authorization", "Basic " + encoded);
        }
        return b;
    }

    private Reply send(HttpRequest.Builder b) throws Failure {
        try {
            HttpResponse<String> r = client.send(b.build(), HttpResponse.BodyHandlers.ofString(StandardCharsets.UTF_8));
            return new Reply(r.statusCode(), r.body());
        } catch (IOException e) {
            throw noAnswer();
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            throw noAnswer();
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
