package vyMirrorKit;

import java.math.BigDecimal;
import java.util.ArrayList;
import java.util.List;
import java.util.Set;
import vySecLink.Failure;
import vySecLink.Link;
import vySecLink.Minutes;
import vySecLink.Options;
import vySecLink.Program;
import vySecLink.Status;
import vySecLink.TaskLine;

/**
 * Waits for copy tasks:
 * vyAwaitJob [-v] [-u U] [-p P] [-a FILE] [-m MINUTES] [-t THRESHOLD] -s SERVER TASK...
 * A task is complete once its progress reaches the threshold (unless it
 * failed); it fails only at the end of its copy.
 */
public final class vyAwaitJob {
    private static final String PROG = "vyAwaitJob";
    // -m: a decimal number of minutes, 0..10080.
    private static final BigDecimal MOST_MINUTES = BigDecimal.valueOf(7 * 24 * 60);
    private static final long POLL_MILLIS = 1000;

    private vyAwaitJob() {
    }

    public static void main(String[] args) {
        Program p = new Program(PROG);
        p.exit(() -> run(p, args));
    }

    private static int run(Program p, String[] args) throws Failure {
        Options o = Options.parse(args, Set.of("-u", "-p", "-a", "-s", "-m", "-t"), Set.of("-v"),
                Options.Mode.UNTIL_SERVER);
        String minutesText = o.value("-m") != null ? o.value("-m") : "0";
        long waitMillis = Minutes.millis(minutesText, "-m", MOST_MINUTES);
        String thresholdText = o.value("-t") != null ? o.value("-t") : "100";
        int threshold = threshold(thresholdText);
        List<String> names = TaskLine.names(o.operands());
        if (names.isEmpty()) {
            throw new Failure(Status.BAD_ARGUMENT, "no task names given");
        }
        Link link = Program.link(o);
        Program.login(link);
        if (o.flag("-v")) {
            p.say("waiting at most " + minutesText + " minutes for " + names.size() + " tasks (threshold " + threshold
                    + "%)");
        }
        final long deadline = System.nanoTime() + waitMillis * 1_000_000L;

        // The first look also tells which names the server does not know: then nothing is awaited.
        List<TaskLine> tasks = new ArrayList<>();
        boolean unknown = false;
        for (String name : names) {
            Link.Reply r = link.get("/tasks/" + Link.segment(name));
            if (r.status == 404) {
                p.say("task " + name + " is not known to the server");
                unknown = true;
            } else if (r.status == 200) {
                tasks.add(TaskLine.parse(link, r, r.firstLine()));
            } else {
                throw link.unexpected(r);
            }
        }
        if (unknown) {
            return Status.UNKNOWN_TASK;
        }

        // Once a second until every task is decided or the time is over; the
        // last wait ends at the deadline, so the polls are bounded by the minutes.
        while (!allDecided(tasks, threshold)) {
            long left = deadline - System.nanoTime();
            if (left <= 0) {
                break;
            }
            sleep(Math.min(POLL_MILLIS, (left + 999_999) / 1_000_000));
            for (int i = 0; i < tasks.size(); i++) {
                Link.Reply r = link.get("/tasks/" + Link.segment(names.get(i)));
                if (r.status != 200) {
                    throw link.unexpected(r);
                }
                tasks.set(i, TaskLine.parse(link, r, r.firstLine()));
            }
        }

        boolean failed = false;
        boolean incomplete = false;
        for (int i = 0; i < tasks.size(); i++) {
            TaskLine t = tasks.get(i);
            String name = names.get(i);
            if (t.state.equals("failed")) {
                p.say("task " + name + " failed");
                failed = true;
            } else if (isComplete(t, threshold)) {
                p.say("task " + name + " is complete (" + t.progress + "%)");
            } else if (t.state.equals("idle")) {
                p.say("task " + name + " has not been run");
                incomplete = true;
            } else {
                p.say("task " + name + " is not complete (" + t.progress + "%)");
                incomplete = true;
            }
        }
        return failed ? Status.TASK_FAILED : incomplete ? Status.NOT_COMPLETE : Status.OK;
    }

    private static boolean isComplete(TaskLine t, int threshold) {
        return !t.state.equals("failed") && !t.state.equals("idle") && t.progress >= threshold;
    }

    private static boolean allDecided(List<TaskLine> tasks, int threshold) {
        for (TaskLine t : tasks) {
            if (!t.state.equals("failed") && !isComplete(t, threshold)) {
                return false;
            }
        }
        return true;
    }

    /** -t: a percentage 1..100. */
    private static int threshold(String text) throws Failure {
        if (!text.matches("[0-9]{1,3}")) {
            throw new Failure(Status.BAD_ARGUMENT, "bad value " + text + " for -t");
        }
        int t = Integer.parseInt(text);
        if (t < 1 || t > 100) {
            throw new Failure(Status.BAD_ARGUMENT, "bad value " + text + " for -t");
        }
        return t;
    }

    private static void sleep(long millis) {
        try {
            Thread.sleep(millis);
        } catch (InterruptedException e) {
            Thread.currentThread().interrupt();
        }
    }
}
