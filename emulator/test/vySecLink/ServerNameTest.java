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

    @Test
    void badNamesAreRefusedWith71() {
        String[] bad = {"", ":80", "host:", "host:0", "host:65536", "host:123456", "host:8a", "host:+80", "host:-1",
            "host: 80", "host:80:90", "ho st", "ho\tst", "host/x", "user@host", "h\u00f4st", "http://host",
            "[::1", "[::1]x", "[::1]:", "[]:80", "[::1]:0", "[ho st]:80", "[::1]:80]", "host:\uff18\uff10",
            "my_host", "-host", "host-", "a..b", ".host", "x".repeat(64), "[host]", "[127.0.0.1]", "[1:2:3:4:5:6:7]",
            "[1:2:3:4:5:6:7:8:9]", "[1::2::3]", "[12345::1]", "[::1%lo]", "[::ffff:127.1]", "[1::2:]"};
        for (String name : bad) {
            Failure f = assertThrows(Failure.class, () -> ServerName.parse(name), name);
            assertEquals(71, f.status(), name);
            assertEquals("bad server name " + name, f.getMessage(), name);
        }
    }
}
