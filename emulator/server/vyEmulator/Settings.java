package vyEmulator;

import java.util.ArrayList;
import java.util.List;
import java.util.Set;
import vySecLink.Failure;
import vySecLink.Minutes;
import vySecLink.Options;
import vySecLink.Status;

/** The options of run, start and stop. A later option of the same name takes the place of an earlier one. */
final class Settings {
    static final String DEFAULT_STATE = "vyEmulator.state";

    Integer port; // null: not given
    String bind;
    String state;
    boolean inMemory;
    String portFile;
    String stopAfter; // decimal minutes, as given
    long stopAfterMillis;
    String log;
    String readyFile; // internal: start's child tells that it listens
    String server;

    /** The options of one command: those of VALUES take a value, those of FLAGS none. */
    static Settings parse(List<String> args, Set<String> values, Set<String> flags) throws Failure {
        Options o = Options.parse(args.toArray(new String[0]), values, flags, Options.Mode.ALL);
        Settings s = new Settings();
        s.inMemory = o.flag("--in-memory");
        s.port = o.value("--port") != null ? port(o.value("--port")) : null;
        s.bind = o.value("--bind");
        s.state = o.value("--state");
        s.portFile = o.value("--port-file");
        s.stopAfter = o.value("--stop-after");
        if (s.stopAfter != null) {
            s.stopAfterMillis = Minutes.millis(s.stopAfter, "--stop-after", null);
        }
        s.log = o.value("--log");
        s.readyFile = o.value("--ready-file");
        s.server = o.value("--server");
        if (s.inMemory && s.state != null) {
            throw new Failure(Status.BAD_ARGUMENT, "give either --state or --in-memory, not both");
        }
        return s;
    }

    private static int port(String v) throws Failure {
        if (!v.matches("[0-9]{1,5}") || Integer.parseInt(v) > 65535) {
            throw new Failure(Status.BAD_ARGUMENT, "bad value " + v + " for --port");
        }
        return Integer.parseInt(v);
    }

    String stateFile() {
        return state != null ? state : DEFAULT_STATE;
    }

    /** The options again, as the command line of start's child. */
    List<String> asArguments() {
        List<String> a = new ArrayList<>();
        if (port != null) {
            a.add("--port");
            a.add(port.toString());
        }
        if (bind != null) {
            a.add("--bind");
            a.add(bind);
        }
        if (inMemory) {
            a.add("--in-memory");
        } else {
            a.add("--state");
            a.add(state != null ? state : DEFAULT_STATE);
        }
        if (portFile != null) {
            a.add("--port-file");
            a.add(portFile);
        }
        if (stopAfter != null) {
            a.add("--stop-after");
            a.add(stopAfter);
        }
        return a;
    }
}
