package vySecLink;

/**
 * A server name: "host" or "host:port", port 1..65535, default 7530.
 * Host names are limited to letters, digits, '.', '-' and '_' so that the
 * name always makes a valid URI.
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

    /** Throws 71 "bad server name" for anything that is not host[:port]. */
    public static ServerName parse(String text) throws Failure {
        Failure bad = new Failure(Status.BAD_ARGUMENT, "bad server name " + text);
        String host = text;
        int port = DEFAULT_PORT;
        int colon = text.indexOf(':');
        if (colon >= 0) {
            host = text.substring(0, colon);
            String digits = text.substring(colon + 1);
            // At most five digits: no overflow, and "007530" is refused as odd.
            if (digits.isEmpty() || digits.length() > 5 || !digits.chars().allMatch(c -> c >= '0' && c <= '9')) {
                throw bad;
            }
            port = Integer.parseInt(digits);
            if (port < 1 || port > 65535) {
                throw bad;
            }
        }
        if (host.isEmpty() || !host.chars().allMatch(ServerName::isHostChar)) {
            throw bad;
        }
        return new ServerName(text, host, port);
    }

    private static boolean isHostChar(int c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
                || c == '.' || c == '-' || c == '_';
    }
}
