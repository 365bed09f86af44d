package vyEmulator;

import java.io.IOException;
import java.nio.ByteBuffer;
import java.nio.channels.FileChannel;
import java.nio.charset.StandardCharsets;
import java.nio.file.FileAlreadyExistsException;
import java.nio.file.Files;
import java.nio.file.LinkOption;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.StandardOpenOption;
import java.nio.file.attribute.PosixFilePermission;
import java.nio.file.attribute.PosixFilePermissions;
import java.security.SecureRandom;
import java.time.Instant;
import java.time.format.DateTimeParseException;
import java.util.ArrayList;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import vySecLink.Failure;
import vySecLink.Text;
import vySecLink.Words;

/**
 * The state file: UTF-8 text, one item a line, words separated by blanks or
 * tabs; "#" starts a comment line, blank lines are ignored.
 * <pre>
 * user NAME PASSWORD
 * volume SERIAL NAME                serial 1..9 letters/digits, name 1..49 characters
 * task NAME SOURCE TARGET SECONDS complete|fail [started=INSTANT]
 * sees HOST DISK SERIAL [unknown]   what the host's multipath driver shows; "unknown": a
 *                                   serial that no volume has, on purpose
 * registered HOST [DISK SERIAL]     what vySeedHost registered; alone: a host with no volumes
 * </pre>
 * A host name is written escaped ({@link Words#escape}): "two words" is
 * "two%20words", so that every name a launcher can pass is one word.
 */
final class StateFile {
    static final int LONGEST_DISK = 18;
    static final int LONGEST_HOST = 1023; // as long as a launcher's /d value may be
    static final int LONGEST_VOLUME_NAME = 49;
    static final long MOST_SECONDS = 1_000_000_000L;
    static final String HEADER = "# vyEmulator state. The emulator writes this file after every change;\n"
            + "# edit it only while the emulator is stopped.\n";

    private StateFile() {
    }

    static boolean isSerial(String s) {
        return s.matches("[A-Za-z0-9]{1,9}");
    }

    static boolean isDisk(String s) {
        return !s.isEmpty() && s.length() <= LONGEST_DISK;
    }

    /**
     * Why a host name cannot be kept, or null when it can: 1 to 1023
     * characters, any but control characters (a tab is allowed).
     */
    static String badHost(String host) {
        if (host.isEmpty() || host.length() > LONGEST_HOST) {
            return "a host name is 1 to " + LONGEST_HOST + " characters: " + Words.escape(host);
        }
        for (int i = 0; i < host.length(); i++) {
            char c = host.charAt(i);
            if ((c < 0x20 && c != '\t') || c == 0x7f) {
                return "a host name holds no control characters other than tabs: " + Words.escape(host);
            }
        }
        return null;
    }

    /** Reads and checks a state file; every fault is 82 with the file and line. */
    static State read(Path file) throws Failure {
        byte[] bytes;
        try {
            bytes = Files.readAllBytes(file);
        } catch (IOException e) {
            throw new Failure(Exit.BAD_STATE_FILE, file + ": cannot be read (" + e.getMessage() + ")");
        }
        return parse(file.toString(), bytes);
    }

    static State parse(String label, byte[] bytes) throws Failure {
        State s = new State();
        Set<String> volumeNames = new HashSet<>();
        int start = 0;
        int lineNumber = 0;
        while (start < bytes.length) {
            int end = start;
            while (end < bytes.length && bytes[end] != '\n') {
                end++;
            }
            lineNumber++;
            String line = Text.strictUtf8(bytes, start, end - start);
            if (line == null) {
                throw new Failure(Exit.BAD_STATE_FILE, label + ":" + lineNumber + ": not UTF-8 text");
            }
            start = end + 1;
            if (lineNumber == 1) {
                line = Text.withoutBom(line); // a byte-order mark some editors write
            }
            List<String> w = Words.split(line);
            if (w.isEmpty() || w.get(0).startsWith("#")) {
                continue;
            }
            new LineReader(label, lineNumber, w, s, volumeNames).read();
        }
        return s;
    }

    /** One line of the file, checked against what came before it. */
    private static final class LineReader {
        private final String label;
        private final int number;
        private final List<String> w;
        private final State s;
        private final Set<String> volumeNames;

        LineReader(String label, int number, List<String> w, State s, Set<String> volumeNames) {
            this.label = label;
            this.number = number;
            this.w = w;
            this.s = s;
            this.volumeNames = volumeNames;
        }

        private Failure fault(String what) {
            return new Failure(Exit.BAD_STATE_FILE, label + ":" + number + ": " + what);
        }

        private void expect(boolean ok, String form) throws Failure {
            if (!ok) {
                throw fault("expected \"" + form + "\"");
            }
        }

        private void knownSerial(String serial) throws Failure {
            if (!s.volumes.containsKey(serial)) {
                throw fault("no volume has the serial " + serial + " (volumes must come first)");
            }
        }

        void read() throws Failure {
            switch (w.get(0)) {
                case "user" -> user();
                case "volume" -> volume();
                case "task" -> task();
                case "sees" -> sees();
                case "registered" -> registered();
                default -> throw fault("unknown keyword " + w.get(0));
            }
        }

        private void user() throws Failure {
            expect(w.size() == 3, "user <name> <password>");
            String name = w.get(1);
            // Basic credentials end the user name at the first colon.
            if (name.contains(":")) {
                throw fault("a user name cannot hold a colon");
            }
            if (s.users.containsKey(name)) {
                throw fault("user " + name + " is given twice");
            }
            s.users.put(name, w.get(2));
        }

        private void volume() throws Failure {
            expect(w.size() == 3, "volume <serial> <name>");
            String serial = w.get(1);
            String name = w.get(2);
            if (!isSerial(serial)) {
                throw fault("a serial is 1 to 9 letters or digits: " + serial);
            }
            if (name.length() > LONGEST_VOLUME_NAME) {
                throw fault("a volume name is at most " + LONGEST_VOLUME_NAME + " characters: " + name);
            }
            if (s.volumes.containsKey(serial)) {
                throw fault("serial " + serial + " is given twice");
            }
            if (!volumeNames.add(name)) {
                throw fault("volume name " + name + " is given twice");
            }
            s.volumes.put(serial, new State.Volume(serial, name));
        }

        private void task() throws Failure {
            String form = "task <name> <source-serial> <target-serial> <seconds> complete|fail [started=<instant>]";
            expect(w.size() == 6 || w.size() == 7, form);
            String name = w.get(1);
            if (s.tasks.containsKey(name)) {
                throw fault("task " + name + " is given twice");
            }
            knownSerial(w.get(2));
            knownSerial(w.get(3));
            String secondsText = w.get(4);
            if (!secondsText.matches("[0-9]{1,10}") || Long.parseLong(secondsText) > MOST_SECONDS) {
                throw fault("the seconds must be a whole number from 0 to " + MOST_SECONDS + ": " + secondsText);
            }
            String outcome = w.get(5);
            if (!outcome.equals("complete") && !outcome.equals("fail")) {
                throw fault("the outcome must be complete or fail: " + outcome);
            }
            Instant started = null;
            if (w.size() == 7) {
                String given = w.get(6);
                expect(given.startsWith("started="), form);
                try {
                    started = Instant.parse(given.substring("started=".length()));
                } catch (DateTimeParseException e) {
                    throw fault("not an instant like 2026-01-31T12:00:00Z: " + given);
                }
            }
            s.tasks.put(name, new State.Task(name, w.get(2), w.get(3), Long.parseLong(secondsText),
                    outcome.equals("fail"), started));
        }

        private String host(String word) throws Failure {
            String host = Words.unescape(word);
            if (host == null) {
                throw fault("a host name must be UTF-8 once unescaped: " + word);
            }
            String bad = badHost(host);
            if (bad != null) {
                throw fault(bad);
            }
            return host;
        }

        /** A disk the host sees; "unknown" marks a serial that no volume has, for trying the refusal. */
        private void sees() throws Failure {
            String form = "sees <host> <disk> <serial> [unknown]";
            expect(w.size() == 4 || (w.size() == 5 && w.get(4).equals("unknown")), form);
            String host = host(w.get(1));
            if (!isDisk(w.get(2))) {
                throw fault("a disk name is at most " + LONGEST_DISK + " characters: " + w.get(2));
            }
            String serial = w.get(3);
            if (w.size() == 4) {
                knownSerial(serial);
            } else if (!isSerial(serial)) {
                throw fault("a serial is 1 to 9 letters or digits: " + serial);
            } else if (s.volumes.containsKey(serial)) {
                throw fault("serial " + serial + " is a volume's, so it is not unknown");
            }
            s.sees.add(new State.Sees(host, new State.Disk(w.get(2), serial)));
        }

        private void registered() throws Failure {
            expect(w.size() == 2 || w.size() == 4, "registered <host> [<disk> <serial>]");
            String host = host(w.get(1));
            List<State.Disk> disks = new ArrayList<>(s.registered.getOrDefault(host, List.of()));
            if (w.size() == 4) {
                if (!isDisk(w.get(2))) {
                    throw fault("a disk name is at most " + LONGEST_DISK + " characters: " + w.get(2));
                }
                knownSerial(w.get(3));
                disks.add(new State.Disk(w.get(2), w.get(3)));
            }
            s.registered.put(host, List.copyOf(disks));
        }
    }

    /** The whole state as the file's text. Comments of the file it was read from are not kept. */
    static String format(State s) {
        StringBuilder b = new StringBuilder(HEADER);
        for (Map.Entry<String, String> u : s.users.entrySet()) {
            b.append("user ").append(u.getKey()).append(' ').append(u.getValue()).append('\n');
        }
        for (State.Volume v : s.volumes.values()) {
            b.append("volume ").append(v.serial()).append(' ').append(v.name()).append('\n');
        }
        for (State.Task t : s.tasks.values()) {
            b.append("task ").append(t.name()).append(' ').append(t.source()).append(' ').append(t.target())
                    .append(' ').append(t.seconds()).append(' ').append(t.fails() ? "fail" : "complete");
            if (t.started() != null) {
                b.append(" started=").append(t.started());
            }
            b.append('\n');
        }
        for (State.Sees e : s.sees) {
            b.append("sees ").append(Words.escape(e.host())).append(' ').append(e.disk().disk()).append(' ')
                    .append(e.disk().serial());
            if (!s.volumes.containsKey(e.disk().serial())) {
                b.append(" unknown");
            }
            b.append('\n');
        }
        for (Map.Entry<String, List<State.Disk>> r : s.registered.entrySet()) {
            String host = Words.escape(r.getKey());
            if (r.getValue().isEmpty()) {
                b.append("registered ").append(host).append('\n');
            }
            for (State.Disk d : r.getValue()) {
                b.append("registered ").append(host).append(' ').append(d.disk()).append(' ')
                        .append(d.serial()).append('\n');
            }
        }
        return b.toString();
    }

    /**
     * Replaces the file by the text as one step. The text goes to a new file
     * of a fresh random name in the same folder, created exclusively (so
     * never through a name that exists already, a planted link included),
     * readable by its owner only on POSIX; it gets the permissions of the
     * file it replaces, when there is one, is forced to the disk and is then
     * renamed over the file. Killed at any moment, the emulator leaves either
     * the old file or the new one whole (and at worst a stray temporary file).
     */
    static void save(Path file, String text) throws IOException {
        Path folder = file.toAbsolutePath().getParent();
        boolean posix = folder.getFileSystem().supportedFileAttributeViews().contains("posix");
        Set<PosixFilePermission> keep = null;
        if (posix && Files.exists(file)) {
            keep = Files.getPosixFilePermissions(file);
        }
        Path tmp = create(folder, file.getFileName().toString(), posix);
        try {
            try (FileChannel ch = FileChannel.open(tmp, StandardOpenOption.WRITE, LinkOption.NOFOLLOW_LINKS)) {
                ByteBuffer buf = ByteBuffer.wrap(text.getBytes(StandardCharsets.UTF_8));
                while (buf.hasRemaining()) {
                    ch.write(buf);
                }
                ch.force(true);
            }
            if (keep != null) {
                Files.setPosixFilePermissions(tmp, keep);
            }
            Files.move(tmp, file, StandardCopyOption.ATOMIC_MOVE, StandardCopyOption.REPLACE_EXISTING);
        } catch (IOException | RuntimeException e) {
            Files.deleteIfExists(tmp);
            throw e;
        }
        forceFolder(file);
    }

    private static final SecureRandom RANDOM = new SecureRandom();

    /** A new empty file "NAME.RANDOM.tmp" in the folder; a name that exists is never opened. */
    private static Path create(Path folder, String name, boolean posix) throws IOException {
        for (int attempt = 0; ; attempt++) {
            Path tmp = folder.resolve(name + "." + Long.toUnsignedString(RANDOM.nextLong(), 36) + ".tmp");
            try {
                if (posix) {
                    Files.createFile(tmp, PosixFilePermissions.asFileAttribute(PosixFilePermissions.fromString("rw-------")));
                } else {
                    Files.createFile(tmp);
                }
                return tmp;
            } catch (FileAlreadyExistsException e) {
                if (attempt >= 10) {
                    throw e;
                }
            }
        }
    }

    // The rename itself lasts only once the folder is on the disk too. Only some
    // systems can open a folder this way (not Windows), hence best effort.
    private static void forceFolder(Path file) {
        Path folder = file.toAbsolutePath().getParent();
        if (folder == null) {
            return;
        }
        try (FileChannel ch = FileChannel.open(folder, StandardOpenOption.READ)) {
            ch.force(true);
        } catch (IOException | RuntimeException e) {
            // Not supported here; the file's own content is already on the disk.
        }
    }
}
