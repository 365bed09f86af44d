package vySecLink;

import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.Set;

/**
 * The command line of a client class: options (with or without a value)
 * and the other arguments. A later option of the same name takes the place
 * of an earlier one.
 */
public final class Options {
    /** Where the options end. */
    public enum Mode {
        /** The value of -s ends the options; every later argument is an operand (the task classes). */
        UNTIL_SERVER,
        /** Options anywhere, no operands (vySeedHost). */
        ALL,
        /** The first argument that is not an option starts the operands (vyshell). */
        UNTIL_OTHER
    }

    private final Map<String, String> values = new HashMap<>();
    private final Map<String, Boolean> flags = new HashMap<>();
    private final List<String> operands = new ArrayList<>();

    private Options() {
    }

    public static Options parse(String[] args, Set<String> valueOptions, Set<String> flagOptions, Mode mode)
            throws Failure {
        Options o = new Options();
        int i = 0;
        while (i < args.length) {
            String a = args[i];
            if (flagOptions.contains(a)) {
                o.flags.put(a, Boolean.TRUE);
                i++;
            } else if (valueOptions.contains(a)) {
                if (i + 1 >= args.length) {
                    throw new Failure(Status.BAD_ARGUMENT, a + " needs a value");
                }
                o.values.put(a, args[i + 1]);
                i += 2;
                if (mode == Mode.UNTIL_SERVER && a.equals("-s")) {
                    break;
                }
            } else if (mode == Mode.UNTIL_OTHER) {
                break;
            } else {
                throw new Failure(Status.BAD_ARGUMENT, "unknown argument " + a);
            }
        }
        if (mode == Mode.UNTIL_SERVER && !o.values.containsKey("-s")) {
            throw new Failure(Status.BAD_ARGUMENT, "no server given (-s)");
        }
        for (; i < args.length; i++) {
            o.operands.add(args[i]);
        }
        return o;
    }

    /** The option's value, or null when it was not given. */
    public String value(String option) {
        return values.get(option);
    }

    public boolean flag(String option) {
        return flags.containsKey(option);
    }

    public List<String> operands() {
        return operands;
    }
}
