package vyEmulator;

import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import vySecLink.Failure;
import vySecLink.ServerName;
import vySecLink.Status;

/**
 * The port file: one line, the address run is bound to in numbers and its
 * port ("127.0.0.1:41234", "[0:0:0:0:0:0:0:1]:41234"), and a line end.
 * stop takes nothing else, so that a file a script wrote ("41234", a host
 * name) never sends a request where it did not mean to.
 */
final class PortFile {
    /** "[" 39 "]:" 5 "\n" is 48 bytes; more is no port file. */
    static final int MOST_BYTES = 64;

    private PortFile() {
    }

    static void write(Path file, ServerName where) throws IOException {
        StateFile.save(file, where.authority() + "\n");
    }

    /** The address in the file: 70 when it cannot be read, 85 when it holds anything but what write wrote. */
    static ServerName read(Path file) throws Failure {
        byte[] bytes;
        try (InputStream in = Files.newInputStream(file)) {
            bytes = in.readNBytes(MOST_BYTES + 1);
        } catch (IOException e) {
            throw new Failure(Status.NO_ANSWER, "port file " + file + " cannot be read, nothing to stop");
        }
        String text = new String(bytes, StandardCharsets.ISO_8859_1);
        if (bytes.length <= MOST_BYTES && text.endsWith("\n")) {
            String line = text.substring(0, text.length() - 1);
            try {
                ServerName name = ServerName.parse(line);
                if (name.isAddress() && line.equals(name.authority())) {
                    return name;
                }
            } catch (Failure e) {
                // told below
            }
        }
        throw new Failure(Exit.BAD_PORT_FILE, "port file " + file + " holds \"" + shown(bytes) + "\", not the line"
                + " ADDRESS:PORT the emulator writes there (as 127.0.0.1:7530); nothing is sent");
    }

    /** The bytes as a C string literal shows them; the first MOST_BYTES only. */
    private static String shown(byte[] bytes) {
        StringBuilder b = new StringBuilder();
        for (int i = 0; i < Math.min(bytes.length, MOST_BYTES); i++) {
            int c = bytes[i] & 0xff;
            switch (c) {
                case '\n' -> b.append("\\n");
                case '\r' -> b.append("\\r");
                case '\t' -> b.append("\\t");
                case '"' -> b.append("\\\"");
                case '\\' -> b.append("\\\\");
                default -> b.append(c >= 0x20 && c < 0x7f ? Character.toString(c) : String.format("\\x%02x", c));
            }
        }
        return bytes.length > MOST_BYTES ? b + "..." : b.toString();
    }
}
