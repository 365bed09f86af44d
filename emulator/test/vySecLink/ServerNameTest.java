package vySecLink;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import org.junit.jupiter.api.Test;

class ServerNameTest {
    @Test
    void hostAloneTakesTheDefaultPort() throws Failure {
        ServerName n = ServerName.parse("storage1");
        assertEquals("storage1", n.host());
        assertEquals(7530, n.port());
        assertEquals("storage1:7530", n.authority());
        assertEquals("storage1", n.toString());
    }

    @Test
    void hostPortAndBracketedAddress() throws Failure {
        assertEquals(8000, ServerName.parse("storage1:8000").port());
        ServerName v6 = ServerName.parse("[::1]:9000");
        assertEquals("::1", v6.host());
        assertEquals(9000, v6.port());
        assertEquals("[::1]:9000", v6.authority());
    }

    @Test
    void goodNamesAtTheEdges() throws Failure {
        String[][] cases = {
            // name, host, port, authority
            {"a", "a", "7530", "a:7530"},
            {"my-host-2.example.com", "my-host-2.example.com", "7530", "my-host-2.example.com:7530"},
            {"3com.x9:80", "3com.x9", "80", "3com.x9:80"},
            {"255.255.255.255:2", "255.255.255.255", "2", "255.255.255.255:2"},
            {"[0:0:0:0:0:0:0:1]:41000", "0:0:0:0:0:0:0:1", "41000", "[0:0:0:0:0:0:0:1]:41000"},
            {"[::ffff:127.0.0.1]", "::ffff:127.0.0.1", "7530", "[::ffff:127.0.0.1]:7530"},
            {"127.0.0.1:1", "127.0.0.1", "1", "127.0.0.1:1"},
            {"h:65535", "h", "65535", "h:65535"},
            {"[::1]", "::1", "7530", "[::1]:7530"},
            {"[fe80::1:2]:80", "fe80::1:2", "80", "[fe80::1:2]:80"},
            {"[2001:db8::7]:443", "2001:db8::7", "443", "[2001:db8::7]:443"},
        };
        for (String[] c : cases) {
            ServerName n = ServerName.parse(c[0]);
            assertEquals(c[1], n.host(), c[0]);
            assertEquals(Integer.parseInt(c[2]), n.port(), c[0]);
            assertEquals(c[3], n.authority(), c[0]);
        }
        // The emulator's own address: an IPv6 address gets its brackets.
        assertEquals("[::1]:7530", ServerName.of("::1", 7530).authority());
        assertEquals("127.0.0.1:41000", ServerName.of("127.0.0.1", 41000).toString());
    }

    /** Digits alone and the short, octal and hex forms of IPv4: resolvers read them as addresses seldom meant. */
    @Test
    void numberFormsAreNoServerNames() {
        String digits = ": a host name is not digits alone; a port follows the host, as in 127.0.0.1:7530";
        String ipv4 = ": an IPv4 address is four decimal numbers 0 to 255 without leading zeros, as in 127.0.0.1,"
                + " and a host name does not end in a number";
        for (String name : new String[] {"7530", "33045", "2130706433:7530", "127.1", "127.1:7530", "0x7f.0.0.1",
            "017.0.0.1", "127.0.0.01", "256.0.0.1", "1.2.3.4.5", "1.0x7f", "0X7F000001", "example.123", "127.0.0.1."}) {
            Failure f = assertThrows(Failure.class, () -> ServerName.parse(name), name);
            assertEquals(71, f.status(), name);
            assertEquals("bad server name " + name + (name.matches("[0-9]+(:.*)?") ? digits : ipv4), f.getMessage());
        }
    }

    /** Every refusal says why: "bad server name NAME: WHY". */
    @Test
    void badNamesAreRefusedWith71AndTheReason() {
        String port = "a port is a decimal number 1 to 65535 without leading zeros";
        String noHost = "no host is given";
        String brackets = "an IPv6 address is closed by ] and followed by nothing or by :port";
        String ipv6 = "an IPv6 address is eight groups of 1 to 4 hexadecimal digits, :: standing for zero groups,"
                + " without a zone";
        String unspecified = "the unspecified address names no server; this machine is 127.0.0.1";
        String embedded = "an IPv6 address that holds an IPv4 address is taken only as ::ffff:127.x.y.z;"
                + " give the IPv4 address itself";
        String character = "a host name holds letters, digits, hyphens and dots only";
        String emptyLabel = "a host name has no empty label: no dot at its start or end, no two dots together";
        String hyphen = "a label of a host name neither begins nor ends with a hyphen";
        String label = "a label of a host name is at most 63 characters";
        String length = "a host name is at most 253 characters";
        String[][] bad = {
            {"", noHost}, {":80", noHost},
            {"host:", port}, {"host:0", port}, {"host:65536", port}, {"host:123456", port}, {"host:8a", port},
            {"host:+80", port}, {"host:-1", port}, {"host: 80", port}, {"host:80:90", port}, {"http://host", port},
            {"host:\uff18\uff10", port}, {"[::1]:", port}, {"[::1]:0", port}, {"[::1]:80]", port},
            {"host:00080", port}, {"127.0.0.1:07530", port}, {"[::1]:0080", port},
            {"[::1", brackets}, {"[::1]x", brackets},
            {"[]:80", ipv6}, {"[ho st]:80", ipv6}, {"[host]", ipv6}, {"[127.0.0.1]", ipv6}, {"[1:2:3:4:5:6:7]", ipv6},
            {"[1:2:3:4:5:6:7:8:9]", ipv6}, {"[1::2::3]", ipv6}, {"[12345::1]", ipv6}, {"[::1%lo]", ipv6},
            {"[::ffff:127.1]", ipv6}, {"[1::2:]", ipv6},
            {"0.0.0.0", unspecified}, {"0.0.0.0:7530", unspecified}, {"[::]", unspecified}, {"[::]:80", unspecified},
            {"[0:0:0:0:0:0:0:0]", unspecified}, {"[0::0]", unspecified},
            {"[::127.0.0.1]", embedded}, {"[::7f00:1]", embedded}, {"[::ffff:10.9.9.9]", embedded},
            {"[::ffff:a09:909]", embedded}, {"[::ffff:0:127.0.0.1]", embedded}, {"[64:ff9b::127.0.0.1]", embedded},
            {"[64:ff9b::7f00:1]", embedded}, {"[2001:db8::1.2.3.4]", embedded}, {"[::ffff:128.0.0.1]", embedded},
            {"ho st", character}, {"ho\tst", character}, {"host/x", character}, {"user@host", character},
            {"h\u00f4st", character}, {"my_host", character}, {"a_b", character},
            {"a..b", emptyLabel}, {".host", emptyLabel}, {"host.", emptyLabel},
            {"-host", hyphen}, {"host-", hyphen}, {"a.-b.c", hyphen},
            {"x".repeat(64), label}, {"a." + "x".repeat(64) + ".b", label},
            {("x".repeat(63) + ".").repeat(3) + "x".repeat(62), length},
        };
        for (String[] c : bad) {
            Failure f = assertThrows(Failure.class, () -> ServerName.parse(c[0]), c[0]);
            assertEquals(71, f.status(), c[0]);
            assertEquals("bad server name " + c[0] + ": " + c[1], f.getMessage(), c[0]);
        }
    }

    /** The longest forms taken, and the IPv4-in-IPv6 forms that reach this machine. */
    @Test
    void longestNamesAndLoopbackForms() throws Failure {
        String longest = ("x".repeat(63) + ".").repeat(3) + "x".repeat(61);
        assertEquals(253, longest.length());
        assertEquals(longest, ServerName.parse(longest + ":65535").host());
        assertEquals("a." + "x".repeat(63) + ".b", ServerName.parse("a." + "x".repeat(63) + ".b").host());
        for (String loopback : new String[] {"::ffff:127.0.0.1", "::ffff:127.255.0.9", "0:0:0:0:0:ffff:127.0.0.1",
            "::ffff:7f00:1", "::1", "0:0:0:0:0:0:0:1"}) {
            assertEquals(loopback, ServerName.parse("[" + loopback + "]:80").host(), loopback);
        }
        assertEquals(10, ServerName.parse("h:10").port());
    }
}
