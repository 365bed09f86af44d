package vySecLink;

import java.nio.ByteBuffer;
import java.nio.charset.CharacterCodingException;
import java.nio.charset.CodingErrorAction;
import java.nio.charset.StandardCharsets;

/** Text as the Java side reads and writes it: UTF-8, lines ended by LF. */
public final class Text {
    /** The byte-order mark some Windows editors put at the start of a UTF-8 file. */
    public static final char BOM = '\uFEFF';

    private Text() {
    }

    /** The bytes as UTF-8 text; null when they are not UTF-8 (nothing is replaced). */
    public static String strictUtf8(byte[] bytes, int offset, int length) {
        try {
            return StandardCharsets.UTF_8.newDecoder()
                    .onMalformedInput(CodingErrorAction.REPORT)
                    .onUnmappableCharacter(CodingErrorAction.REPORT)
                    .decode(ByteBuffer.wrap(bytes, offset, length))
                    .toString();
        } catch (CharacterCodingException e) {
            return null;
        }
    }

    public static String strictUtf8(byte[] bytes) {
        return strictUtf8(bytes, 0, bytes.length);
    }

    /** The text of a file: UTF-8 (bad bytes replaced), without a byte-order mark at its start. */
    public static String ofFile(byte[] bytes) {
        return withoutBom(new String(bytes, StandardCharsets.UTF_8));
    }

    public static String withoutBom(String text) {
        return !text.isEmpty() && text.charAt(0) == BOM ? text.substring(1) : text;
    }

    /**
     * The lines of a body or file: split at LF, without the line end after
     * the last line; an empty text has no lines. A CR before the LF stays
     * (the word splitter counts it as a blank).
     */
    public static String[] lines(String text) {
        if (text.isEmpty()) {
            return new String[0];
        }
        String body = text.endsWith("\n") ? text.substring(0, text.length() - 1) : text;
        return body.split("\n", -1);
    }

    /**
     * The text with each control character (C0, DEL and C1) written as \xNN,
     * so that what a request or a file brings is shown on a terminal or in a
     * log, never obeyed by it.
     */
    public static String shown(String text) {
        StringBuilder b = null;
        for (int i = 0; i < text.length(); i++) {
            char c = text.charAt(i);
            boolean control = c < 0x20 || (c >= 0x7f && c <= 0x9f);
            if (control && b == null) {
                b = new StringBuilder(text.substring(0, i));
            }
            if (b != null) {
                b.append(control ? String.format("\\x%02x", (int) c) : Character.toString(c));
            }
        }
        return b == null ? text : b.toString();
    }
}
