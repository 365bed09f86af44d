package vyEmulator;

import java.io.File;
import java.io.IOException;
import java.io.RandomAccessFile;
import java.net.URISyntaxException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.TimeUnit;
import vySecLink.Failure;
import vySecLink.Status;

/**
 * "start": runs "run" as a background process and returns once it listens.
 * The child's standard streams are a file or the null device, never the
 * caller's: a caller that waits for its own output to close (ctest, a
 * shell's command substitution) must not wait for the emulator too.
 */
final class Starter {
    private static final long WAIT_MILLIS = 20_000;
    private static final long POLL_MILLIS = 100;
    private static final int TAIL_LINES = 20;

    private Starter() {
    }

    static int start(Settings o) throws Failure {
        Runner.warnOffLoopback(Runner.bindAddress(o.bind), o.bind);
        Path ready;
        try {
            // Only the name is wanted: the child creates the file once it listens.
            ready = Files.createTempFile("vyEmulator-", ".ready");
            Files.delete(ready);
        } catch (IOException e) {
            throw new Failure(Exit.CANNOT_LISTEN, "cannot make a temporary file: " + e.getMessage());
        }
        List<String> command = new ArrayList<>(List.of(java(), "-cp", classPath(), Main.class.getName(), "run"));
        command.addAll(o.asArguments());
        command.add("--ready-file");
        command.add(ready.toString());

        String log = o.log != null ? o.log : o.inMemory ? null : o.stateFile() + ".log";
        ProcessBuilder pb = new ProcessBuilder(command);
        pb.redirectInput(ProcessBuilder.Redirect.from(nullDevice()));
        long logStart = 0;
        if (log != null) {
            File logFile = new File(log);
            logStart = logFile.length(); // 0 when it does not exist; only this run's lines are shown
            pb.redirectOutput(ProcessBuilder.Redirect.appendTo(logFile));
            pb.redirectErrorStream(true);
        } else {
            pb.redirectOutput(ProcessBuilder.Redirect.DISCARD);
            pb.redirectError(ProcessBuilder.Redirect.DISCARD);
        }

        Process child;
        try {
            child = pb.start();
        } catch (IOException e) {
            throw new Failure(Exit.CANNOT_LISTEN, "cannot start " + command.get(0) + ": " + e.getMessage());
        }

        long deadline = System.nanoTime() + TimeUnit.MILLISECONDS.toNanos(WAIT_MILLIS);
        while (System.nanoTime() < deadline) {
            String where = readReady(ready);
            if (where != null) {
                System.out.println("vyEmulator: listening on " + where + " (process " + child.pid() + ")");
                return 0;
            }
            if (!child.isAlive()) {
                int status = child.exitValue();
                tail(log, logStart);
                System.err.println("vyEmulator: the emulator ended with status " + status + " before it listened");
                return status == Exit.BAD_STATE_FILE || status == Exit.CANNOT_LISTEN ? status : Exit.CANNOT_LISTEN;
            }
            try {
                Thread.sleep(POLL_MILLIS);
            } catch (InterruptedException e) {
                Thread.currentThread().interrupt();
                break;
            }
        }
        tail(log, logStart);
        System.err.println("vyEmulator: the emulator did not listen within " + WAIT_MILLIS / 1000 + " seconds");
        child.destroy();
        try {
            if (!child.waitFor(3, TimeUnit.SECONDS)) {
                child.destroyForcibly();
            }
        } catch (InterruptedException e) {
            child.destroyForcibly();
        }
        return Exit.CANNOT_LISTEN;
    }

    /** "addr:port" once the child wrote the ready file (it writes it whole, by renaming); the file is removed. */
    private static String readReady(Path ready) {
        try {
            String text = Files.readString(ready, StandardCharsets.UTF_8);
            Files.deleteIfExists(ready);
            return text.trim();
        } catch (IOException e) {
            return null;
        }
    }

    /** The same Java runtime as this one. */
    private static String java() {
        return ProcessHandle.current().info().command()
                .orElse(Path.of(System.getProperty("java.home"), "bin", "java").toString());
    }

    /** The jar (or class folder) this class came from. */
    private static String classPath() throws Failure {
        try {
            return Path.of(Main.class.getProtectionDomain().getCodeSource().getLocation().toURI()).toString();
        } catch (URISyntaxException | RuntimeException e) {
            throw new Failure(Exit.CANNOT_LISTEN, "cannot tell where vyEmulator.jar is: " + e);
        }
    }

    private static File nullDevice() {
        return new File(System.getProperty("os.name").startsWith("Windows") ? "NUL" : "/dev/null");
    }

    /** The last lines the child wrote to its log in this run, on standard error. */
    private static void tail(String log, long from) {
        if (log == null) {
            System.err.println("vyEmulator: the emulator's output was discarded; give --log FILE to keep it");
            return;
        }
        String text;
        try (RandomAccessFile f = new RandomAccessFile(log, "r")) {
            long length = Math.max(0, f.length() - from);
            // The tail of a runaway log is enough.
            long start = from + Math.max(0, length - 64 * 1024);
            byte[] bytes = new byte[(int) (f.length() - start)];
            f.seek(start);
            f.readFully(bytes);
            text = new String(bytes, StandardCharsets.UTF_8);
        } catch (IOException e) {
            System.err.println("vyEmulator: its log " + log + " cannot be read");
            return;
        }
        List<String> lines = Arrays.asList(text.split("\\r?\\n"));
        List<String> last = lines.subList(Math.max(0, lines.size() - TAIL_LINES), lines.size());
        System.err.println("vyEmulator: the last lines of " + log + ":");
        for (String line : last) {
            System.err.println("  " + line);
        }
    }
}
