package vySecLink;

/**
 * A server name: "host", "host:port" or "[IPv6 address]:port", port
 * 1..65535, default 7530. Host names are limited to letters, digits, '.',
 * '-' and '_' (and ':' inside the brackets) so that the name always makes a
 * valid URI.
 */
public final class ServerName {
    public static final int DEFAULT_PORT = 7530;

    private final String text;
    private final String host;
    private final int port;

    private ServerName(String text, String host, int port) {
        this.text = text;
        this.host = host;
        this.port = port;
    }

    /** The name of a host and port, as the emulator gives its own address. */
    public static ServerName of(String host, int port) {
        return new ServerName(authority(host, port), host, port);
    }

    /** The name as given, for messages. */
    @Override
    public String toString() {
        return text;
    }

    public String host() {
        return host;
    }

    public int port() {
        return port;
    }

    /** "host:port", an IPv6 address in brackets: the server part of a URI. */
    public String authority() {
        return authority(host, port);
    }

    private static String authority(String host, int port) {
        return (host.contains(":") ? "[" + host + "]" : host) + ":" + port;
    }

    /** Throws 71 "bad server name" for anything that is not host[:port] or [v6]:port. */
    public static ServerName parse(String text) throws Failure {
        Failure bad = new Failure(Status.BAD_ARGUMENT, "bad server name " + text);
        String host = text;
        String digits = null;
        boolean bracketed = text.startsWith("[");
        if (bracketed) {
            int close = text.indexOf(']');
            if (close < 0 || (close + 1 < text.length() && text.charAt(close + 1) != ':')) {
                throw bad;
            }
            host = text.substring(1, close);
            digits = close + 1 < text.length() ? text.substring(close + 2) : null;
        } else {
            int colon = text.indexOf(':');
            if (colon >= 0) {
                host = text.substring(0, colon);
                digits = text.substring(colon + 1);
            }
        }
        int port = DEFAULT_PORT;
        if (digits != null) {
            // At most five digits: no overflow, and "007530" is refused as odd.
            if (digits.isEmpty() || digits.length() > 5 || !digits.chars().allMatch(c -> c >= '0' && c <= '9')) {
                throw bad;
            }
            port = Integer.parseInt(digits);
            if (port < 1 || port > 65535) {
                throw bad;
            }
        }
        if (host.isEmpty() || !host.chars().allMatch(c -> isHostChar(c) || (bracketed && c == ':'))) {
            throw bad;
        }
        return new ServerName(text, host, port);
    }

    private static boolean isHostChar(int c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || c == '.' || c == '-' || c == '_';
    }
}
