package vySecLink;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;

import java.util.List;
import org.junit.jupiter.api.Test;

class WordsTest {
    @Test
    void hostNamesOfEveryKindBecomeOneWordAndComeBack() {
        String[][] cases = {
            {"two words", "two%20words"},
            {"tab\there", "tab%09here"},
            {"say \"hi\" 'there'", "say%20\"hi\"%20'there'"},
            {"Zürich-été", "Zürich-été"},
            {"100%", "100%25"},
            {"#first", "#first"},
            {"  ", "%20%20"},
        };
        for (String[] c : cases) {
            assertEquals(c[1], Words.escape(c[0]), c[0]);
            assertEquals(List.of(c[1]), Words.split(Words.escape(c[0])), c[0]);
            assertEquals(c[0], Words.unescape(c[1]), c[1]);
        }
    }

    @Test
    void unescapingReadsUtf8BytesAndLeavesAStrayPercent() {
        assertEquals("é", Words.unescape("%C3%A9"));
        assertEquals("a%zz", Words.unescape("a%zz"));
        assertEquals("50%", Words.unescape("50%"));
        assertEquals("x%4", Words.unescape("x%4"));
        assertNull(Words.unescape("%C3"), "half a UTF-8 sequence");
    }

    @Test
    void linesOfABodyAndTheMarkAtAFilesStart() {
        assertArrayEquals(new String[0], Text.lines(""));
        assertArrayEquals(new String[] {"a", "", "b"}, Text.lines("a\n\nb\n"));
        assertArrayEquals(new String[] {"a", "b"}, Text.lines("a\nb"));
        assertEquals("admin secret", Text.ofFile("\uFEFFadmin secret".getBytes(java.nio.charset.StandardCharsets.UTF_8)));
        assertEquals("x\uFEFF", Text.withoutBom("x\uFEFF"));
        assertNull(Text.strictUtf8(new byte[] {(byte) 0xff}));
    }
}
