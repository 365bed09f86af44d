package vySecLink;

/**
 * A server name: a host name, an IPv4 address or a bracketed IPv6 address,
 * each with an optional ":port" (1 to 65535, default 7530):
 * <ul>
 * <li>a host name is dot-separated labels of 1 to 63 letters, digits and
 * hyphens, neither first nor last a hyphen, 253 characters in all; its last
 * label is not a number (all digits, or 0x and hexadecimal digits);</li>
 * <li>an IPv4 address is four decimal numbers 0 to 255 without leading zeros;</li>
 * <li>an IPv6 address is in brackets, without a zone.</li>
 * </ul>
 * Nothing looser: the resolvers read digits alone and the short, octal and
 * hexadecimal forms of IPv4 ("7530", "127.1", "017.0.0.1", "0x7f.0.0.1") as
 * addresses, seldom the one meant, and not all of them the same way.
 */
public final class ServerName {
    public static final int DEFAULT_PORT = 7530;

    private static final String DIGITS = "a host name is not digits alone; a port follows the host, as in 127.0.0.1:7530";
    private static final String NUMBER = "an IPv4 address is four decimal numbers 0 to 255 without leading zeros,"
            + " as in 127.0.0.1, and a host name does not end in a number";

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

    /** Whether the host is an IPv4 or IPv6 address rather than a name. */
    public boolean isAddress() {
        return isIpv4(host) || isIpv6(host);
    }

    /** Throws 71 "bad server name" for anything but the forms of the class comment. */
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
            if (digits.isEmpty() || digits.length() > 5 || !allDigits(digits)) {
                throw bad;
            }
            port = Integer.parseInt(digits);
            if (port < 1 || port > 65535) {
                throw bad;
            }
        }
        if (bracketed) {
            if (!isIpv6(host)) {
                throw bad;
            }
        } else if (!isIpv4(host) && !isHostName(host)) {
            if (!host.isEmpty() && allDigits(host)) {
                throw new Failure(Status.BAD_ARGUMENT, bad.getMessage() + ": " + DIGITS);
            }
            if (isNumber(lastLabel(host))) {
                throw new Failure(Status.BAD_ARGUMENT, bad.getMessage() + ": " + NUMBER);
            }
            throw bad;
        }
        return new ServerName(text, host, port);
    }

    /** Four decimal numbers 0 to 255, each without a leading zero. */
    static boolean isIpv4(String s) {
        String[] parts = s.split("\\.", -1);
        if (parts.length != 4) {
            return false;
        }
        for (String p : parts) {
            if (p.isEmpty() || p.length() > 3 || !allDigits(p) || (p.length() > 1 && p.charAt(0) == '0')
                    || Integer.parseInt(p) > 255) {
                return false;
            }
        }
        return true;
    }

    /** Eight groups of 1 to 4 hexadecimal digits, "::" standing for one or more zero groups, the last two maybe IPv4. */
    static boolean isIpv6(String s) {
        int gap = s.indexOf("::");
        if (gap >= 0 && s.indexOf("::", gap + 1) >= 0) {
            return false;
        }
        String[] halves = gap >= 0 ? new String[] {s.substring(0, gap), s.substring(gap + 2)} : new String[] {s};
        int groups = 0;
        for (int h = 0; h < halves.length; h++) {
            if (halves[h].isEmpty()) {
                if (gap < 0) {
                    return false;
                }
                continue;
            }
            String[] parts = halves[h].split(":", -1);
            for (int i = 0; i < parts.length; i++) {
                boolean last = h == halves.length - 1 && i == parts.length - 1;
                if (last && isIpv4(parts[i])) {
                    groups += 2;
                } else if (parts[i].length() >= 1 && parts[i].length() <= 4 && parts[i].chars().allMatch(ServerName::isHex)) {
                    groups++;
                } else {
                    return false;
                }
            }
        }
        return gap >= 0 ? groups <= 7 : groups == 8;
    }

    /** Labels of letters, digits and inner hyphens; the last one no number. */
    static boolean isHostName(String s) {
        if (s.isEmpty() || s.length() > 253) {
            return false;
        }
        for (String label : s.split("\\.", -1)) {
            if (label.isEmpty() || label.length() > 63 || label.charAt(0) == '-' || label.charAt(label.length() - 1) == '-'
                    || !label.chars().allMatch(c -> c == '-' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')
                            || (c >= 'A' && c <= 'Z'))) {
                return false;
            }
        }
        return !isNumber(lastLabel(s));
    }

    /** The last label that is not empty ("1" of "127.0.0.1."). */
    private static String lastLabel(String s) {
        String t = s.endsWith(".") ? s.substring(0, s.length() - 1) : s;
        return t.substring(t.lastIndexOf('.') + 1);
    }

    /** What a resolver reads as a number: decimal or octal digits, or 0x and hexadecimal digits. */
    private static boolean isNumber(String label) {
        if (label.length() >= 2 && label.charAt(0) == '0' && (label.charAt(1) == 'x' || label.charAt(1) == 'X')) {
            return label.substring(2).chars().allMatch(ServerName::isHex);
        }
        return !label.isEmpty() && allDigits(label);
    }

    private static boolean allDigits(String s) {
        return s.chars().allMatch(c -> c >= '0' && c <= '9');
    }

    private static boolean isHex(int c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }
}
