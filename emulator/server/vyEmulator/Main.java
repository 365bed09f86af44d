package vyEmulator;

import java.io.IOException;
import java.io.InputStream;
import java.io.PrintStream;
import java.util.Arrays;
import java.util.List;
import java.util.Set;
import vySecLink.Failure;
import vySecLink.Status;

/**
 * The storage-server emulator: java -jar vyEmulator.jar COMMAND ...
 * <ul>
 * <li>run: serves in the foreground ({@link Runner})</li>
 * <li>start: runs it in the background and returns once it listens ({@link Starter})</li>
 * <li>stop: asks a running emulator to stop ({@link Stopper})</li>
 * <li>lanectl query device: the multipath tool's report ({@link Lanectl})</li>
 * </ul>
 * A command that fails prints its message on standard error. What "run"
 * says while it serves (that it listens, each request, that it stops) goes to
 * standard output, which "start" sends to the log; "start" and "stop" tell
 * their outcome on standard output, "lanectl" prints its report there.
 */
public final class Main {
    static final String VERSION = Version.PROJECT;

    static final String USAGE = String.join("\n",
            "usage: java -jar vyEmulator.jar run [--port N] [--bind ADDR] [--state FILE | --in-memory]"
                    + " [--port-file FILE] [--stop-after MINUTES]",
            "       java -jar vyEmulator.jar start [the options of run] [--log FILE]",
            "       java -jar vyEmulator.jar stop [--server HOST:PORT | --port N] [--port-file FILE]",
            "       java -jar vyEmulator.jar lanectl query device");

    private static final Set<String> RUN_OPTIONS = Set.of("--port", "--bind", "--state", "--port-file",
            "--stop-after", "--ready-file");
    private static final Set<String> START_OPTIONS = Set.of("--port", "--bind", "--state", "--port-file",
            "--stop-after", "--log");
    private static final Set<String> STOP_OPTIONS = Set.of("--server", "--port", "--port-file");
    private static final Set<String> IN_MEMORY = Set.of("--in-memory");

    private Main() {
    }

    public static void main(String[] args) {
        String command = args.length > 0 ? args[0] : "";
        List<String> rest = Arrays.asList(args).subList(Math.min(1, args.length), args.length);
        PrintStream err = System.err;
        int status;
        try {
            status = switch (command) {
                case "run" -> Runner.run(Settings.parse(rest, RUN_OPTIONS, IN_MEMORY));
                case "start" -> Starter.start(Settings.parse(rest, START_OPTIONS, IN_MEMORY));
                case "stop" -> Stopper.stop(Settings.parse(rest, STOP_OPTIONS, Set.of()));
                case "lanectl" -> Lanectl.run(rest, System.out);
                case "help", "--help", "-h" -> {
                    System.out.println(USAGE);
                    yield 0;
                }
                default -> throw new Failure(Status.BAD_ARGUMENT,
                        command.isEmpty() ? "no command given" : "unknown command " + command);
            };
        } catch (Failure e) {
            err.println((command.equals("lanectl") ? "lanectl: " : "vyEmulator: ") + e.getMessage());
            if (e.status() == Status.BAD_ARGUMENT && !command.equals("lanectl")) {
                err.println(USAGE);
            }
            status = e.status();
        }
        System.out.flush();
        System.exit(status);
    }

    /** The sample state packed in the jar: the state of a new emulator. */
    static byte[] sampleState() {
        try (InputStream in = Main.class.getResourceAsStream("sample.state")) {
            if (in == null) {
                throw new IllegalStateException("the sample state is missing from the jar");
            }
            return in.readAllBytes();
        } catch (IOException e) {
            throw new IllegalStateException("the sample state cannot be read from the jar", e);
        }
    }
}
