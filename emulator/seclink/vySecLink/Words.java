package vySecLink;

import java.util.ArrayList;
import java.util.List;

/** Splits lines into words: runs of characters other than blanks, tabs and carriage returns. */
public final class Words {
    private Words() {
    }

    public static List<String> split(String line) {
        List<String> words = new ArrayList<>();
        int i = 0;
        int n = line.length();
        while (i < n) {
            while (i < n && isBlank(line.charAt(i))) {
                i++;
            }
            int start = i;
            while (i < n && !isBlank(line.charAt(i))) {
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
}
