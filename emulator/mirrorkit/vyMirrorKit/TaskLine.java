package vyMirrorKit;

import java.util.ArrayList;
import java.util.List;
import vySecLink.Failure;
import vySecLink.Link;
import vySecLink.Words;

/** A task as the server describes it: "name state progress source target seconds outcome". */
final class TaskLine {
    final String name;
    final String state;
    final int progress;
    final String source;
    final String target;
    final String seconds;
    final String outcome;

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
    static TaskLine parse(Link link, Link.Reply reply, String line) throws Failure {
        List<String> w = Words.split(line);
        if (w.size() != 7 || !w.get(2).matches("[0-9]{1,3}")) {
            throw link.unexpected(reply);
        }
        return new TaskLine(w);
    }

    static List<TaskLine> parseAll(Link link, Link.Reply reply) throws Failure {
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
    static List<String> names(List<String> operands) {
        List<String> names = new ArrayList<>();
        for (String operand : operands) {
            names.addAll(Words.split(operand));
        }
        return names;
    }
}
