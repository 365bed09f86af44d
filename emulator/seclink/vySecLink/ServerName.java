package vySecLink;

import java.util.ArrayList;
import java.util.List;

/**
 * A server name: a host name, an IPv4 address or a bracketed IPv6 address,
 * each with an optional ":port" (1 to 65535 in decimal, no leading zero,
 * default 7530):
 * <ul>
 * <li>a host name is dot-separated labels of 1 to 63 letters, digits and
 * hyphens, neither first nor last a hyphen, 253 characters in all; its last
 * label is not a number (all digits, or 0x and hexadecimal digits);</li>
 * <li>an IPv4 address is four decimal numbers 0 to 255 without leading zeros;</li>
 * <li>an IPv6 address is in brackets, without a zone.</li>
 * </ul>
 * Nothing looser: the resolvers read digits alone and the short, octal and
 * hexadecimal forms of IPv4 ("7530", "127.1", "017.0.0.1", "0x7f.0.0.1") as
 * addresses, seldom the one meant, and not all of them the same way. The
 * unspecified addresses (0.0.0.0, ::) name no server, and an IPv6 address
 * that holds an IPv4 one (::127.0.0.1, ::ffff:10.0.0.1, 64:ff9b::...) may
 * leave the machine by way of IPv6 or a translator whatever the IPv4 part
 * says; of those only ::ffff:127.x.y.z, which reaches this machine, is taken.
 * Every refusal says why.
 */
public final class ServerName {
    public static final int DEFAULT_PORT = 7530;

    private static final String DIGITS = "a host name is not digits alone; a port follows the host, as in 127.0.0.1:7530";
    private static final String NUMBER = "an IPv4 address is four decimal numbers 0 to 255 without leading zeros,"
            + " as in 127.0.0.1, and a host name does not end in a number";
    private static final String NO_HOST = "no host is given";
    private static final String PORT = "a port is a decimal number 1 to 65535 without leading zeros";
    private static final String BRACKETS = "an IPv6 address is closed by ] and followed by nothing or by :port";
    private static final String IPV6 = "an IPv6 address is eight groups of 1 to 4 hexadecimal digits,"
            + " :: standing for zero groups, without a zone";
    private static final String UNSPECIFIED = "the unspecified address names no server; this machine is 127.0.0.1";
    private static final String EMBEDDED = "an IPv6 address that holds an IPv4 address is taken only as"
            + " ::ffff:127.x.y.z; give the IPv4 address itself";
    private static final String CHARACTER = "a host name holds letters, digits, hyphens and dots only";
    private static final String EMPTY_LABEL = "a host name has no empty label: no dot at its start or end,"
            + " no two dots together";
    private static final String HYPHEN = "a label of a host name neither begins nor ends with a hyphen";
    private static final String LABEL = "a label of a host name is at most 63 characters";
    private static final String LENGTH = "a host name is at most 253 characters";
    static final int LONGEST_NAME = 253;
    static final int LONGEST_LABEL = 63;

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

    /** Whether the host is an address of this machine's loopback interface: 127.x.y.z, ::1 or ::ffff:127.x.y.z. */
    public boolean isLoopback() {
        if (isIpv4(host)) {
            return host.startsWith("127.");
        }
        int[] g = ipv6Groups(host);
        return g != null && g[0] == 0 && g[1] == 0 && g[2] == 0 && g[3] == 0 && g[4] == 0
                && ((g[5] == 0 && g[6] == 0 && g[7] == 1) || (g[5] == 0xffff && g[6] >> 8 == 127));
    }

    /** Throws 71 "bad server name NAME: WHY" for anything but the forms of the class comment. */
    public static ServerName parse(String text) throws Failure {
        String host = text;
        String digits = null;
        boolean bracketed = text.startsWith("[");
        if (bracketed) {
            int close = text.indexOf(']');
            if (close < 0 || (close + 1 < text.length() && text.charAt(close + 1) != ':')) {
                throw bad(text, BRACKETS);
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
        if (!bracketed && host.isEmpty()) {
            throw bad(text, NO_HOST);
        }
        int port = DEFAULT_PORT;
        if (digits != null) {
            // At most five digits and no leading zero: no overflow, and "07530" is no port.
            if (digits.isEmpty() || digits.length() > 5 || !allDigits(digits) || digits.charAt(0) == '0') {
                throw bad(text, PORT);
            }
            port = Integer.parseInt(digits);
            if (port > 65535) {
                throw bad(text, PORT);
            }
        }
        if (bracketed) {
            int[] groups = ipv6Groups(host);
            if (groups == null) {
                throw bad(text, IPV6);
            }
            String why = whyNotIpv6(groups, host.contains("."));
            if (why != null) {
                throw bad(text, why);
            }
        } else if (isIpv4(host)) {
            if (host.equals("0.0.0.0")) {
                throw bad(text, UNSPECIFIED);
            }
        } else {
            String why = whyNoHostName(host);
            if (why != null) {
                throw bad(text, why);
            }
        }
        return new ServerName(text, host, port);
    }

    private static Failure bad(String text, String why) {
        return new Failure(Status.BAD_ARGUMENT, "bad server name " + text + ": " + why);
    }

    /**
     * Why the groups of an IPv6 address name no server, or null when they do:
     * not the unspecified address, and no IPv4 address inside but the mapped
     * form of a loopback one. dotted: the address was written with an IPv4 tail.
     */
    private static String whyNotIpv6(int[] g, boolean dotted) {
        boolean zeros = true;
        for (int i = 0; i < 6; i++) {
            zeros &= g[i] == 0;
        }
        if (zeros && g[6] == 0 && g[7] == 0) {
            return UNSPECIFIED;
        }
        boolean mapped = zeros ? false : g[0] == 0 && g[1] == 0 && g[2] == 0 && g[3] == 0 && g[4] == 0 && g[5] == 0xffff;
        if (mapped) {
            return g[6] >> 8 == 127 ? null : EMBEDDED;
        }
        boolean compatible = zeros && !(g[6] == 0 && g[7] == 1); // ::a.b.c.d, but ::1
        boolean translated = g[0] == 0 && g[1] == 0 && g[2] == 0 && g[3] == 0 && g[4] == 0xffff && g[5] == 0;
        boolean nat64 = g[0] == 0x64 && g[1] == 0xff9b && (g[2] == 0 || g[2] == 1);
        if (compatible || translated || nat64 || dotted) {
            return EMBEDDED;
        }
        return null;
    }

    /** Four decimal numbers 0 to 255, each without a leading zero. */
    public static boolean isIpv4(String s) {
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
    public static boolean isIpv6(String s) {
        return ipv6Groups(s) != null;
    }

    /** The eight groups of an IPv6 address in the form of {@link #isIpv6}; null for any other text. */
    static int[] ipv6Groups(String s) {
        int gap = s.indexOf("::");
        if (gap >= 0 && s.indexOf("::", gap + 1) >= 0) {
            return null;
        }
        String[] halves = gap >= 0 ? new String[] {s.substring(0, gap), s.substring(gap + 2)} : new String[] {s};
        List<Integer> front = new ArrayList<>();
        List<Integer> back = new ArrayList<>();
        for (int h = 0; h < halves.length; h++) {
            List<Integer> into = h == 0 ? front : back;
            if (halves[h].isEmpty()) {
                if (gap < 0) {
                    return null;
                }
                continue;
            }
            String[] parts = halves[h].split(":", -1);
            for (int i = 0; i < parts.length; i++) {
                boolean last = h == halves.length - 1 && i == parts.length - 1;
                if (last && isIpv4(parts[i])) {
                    String[] q = parts[i].split("\\.");
                    into.add(Integer.parseInt(q[0]) << 8 | Integer.parseInt(q[1]));
                    into.add(Integer.parseInt(q[2]) << 8 | Integer.parseInt(q[3]));
                } else if (parts[i].length() >= 1 && parts[i].length() <= 4 && parts[i].chars().allMatch(ServerName::isHex)) {
                    into.add(Integer.parseInt(parts[i], 16));
                } else {
                    return null;
                }
            }
        }
        int count = front.size() + back.size();
        if (gap >= 0 ? count > 7 : count != 8) {
            return null;
        }
        int[] groups = new int[8];
        for (int i = 0; i < front.size(); i++) {
            groups[i] = front.get(i);
        }
        for (int i = 0; i < back.size(); i++) {
            groups[8 - back.size() + i] = back.get(i);
        }
        return groups;
    }

    /** Why a text is no host name, or null when it is one. */
    static String whyNoHostName(String s) {
        if (allDigits(s)) {
            return DIGITS;
        }
        if (isNumber(lastLabel(s))) {
            return NUMBER;
        }
        if (s.length() > LONGEST_NAME) {
            return LENGTH;
        }
        for (String label : s.split("\\.", -1)) {
            if (label.isEmpty()) {
                return EMPTY_LABEL;
            }
            if (label.length() > LONGEST_LABEL) {
                return LABEL;
            }
            if (!label.chars().allMatch(c -> c == '-' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')
                    || (c >= 'A' && c <= 'Z'))) {
                return CHARACTER;
            }
            if (label.charAt(0) == '-' || label.charAt(label.length() - 1) == '-') {
                return HYPHEN;
            }
        }
        return null;
    }

    /** Labels of letters, digits and inner hyphens; the last one no number. */
    static boolean isHostName(String s) {
        return !s.isEmpty() && whyNoHostName(s) == null;
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
