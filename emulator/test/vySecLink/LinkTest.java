package vySecLink;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.time.Duration;
import org.junit.jupiter.api.Test;
import support.ChildJava;
import support.StreamingServer;

/** A reply is read to a bounded size and within a bounded time, whatever the server sends. */
class LinkTest {
    private static final Duration THREE = Duration.ofSeconds(3);

    private static Failure askPing(StreamingServer s) {
        Link link = new Link(ServerName.of("127.0.0.1", s.port()), null, THREE, THREE);
        long begin = System.nanoTime();
        Failure f = assertThrows(Failure.class, () -> link.get("/ping"));
        long millis = (System.nanoTime() - begin) / 1_000_000;
        assertTrue(millis < 6_000, "took " + millis + " ms: " + f.getMessage());
        return f;
    }

    @Test
    void anEndlessReplyEndsWith81() throws IOException {
        String where = "unexpected reply from server 127.0.0.1:";
        try (StreamingServer body = new StreamingServer("HTTP/1.1 200 OK\r\n\r\n", false);
                StreamingServer length = new StreamingServer("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n",
                        false);
                StreamingServer header = new StreamingServer("HTTP/1.1 200 OK\r\nX-Pad: ", false)) {
            for (StreamingServer s : new StreamingServer[] {body, length}) {
                Failure f = askPing(s);
                assertEquals(81, f.status());
                assertEquals(where + s.port() + ": a reply of more than 8388608 bytes", f.getMessage());
            }
            Failure f = askPing(header);
            assertEquals(81, f.status());
            assertEquals(where + header.port() + ": a reply head of more than 65536 bytes", f.getMessage());
        }
    }

    @Test
    void aReplyThatNeverEndsIsNoAnswer() throws IOException {
        try (StreamingServer drip = new StreamingServer("HTTP/1.1 200 OK\r\n\r\n", true)) {
            Failure f = askPing(drip);
            assertEquals(70, f.status());
            assertEquals("server 127.0.0.1:" + drip.port() + " does not answer", f.getMessage());
        }
    }

    /** What a launcher sees of a probe of such a server: a status and one line, no stack trace. */
    @Test
    void theProbeOfAStreamingServer() throws IOException {
        try (StreamingServer s = new StreamingServer("HTTP/1.1 200 OK\r\n\r\n", false)) {
            long begin = System.nanoTime();
            ChildJava.Result r = ChildJava.runClass("vyMirrorKit.vyNetProbe", "-Verbose=yes", "-Server=127.0.0.1:" + s.port());
            long millis = (System.nanoTime() - begin) / 1_000_000;
            assertEquals(81, r.status(), r.toString());
            assertEquals("vyNetProbe: unexpected reply from server 127.0.0.1:" + s.port()
                    + ": a reply of more than 8388608 bytes\n", r.out());
            assertEquals("", r.err());
            assertTrue(millis < 8_000, "took " + millis + " ms");
        }
    }

    /** A path goes into the request line only percent-encoded: a blank or a line end would add to the request. */
    @Test
    void aPathIsNeverSentRaw() {
        Link link = new Link(ServerName.of("127.0.0.1", 1), null, THREE, THREE);
        for (String path : new String[] {"/a b", "/a\r\nX-Evil: 1", "tasks", "/t\u00e4sk"}) {
            assertThrows(IllegalArgumentException.class, () -> link.get(path), path);
        }
    }

    /** Lengths, chunks and a reply ended by closing: each read whole. */
    @Test
    void theFormsOfAWholeReply() throws IOException, Failure {
        String[][] cases = {
            {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nok\nmore", "200", "ok\n"},
            {"HTTP/1.1 404 Not Found\r\ncontent-length: 4\r\n\r\nno x", "404", "no x"},
            {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nab\n\r\n2;x=y\r\ncd\r\n0\r\n\r\n", "200", "ab\ncd"},
            {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nto the end\n", "200", "to the end\n"},
            {"HTTP/1.0 204 No Content\r\n\r\n", "204", ""},
        };
        for (String[] c : cases) {
            try (support.CannedServer s = new support.CannedServer(c[0])) {
                Link.Reply r = new Link(ServerName.of("127.0.0.1", s.port()), null, THREE, THREE).get("/x");
                assertEquals(Integer.parseInt(c[1]), r.status, c[0]);
                assertEquals(c[2], r.body, c[0]);
            }
        }
        for (String bad : new String[] {"SMTP ready\r\n\r\n", "HTTP/1.1 2000 OK\r\n\r\n",
            "HTTP/1.1 200 OK\r\nContent-Length: x\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nshort",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"}) {
            try (support.CannedServer s = new support.CannedServer(bad)) {
                Failure f = assertThrows(Failure.class,
                        () -> new Link(ServerName.of("127.0.0.1", s.port()), null, THREE, THREE).get("/x"), bad);
                assertEquals(81, f.status(), bad);
                assertTrue(f.getMessage().startsWith("unexpected reply from server 127.0.0.1:" + s.port() + ": "), bad);
            }
        }
    }

    /** 8 MiB of body are read, one byte more is refused: told by its length or found while reading. */
    @Test
    void theLargestReply() throws IOException, Failure {
        String most = "a".repeat(Link.LARGEST_REPLY);
        for (String head : new String[] {"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n", "HTTP/1.1 200 OK\r\n\r\n"}) {
            try (support.CannedServer s = new support.CannedServer(String.format(head, most.length()) + most)) {
                Link.Reply r = new Link(ServerName.of("127.0.0.1", s.port()), null, THREE, THREE).get("/x");
                assertEquals(8388608, r.body.length(), head);
            }
            try (support.CannedServer s = new support.CannedServer(String.format(head, most.length() + 1) + most + "b")) {
                Failure f = assertThrows(Failure.class,
                        () -> new Link(ServerName.of("127.0.0.1", s.port()), null, THREE, THREE).get("/x"), head);
                assertEquals("unexpected reply from server 127.0.0.1:" + s.port() + ": a reply of more than 8388608 bytes",
                        f.getMessage());
            }
        }
    }
}
