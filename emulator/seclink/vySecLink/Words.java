package vySecLink;

import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.function.IntPredicate;

/**
 * Splits lines into words: runs of characters other than blanks, tabs and
 * carriage returns. A name that may hold blanks (a host name) travels as one
 * word in its escaped form: see {@link #escape}.
 */
public final class Words {
    private Words() {
    }

    public static List<String> split(String line) {
        return split(line, c -> isBlank((char) c));
    }

    /**
     * Splits a line where the launchers split one they read: at the C
     * library's white space, that is blanks, tabs, line feeds, vertical tabs,
     * form feeds and carriage returns.
     */
    public static List<String> splitAtWhiteSpace(String line) {
        return split(line, c -> isWhiteSpace((char) c));
    }

    private static boolean isWhiteSpace(char c) {
        return isBlank(c) || c == '\n' || c == '\u000B' || c == '\f';
    }

    private static List<String> split(String line, IntPredicate separates) {
        List<String> words = new ArrayList<>();
        int i = 0;
        int n = line.length();
        while (i < n) {
            while (i < n && separates.test(line.charAt(i))) {
                i++;
            }
            int start = i;
            while (i < n && !separates.test(line.charAt(i))) {
                i++;
            }
            if (i > start) {
                words.add(line.substring(start, i));
            }
        }
        return words;
    }

    // A carriage return counts as a blank so that files with CR LF line ends read the same.
    public static boolean isBlank(char c) {
        return c == ' ' || c == '\t' || c == '\r';
    }

    /**
     * A name as one word: each '%', blank, tab, other control character and
     * DEL becomes %XX (upper-case hexadecimal digits); everything else, other
     * letters too, stays as it is. "two words" is "two%20words".
     */
    public static String escape(String name) {
        StringBuilder b = new StringBuilder(name.length());
        for (int i = 0; i < name.length(); i++) {
            char c = name.charAt(i);
            if (c == '%' || c <= ' ' || c == 0x7f) {
                b.append('%').append(Character.toUpperCase(Character.forDigit(c >> 4, 16)))
                        .append(Character.toUpperCase(Character.forDigit(c & 0xf, 16)));
            } else {
                b.append(c);
            }
        }
        return b.toString();
    }

    /**
     * The name of an escaped word: each %XX is the byte XX of the name's
     * UTF-8 form. A '%' that is not followed by two hexadecimal digits stands
     * for itself. Null when the bytes are not UTF-8.
     */
    public static String unescape(String word) {
        if (word.indexOf('%') < 0) {
            return word;
        }
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        for (int i = 0; i < word.length(); i++) {
            char c = word.charAt(i);
            boolean room = c == '%' && i + 2 < word.length();
            int hi = room ? Character.digit(word.charAt(i + 1), 16) : -1;
            int lo = room ? Character.digit(word.charAt(i + 2), 16) : -1;
            if (hi >= 0 && lo >= 0) {
                bytes.write(hi * 16 + lo);
                i += 2;
            } else {
                int end = Character.isHighSurrogate(c) && i + 1 < word.length() ? i + 2 : i + 1;
                bytes.writeBytes(word.substring(i, end).getBytes(StandardCharsets.UTF_8));
                i = end - 1;
            }
        }
        return Text.strictUtf8(bytes.toByteArray());
    }
}
