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
    void badNamesAreRefusedWith71() {
        for (String bad : new String[] {"host:", "host:0", "host:65536", "host:123456", "host:8a", "[::1", "[::1]x"}) {
            Failure f = assertThrows(Failure.class, () -> ServerName.parse(bad), bad);
            assertEquals(71, f.status(), bad);
        }
    }
}
