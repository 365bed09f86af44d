package vyEmulator;

import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.StandardOpenOption;
import java.nio.file.attribute.BasicFileAttributes;
import java.util.concurrent.ExecutionException;
import java.util.concurrent.FutureTask;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.TimeoutException;
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
    static final long READ_MILLIS = 3_000;

    private PortFile() {
    }

    static void write(Path file, ServerName where) throws IOException {
        StateFile.save(file, where.authority() + "\n");
    }

    /**
     * The address in the file: 70 when it cannot be read, 85 when it is no
     * regular file (a link is not followed, a FIFO not opened), holds anything
     * but what write wrote, or names an address other than this machine's.
     * What the file holds is never shown: a name may lead anywhere.
     */
    static ServerName read(Path file) throws Failure {
        BasicFileAttributes kind;
        try {
            kind = Files.readAttributes(file, BasicFileAttributes.class, LinkOption.NOFOLLOW_LINKS);
        } catch (IOException e) {
            throw new Failure(Status.NO_ANSWER, "port file " + file + " cannot be read, nothing to stop");
        }
        if (!kind.isRegularFile()) { // a link, read without following it, is none
            throw new Failure(Exit.BAD_PORT_FILE, "port file " + file + " is " + (kind.isSymbolicLink() ? "a link"
                    : "not a regular file") + "; nothing is sent");
        }
        byte[] bytes = readBounded(file);
        String text = new String(bytes, StandardCharsets.ISO_8859_1);
        if (bytes.length <= MOST_BYTES && text.endsWith("\n")) {
            String line = text.substring(0, text.length() - 1);
            ServerName name = null;
            try {
                name = ServerName.parse(line);
            } catch (Failure e) {
                // told below
            }
            if (name != null && name.isAddress() && line.equals(name.authority())) {
                if (!name.isLoopback()) {
                    throw new Failure(Exit.BAD_PORT_FILE, "port file " + file + " names " + line + ", not a loopback"
                            + " address; only --server sends elsewhere; nothing is sent");
                }
                return name;
            }
        }
        throw new Failure(Exit.BAD_PORT_FILE, "port file " + file + " does not hold the line ADDRESS:PORT the emulator"
                + " writes there (as 127.0.0.1:7530); nothing is sent");
    }

    /**
     * The first MOST_BYTES + 1 bytes, opened without following a link. The
     * open and the read run on a thread of their own and are given up after
     * READ_MILLIS: a file swapped for a FIFO after the check above would
     * otherwise hold stop for ever.
     */
    private static byte[] readBounded(Path file) throws Failure {
        Failure unreadable = new Failure(Status.NO_ANSWER, "port file " + file + " cannot be read, nothing to stop");
        FutureTask<byte[]> read = new FutureTask<>(() -> {
            try (InputStream in = Files.newInputStream(file, StandardOpenOption.READ, LinkOption.NOFOLLOW_LINKS)) {
                return in.readNBytes(MOST_BYTES + 1);
            }
        });
        Thread reader = new Thread(read, "port-file");
        reader.setDaemon(true);
        reader.start();
        try {
            return read.get(READ_MILLIS, TimeUnit.MILLISECONDS);
        } catch (TimeoutException e) {
            throw new Failure(Exit.BAD_PORT_FILE, "port file " + file + " is not a regular file; nothing is sent");
        } catch (ExecutionException e) {
            throw unreadable;
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
            throw unreadable;
        }
    }
}
