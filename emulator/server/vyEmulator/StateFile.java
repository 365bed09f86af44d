package vyEmulator;

import java.io.IOException;
import java.nio.ByteBuffer;
import java.nio.channels.FileChannel;
import java.nio.charset.CharacterCodingException;
import java.nio.charset.CodingErrorAction;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.nio.file.StandardOpenOption;
import java.time.Instant;
import java.time.format.DateTimeParseException;
import java.util.ArrayList;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import vySecLink.Failure;
import vySecLink.Status;

/**
 * The state file: UTF-8 text, one item a line, words separated by blanks or
 * tabs; "#" starts a comment line, blank lines are ignored.
 * <pre>
 * user NAME PASSWORD
 * volume SERIAL NAME                serial 1..9 letters/digits, name 1..49 characters
 * task NAME SOURCE TARGET SECONDS complete|fail [started=INSTANT]
 * sees HOST DISK SERIAL             what the host's multipath driver shows
 * registered HOST [DISK SERIAL]     what vySeedHost registered; alone: a host with no volumes
 * </pre>
 */
final class StateFile {
    static final int LONGEST_DISK = 18;
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

    /** Reads and checks a state file; every fault is 82 with the file and line. */
    static State read(Path file) throws Failure {
        byte[] bytes;
        try {
            bytes = Files.readAllBytes(file);
        } catch (IOException e) {
            throw new Failure(Status.BAD_STATE_FILE, file + ": cannot be read (" + e.getMessage() + ")");
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
            String line = decode(label, lineNumber, bytes, start, end);
            start = end + 1;
            if (lineNumber == 1 && line.startsWith("\uFEFF")) {
                line = line.substring(1); // a byte-order mark some editors write
            }
            List<String> w = words(line);
            if (w.isEmpty() || w.get(0).startsWith("#")) {
                continue;
            }
            new LineReader(label, lineNumber, w, s, volumeNames).read();
        }
        return s;
    }

    private static String decode(String label, int lineNumber, byte[] bytes, int start, int end) throws Failure {
        try {
            return StandardCharsets.UTF_8.newDecoder()
                    .onMalformedInput(CodingErrorAction.REPORT)
                    .onUnmappableCharacter(CodingErrorAction.REPORT)
                    .decode(ByteBuffer.wrap(bytes, start, end - start))
                    .toString();
        } catch (CharacterCodingException e) {
            throw new Failure(Status.BAD_STATE_FILE, label + ":" + lineNumber + ": not UTF-8 text");
        }
    }

    static List<String> words(String line) {
        List<String> words = new ArrayList<>();
        for (String w : line.split("[ \t\r]+")) {
            if (!w.isEmpty()) {
                words.add(w);
            }
        }
        return words;
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
            return new Failure(Status.BAD_STATE_FILE, label + ":" + number + ": " + what);
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

        private void sees() throws Failure {
            expect(w.size() == 4, "sees <host> <disk> <serial>");
            if (!isDisk(w.get(2))) {
                throw fault("a disk name is at most " + LONGEST_DISK + " characters: " + w.get(2));
            }
            knownSerial(w.get(3));
            s.sees.add(new State.Sees(w.get(1), new State.Disk(w.get(2), w.get(3))));
        }

        private void registered() throws Failure {
            expect(w.size() == 2 || w.size() == 4, "registered <host> [<disk> <serial>]");
            List<State.Disk> disks = new ArrayList<>(s.registered.getOrDefault(w.get(1), List.of()));
            if (w.size() == 4) {
                if (!isDisk(w.get(2))) {
                    throw fault("a disk name is at most " + LONGEST_DISK + " characters: " + w.get(2));
                }
                knownSerial(w.get(3));
                disks.add(new State.Disk(w.get(2), w.get(3)));
            }
            s.registered.put(w.get(1), List.copyOf(disks));
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
            b.append("sees ").append(e.host()).append(' ').append(e.disk().disk()).append(' ')
                    .append(e.disk().serial()).append('\n');
        }
        for (Map.Entry<String, List<State.Disk>> r : s.registered.entrySet()) {
            if (r.getValue().isEmpty()) {
                b.append("registered ").append(r.getKey()).append('\n');
            }
            for (State.Disk d : r.getValue()) {
                b.append("registered ").append(r.getKey()).append(' ').append(d.disk()).append(' ')
                        .append(d.serial()).append('\n');
            }
        }
        return b.toString();
    }

    /**
     * Replaces the file by the text as one step: the text goes to FILE.tmp in
     * the same folder, is forced to the disk, and is then renamed over the
     * file. Killed at any moment, the emulator leaves either the old file or
     * the new one whole; a stale FILE.tmp is simply written over next time.
     */
    static void save(Path file, String text) throws IOException {
        Path tmp = file.resolveSibling(file.getFileName() + ".tmp");
        try (FileChannel ch = FileChannel.open(tmp, StandardOpenOption.CREATE, StandardOpenOption.WRITE,
                StandardOpenOption.TRUNCATE_EXISTING)) {
            ByteBuffer buf = ByteBuffer.wrap(text.getBytes(StandardCharsets.UTF_8));
            while (buf.hasRemaining()) {
                ch.write(buf);
            }
            ch.force(true);
        }
        Files.move(tmp, file, StandardCopyOption.ATOMIC_MOVE, StandardCopyOption.REPLACE_EXISTING);
        forceFolder(file);
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
