package vySecLink;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.net.InetSocketAddress;
import java.net.Proxy;
import java.net.Socket;
import java.net.SocketTimeoutException;
import java.net.URLEncoder;
import java.nio.charset.StandardCharsets;
import java.time.Duration;
import java.util.Base64;

/**
 * An HTTP/1.1 link to one server, with Basic credentials when they are known.
 * Every failure to get an answer (refused, time-out, unknown host) becomes
 * status 70 with "server ... does not answer"; a reply that is not HTTP, or
 * larger than {@link #LARGEST_HEAD} and {@link #LARGEST_REPLY}, becomes 81.
 * A request and its whole reply take at most the request time, however the
 * server sends it.
 */
public final class Link {
    public static final Duration CONNECT_TIME_OUT = Duration.ofSeconds(3);
    public static final Duration REQUEST_TIME_OUT = Duration.ofSeconds(10);
    /** The most bytes of a reply's status line and headers. */
    public static final int LARGEST_HEAD = 64 * 1024;
    /** The most bytes of a reply's body: far more than the largest state lists. */
    public static final int LARGEST_REPLY = 8 * 1024 * 1024;

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

    /** A reply that is not what an HTTP/1.1 server sends, or larger than the bounds. */
    private static final class BadReply extends Exception {
        private static final long serialVersionUID = 1L;

        BadReply(String why) {
            super(why, null, false, false);
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

    // A plain socket rather than java.net.http.HttpClient, whose start (TLS,
    // a selector thread) made every class start ten times slower, or
    // HttpURLConnection, which reads a reply of any length and gives no bound
    // on the time of the whole: a class runs once per launcher run, and must
    // end however the server answers. One request per connection.
    private Reply send(String method, String path, byte[] body) throws Failure {
        // The path goes into the request line as it is: percent-encoded (see segment), never a blank or line end.
        if (!path.startsWith("/") || !path.chars().allMatch(c -> c > 0x20 && c < 0x7f)) {
            throw new IllegalArgumentException("not a percent-encoded path: " + Text.shown(path));
        }
        long deadline = System.nanoTime() + readMillis * 1_000_000L;
        try (Socket socket = new Socket(Proxy.NO_PROXY)) {
            socket.setTcpNoDelay(true);
            socket.connect(new InetSocketAddress(server.host(), server.port()), connectMillis);
            deadline = System.nanoTime() + readMillis * 1_000_000L;
            StringBuilder head = new StringBuilder();
            head.append(method).append(' ').append(path).append(" HTTP/1.1\r\n");
            head.append("Host: ").append(server.authority()).append("\r\n");
            head.append("Content-Type: text/plain; charset=utf-8\r\n");
            if (credentials != null) {
                String pair = credentials.user() + ":" + credentials.password();
                head.append("Authorization: Basic ")
                        .append(Base64.getEncoder().encodeToString(pair.getBytes(StandardCharsets.UTF_8))).append("\r\n");
            }
            if (body != null) {
                head.append("Content-Length: ").append(body.length).append("\r\n");
            }
            head.append("Connection: close\r\n\r\n");
            OutputStream out = socket.getOutputStream();
            out.write(head.toString().getBytes(StandardCharsets.UTF_8));
            if (body != null) {
                out.write(body);
            }
            out.flush();
            return new ReplyReader(socket, deadline).read(method.equals("HEAD"));
        } catch (BadReply e) {
            throw new Failure(Status.UNEXPECTED_REPLY, "unexpected reply from server " + server + ": " + e.getMessage());
        } catch (IOException | IllegalArgumentException | SecurityException e) {
            // Only a failure to reach the server, or a time-out: anything else is a fault of the class.
            throw noAnswer();
        }
    }

    /** Reads one reply from a socket, each read within what is left of the time. */
    private static final class ReplyReader {
        private final Socket socket;
        private final InputStream in;
        private final long deadline;
        private final byte[] buffer = new byte[8192];
        private int start;
        private int end;

        ReplyReader(Socket socket, long deadline) throws IOException {
            this.socket = socket;
            this.in = socket.getInputStream();
            this.deadline = deadline;
        }

        /** More bytes into the buffer; false at the end of the stream. */
        private boolean fill() throws IOException {
            long left = (deadline - System.nanoTime()) / 1_000_000;
            if (left <= 0) {
                throw new SocketTimeoutException("the reply took too long");
            }
            socket.setSoTimeout((int) Math.min(left, Integer.MAX_VALUE));
            int n = in.read(buffer);
            if (n < 0) {
                return false;
            }
            start = 0;
            end = n;
            return true;
        }

        /** A line of the head without its CR LF; counts against the head's bound. */
        private String line(int[] headBytes) throws IOException, BadReply {
            StringBuilder b = new StringBuilder();
            while (true) {
                if (start == end && !fill()) {
                    throw new BadReply("the reply ends inside its head");
                }
                char c = (char) (buffer[start++] & 0xff);
                if (++headBytes[0] > LARGEST_HEAD) {
                    throw new BadReply("a reply head of more than " + LARGEST_HEAD + " bytes");
                }
                if (c == '\n') {
                    int n = b.length();
                    return n > 0 && b.charAt(n - 1) == '\r' ? b.substring(0, n - 1) : b.toString();
                }
                b.append(c);
            }
        }

        Reply read(boolean noBody) throws IOException, BadReply {
            int[] headBytes = {0};
            String statusLine = line(headBytes);
            java.util.regex.Matcher m = java.util.regex.Pattern.compile("HTTP/1\\.[01] ([1-5][0-9][0-9])( .*)?")
                    .matcher(statusLine);
            if (!m.matches()) {
                throw new BadReply("not HTTP: " + Text.shown(statusLine.length() > 80 ? statusLine.substring(0, 80) : statusLine));
            }
            int status = Integer.parseInt(m.group(1));
            long length = -1;
            boolean chunked = false;
            for (String h = line(headBytes); !h.isEmpty(); h = line(headBytes)) {
                int colon = h.indexOf(':');
                String name = colon > 0 ? h.substring(0, colon).trim().toLowerCase(java.util.Locale.ROOT) : "";
                String value = colon > 0 ? h.substring(colon + 1).trim() : "";
                if (name.equals("content-length")) {
                    if (!value.matches("[0-9]{1,18}")) {
                        throw new BadReply("a bad Content-Length");
                    }
                    length = Long.parseLong(value);
                    if (length > LARGEST_REPLY) {
                        throw new BadReply("a reply of more than " + LARGEST_REPLY + " bytes");
                    }
                } else if (name.equals("transfer-encoding")) {
                    chunked = value.equalsIgnoreCase("chunked");
                }
            }
            ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            if (noBody || status == 204 || status == 304 || status < 200) {
                // no body
            } else if (chunked) {
                for (long size = chunk(line(headBytes)); size > 0; size = chunk(line(headBytes))) {
                    copy(bytes, size);
                    if (!line(headBytes).isEmpty()) {
                        throw new BadReply("a chunk is not followed by its line end");
                    }
                }
            } else if (length >= 0) {
                copy(bytes, length);
            } else {
                copy(bytes, Long.MAX_VALUE);
            }
            return new Reply(status, new String(bytes.toByteArray(), StandardCharsets.UTF_8));
        }

        /** The size of a chunk from its line ("1a", "1a;name=value"). */
        private static long chunk(String line) throws BadReply {
            int semicolon = line.indexOf(';');
            String size = (semicolon >= 0 ? line.substring(0, semicolon) : line).trim();
            if (!size.matches("[0-9a-fA-F]{1,8}")) {
                throw new BadReply("a bad chunk size");
            }
            return Long.parseLong(size, 16);
        }

        /** count bytes of the body (Long.MAX_VALUE: to the end of the stream), within LARGEST_REPLY in all. */
        private void copy(ByteArrayOutputStream into, long count) throws IOException, BadReply {
            boolean toEnd = count == Long.MAX_VALUE;
            long left = count;
            while (left > 0) {
                if (start == end && !fill()) {
                    if (toEnd) {
                        return;
                    }
                    throw new BadReply("the reply ends before its body is whole");
                }
                int n = (int) Math.min(left, end - start);
                if (into.size() + n > LARGEST_REPLY) {
                    throw new BadReply("a reply of more than " + LARGEST_REPLY + " bytes");
                }
                into.write(buffer, start, n);
                start += n;
                left -= n;
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
