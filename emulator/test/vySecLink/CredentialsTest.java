package vySecLink;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertThrows;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import org.junit.jupiter.api.Test;
import support.EmulatorProcess;

class CredentialsTest {
    private static final byte[] BOM = {(byte) 0xEF, (byte) 0xBB, (byte) 0xBF};

    @Test
    void aByteOrderMarkIsNotPartOfTheUserName() throws IOException, Failure {
        Path dir = EmulatorProcess.scratch("credentials");
        Path file = dir.resolve("sec.txt");
        Files.write(file, concat(BOM, "admin secret\r\n".getBytes("UTF-8")));
        Credentials c = Credentials.read(file.toString());
        assertEquals("admin", c.user());
        assertEquals("secret", c.password());
    }

    // The launcher splits the first line at the C library's white space
    // before it starts the class: what it accepts, the class reads alike.
    @Test
    void theFirstLineIsSplitAsTheLauncherSplitsIt() throws IOException, Failure {
        String[][] accepted = {
            {"admin\u000Bsecret\n", "admin", "secret"},
            {"admin\fsecret\r\n", "admin", "secret"},
            {"\f\u000B admin\t\r\u000Bs3cret more words\nnext line\n", "admin", "s3cret"},
        };
        for (String[] c : accepted) {
            Credentials read = Credentials.read(write(c[0]).toString());
            assertEquals(c[1], read.user(), c[0]);
            assertEquals(c[2], read.password(), c[0]);
        }
        // A line feed ends the line; a no-break space and the other
        // separators of Unicode are no white space to the launcher either.
        for (String text : new String[] {"admin\nsecret\n", "admin\u00A0secret\n", "admin\u0085secret\n",
                "\u000B\f\r\n", ""}) {
            Failure f = assertThrows(Failure.class, () -> Credentials.read(write(text).toString()), text);
            assertEquals(73, f.status(), text);
        }
    }

    private static Path write(String text) throws IOException {
        Path file = EmulatorProcess.scratch("credentials").resolve("words.txt");
        Files.write(file, text.getBytes("UTF-8"));
        return file;
    }

    static byte[] concat(byte[] a, byte[] b) {
        byte[] r = new byte[a.length + b.length];
        System.arraycopy(a, 0, r, 0, a.length);
        System.arraycopy(b, 0, r, a.length, b.length);
        return r;
    }
}
