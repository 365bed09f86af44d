package vyEmulator;

import java.math.BigDecimal;
import java.util.ArrayList;
import java.util.List;
import java.util.Set;
import vySecLink.Failure;
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
    String log;
    String readyFile; // internal: start's child tells that it listens
    String server;

    static Settings parse(List<String> args, Set<String> allowed) throws Failure {
        Settings s = new Settings();
        for (int i = 0; i < args.size(); i++) {
            String a = args.get(i);
            if (!allowed.contains(a)) {
                throw new Failure(Status.BAD_ARGUMENT, "unknown argument " + a);
            }
            if (a.equals("--in-memory")) {
                s.inMemory = true;
                continue;
            }
            if (i + 1 >= args.size()) {
                throw new Failure(Status.BAD_ARGUMENT, a + " needs a value");
            }
            String v = args.get(++i);
            switch (a) {
                case "--port" -> s.port = port(v);
                case "--bind" -> s.bind = v;
                case "--state" -> s.state = v;
                case "--port-file" -> s.portFile = v;
                case "--stop-after" -> s.stopAfter = minutes(v);
                case "--log" -> s.log = v;
                case "--ready-file" -> s.readyFile = v;
                case "--server" -> s.server = v;
                default -> throw new IllegalStateException(a);
            }
        }
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

    private static String minutes(String v) throws Failure {
        if (!v.matches("[0-9]{1,9}(\\.[0-9]{0,9})?|\\.[0-9]{1,9}")) {
            throw new Failure(Status.BAD_ARGUMENT, "bad value " + v + " for --stop-after");
        }
        return v;
    }

    long stopAfterMillis() {
        String v = stopAfter.endsWith(".") ? stopAfter + "0" : stopAfter;
        return new BigDecimal(v).multiply(BigDecimal.valueOf(60_000)).longValue();
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
