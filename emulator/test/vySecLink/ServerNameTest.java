package vySecLink;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.net.InetAddress;
import java.net.UnknownHostException;
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
            {"3com.example:80", "3com.example", "80", "3com.example:80"},
            {"x.y9", "x.y9", "7530", "x.y9:7530"},
            {"0.0.0.0", "0.0.0.0", "7530", "0.0.0.0:7530"},
            {"255.255.255.255:2", "255.255.255.255", "2", "255.255.255.255:2"},
            {"[0:0:0:0:0:0:0:1]:41000", "0:0:0:0:0:0:0:1", "41000", "[0:0:0:0:0:0:0:1]:41000"},
            {"[::ffff:127.0.0.1]", "::ffff:127.0.0.1", "7530", "[::ffff:127.0.0.1]:7530"},
            {"[1:2:3:4:5:6:7::]", "1:2:3:4:5:6:7::", "7530", "[1:2:3:4:5:6:7::]:7530"},
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
        String longest = String.join(".", "x".repeat(63), "x".repeat(63), "x".repeat(63), "x".repeat(61));
        assertEquals(253, ServerName.parse(longest).host().length());
        // The emulator's own address: an IPv6 address gets its brackets.
        assertEquals("[::1]:7530", ServerName.of("::1", 7530).authority());
        assertEquals("127.0.0.1:41000", ServerName.of("127.0.0.1", 41000).toString());
    }

    /** A literal address is used as it is written: the class connects to that address and no other. */
    @Test
    void addressesAreTakenLiterally() throws Failure, UnknownHostException {
        assertEquals(InetAddress.getByAddress(new byte[] {127, 0, 0, 1}),
                InetAddress.getByName(ServerName.parse("127.0.0.1:7530").host()));
        assertEquals(InetAddress.getByName("::1"), InetAddress.getByName(ServerName.parse("[::1]").host()));
    }

    /**
     * Digits alone, and the short, octal and hexadecimal forms of an IPv4
     * address, are refused: the resolvers read them as addresses that are
     * seldom the one meant ("7530" is 0.0.29.106, "017.0.0.1" 15.0.0.1 or
     * 17.0.0.1 depending on who reads it).
     */
    @Test
    void numberFormsAreNoServerNames() {
        String digits = ": a host name is not digits alone; a port follows the host, as in 127.0.0.1:7530";
        String ipv4 = ": an IPv4 address is four decimal numbers 0 to 255 without leading zeros, as in 127.0.0.1,"
                + " and a host name does not end in a number";
        String[][] cases = {
            {"7530", digits}, {"33045", digits}, {"2130706433", digits}, {"7530:80", digits}, {"0", digits},
            {"127.1", ipv4}, {"127.1:7530", ipv4}, {"127.0.1", ipv4}, {"0x7f.0.0.1", ipv4}, {"017.0.0.1", ipv4},
            {"127.0.0.01", ipv4}, {"256.0.0.1", ipv4}, {"1.2.3.4.5", ipv4}, {"1.0x7f", ipv4}, {"0x7f000001", ipv4},
            {"0X7F000001", ipv4}, {"storage.0x1f", ipv4}, {"example.123", ipv4}, {"127.0.0.1.", ipv4},
        };
        for (String[] c : cases) {
            Failure f = assertThrows(Failure.class, () -> ServerName.parse(c[0]), c[0]);
            assertEquals(71, f.status(), c[0]);
            assertEquals("bad server name " + c[0] + c[1], f.getMessage(), c[0]);
        }
    }

    @Test
    void badNamesAreRefusedWith71() {
        String[] bad = {"", ":80", "host:", "host:0", "host:65536", "host:123456", "host:8a", "host:+80", "host:-1",
            "host: 80", "host:80:90", "ho st", "ho\tst", "host/x", "user@host", "h\u00f4st", "http://host",
            "[::1", "[::1]x", "[::1]:", "[]:80", "[::1]:0", "[ho st]:80", "[::1]:80]", "host:\uff18\uff10",
            // host names: letters, digits and hyphens in dot-separated labels of 63 at most
            "my_host", "-host", "host-", "a..b", ".host", "host..", "a-.b", "x".repeat(64),
            String.join(".", "x".repeat(63), "x".repeat(63), "x".repeat(63), "x".repeat(63)),
            // bracketed: an IPv6 address and nothing else
            "[abc]", "[host]", "[127.0.0.1]", "[1:2:3:4:5:6:7:8:9]", "[1:2:3:4:5:6:7]", "[1::2::3]", "[12345::1]",
            "[:::]", "[::1%lo]", "[g::1]", "[::ffff:127.1]", "[1:2:3:4:5:6:7:8::]", "[:1::2]", "[1::2:]"};
        for (String name : bad) {
            Failure f = assertThrows(Failure.class, () -> ServerName.parse(name), name);
            assertEquals(71, f.status(), name);
            assertEquals("bad server name " + name, f.getMessage(), name);
        }
    }
}
