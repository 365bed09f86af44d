package vySecLink;

import java.util.ArrayList;
import java.util.List;

/** A task as the server describes it: "name state progress source target seconds outcome". */
public final class TaskLine {
    public final String name;
    public final String state;
    public final int progress;
    public final String source;
    public final String target;
    public final String seconds;
    public final String outcome;

    private TaskLine(List<String> w) {
        name = w.get(0);
        state = w.get(1);
        progress = Integer.parseInt(w.get(2));
        source = w.get(3);
        target = w.get(4);
        seconds = w.get(5);
        outcome = w.get(6);
    }

    /** The task of one line of a reply; a line of another form is an unexpected reply. */
    public static TaskLine parse(Link link, Link.Reply reply, String line) throws Failure {
        List<String> w = Words.split(line);
        if (w.size() != 7 || !w.get(2).matches("[0-9]{1,3}")) {
            throw link.unexpected(reply);
        }
        return new TaskLine(w);
    }

    public static List<TaskLine> parseAll(Link link, Link.Reply reply) throws Failure {
        List<TaskLine> all = new ArrayList<>();
        for (String line : reply.lines()) {
            all.add(parse(link, reply, line));
        }
        return all;
    }

    /**
     * The task names of the operands. The launchers pass all names as one
     * argument; names never hold blanks, so every argument is split at them.
     */
    public static List<String> names(List<String> operands) {
        List<String> names = new ArrayList<>();
        for (String operand : operands) {
            names.addAll(Words.split(operand));
        }
        return names;
    }
}
