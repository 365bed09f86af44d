package vySecLink;

import static org.junit.jupiter.api.Assertions.assertEquals;

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

    static byte[] concat(byte[] a, byte[] b) {
        byte[] r = new byte[a.length + b.length];
        System.arraycopy(a, 0, r, 0, a.length);
        System.arraycopy(b, 0, r, a.length, b.length);
        return r;
    }
}
