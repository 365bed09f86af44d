package vyShellKit;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/**
 * A table on standard output: a header row, then the rows; each column
 * left-aligned and padded to its widest cell plus two blanks, the last
 * column not padded.
 */
final class Table {
    private final List<String[]> rows = new ArrayList<>();

    Table(String... header) {
        rows.add(header);
    }

    void add(String... cells) {
        rows.add(cells);
    }

    void print() {
        int columns = rows.get(0).length;
        int[] width = new int[columns];
        for (String[] row : rows) {
            for (int c = 0; c < columns; c++) {
                width[c] = Math.max(width[c], row[c].length());
            }
        }
        for (String[] row : rows) {
            StringBuilder line = new StringBuilder();
            for (int c = 0; c < columns; c++) {
                line.append(row[c]);
                if (c < columns - 1) {
                    char[] pad = new char[width[c] - row[c].length() + 2];
                    Arrays.fill(pad, ' ');
                    line.append(pad);
                }
            }
            System.out.println(line);
        }
    }
}
