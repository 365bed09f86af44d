package support;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Map;
import java.util.concurrent.TimeUnit;

/**
 * Runs a class's main or the emulator's jar in a Java runtime of its own, as a
 * launcher or a script would, and gives its status and output. The classes end
 * with System.exit, so they cannot run inside the tests' own runtime. Every
 * run is bounded: a child that outlives its time is killed and the test fails.
 */
public final class ChildJava {
    public static final long TIME_MILLIS = 30_000;

    /** What a child did: its exit status and its standard output and error. */
    public record Result(int status, String out, String err) {
        /** Standard output's lines. */
        public List<String> lines() {
            return out.isEmpty() ? List.of() : List.of(out.split("\r?\n"));
        }

        @Override
        public String toString() {
            return "status " + status + "\n--- out:\n" + out + "--- err:\n" + err;
        }
    }

    private ChildJava() {
    }

    /**
     * The client classes' class path: the archives a launcher names, which the
     * build gives as vy.client.jars (names separated by commas).
     */
    public static String clientClassPath() {
        Path dir = EmulatorProcess.javaDir();
        String jars = System.getProperty("vy.client.jars");
        if (jars == null || jars.isEmpty()) {
            throw new IllegalStateException("vy.client.jars is not set (the build sets it)");
        }
        List<String> entries = new ArrayList<>();
        for (String jar : jars.split(",")) {
            entries.add(dir.resolve(jar).toString());
        }
        return String.join(java.io.File.pathSeparator, entries);
    }

    /** A client class (e.g. "vyMirrorKit.vyRunJob") with the arguments. */
    public static Result runClass(String mainClass, String... args) throws IOException {
        return runClass(Map.of(), mainClass, args);
    }

    /** A client class with extra environment variables. */
    public static Result runClass(Map<String, String> env, String mainClass, String... args) throws IOException {
        List<String> command = new ArrayList<>(List.of(EmulatorProcess.java()));
        command.addAll(EmulatorProcess.QUICK_START);
        command.addAll(List.of("-cp", clientClassPath(), mainClass));
        command.addAll(List.of(args));
        return run(env, command);
    }

    /** java -jar vyEmulator.jar with the arguments. */
    public static Result emulator(String... args) throws IOException {
        return emulator(Map.of(), args);
    }

    public static Result emulator(Map<String, String> env, String... args) throws IOException {
        List<String> command = new ArrayList<>(List.of(EmulatorProcess.java()));
        command.addAll(EmulatorProcess.QUICK_START);
        command.addAll(List.of("-jar", EmulatorProcess.javaDir().resolve("vyEmulator.jar").toString()));
        command.addAll(List.of(args));
        return run(env, command);
    }

    /** Any command, in a scratch folder, within TIME_MILLIS. */
    public static Result command(List<String> command) throws IOException {
        return run(Map.of(), command);
    }

    private static Result run(Map<String, String> env, List<String> command) throws IOException {
        Path folder = EmulatorProcess.scratch("child");
        Path out = folder.resolve("out");
        Path err = folder.resolve("err");
        ProcessBuilder pb = new ProcessBuilder(command).directory(folder.toFile());
        pb.environment().putAll(env);
        pb.redirectInput(ProcessBuilder.Redirect.from(new java.io.File(
                System.getProperty("os.name").startsWith("Windows") ? "NUL" : "/dev/null")));
        pb.redirectOutput(out.toFile());
        pb.redirectError(err.toFile());
        Process p = pb.start();
        try {
            if (!p.waitFor(TIME_MILLIS, TimeUnit.MILLISECONDS)) {
                p.destroyForcibly().waitFor(10, TimeUnit.SECONDS);
                throw new IOException(command + " did not end within " + TIME_MILLIS + " ms; killed");
            }
        } catch (InterruptedException e) {
            p.destroyForcibly();
            Thread.currentThread().interrupt();
            throw new IOException("interrupted", e);
        }
        return new Result(p.exitValue(), Files.readString(out, StandardCharsets.UTF_8),
                Files.readString(err, StandardCharsets.UTF_8));
    }
}
