package vyMirrorKit;

import java.util.List;
import java.util.Set;
import vySecLink.Failure;
import vySecLink.Link;
import vySecLink.Options;
import vySecLink.Program;
import vySecLink.Status;
import vySecLink.TaskLine;

/** Starts copy tasks: vyRunJob [-v] [-u U] [-p P] [-a FILE] -s SERVER TASK... */
public final class vyRunJob {
    private static final String PROG = "vyRunJob";

    private vyRunJob() {
    }

    public static void main(String[] args) {
        Program p = new Program(PROG);
        p.exit(() -> run(p, args));
    }

    private static int run(Program p, String[] args) throws Failure {
        Options o = Options.parse(args, Set.of("-u", "-p", "-a", "-s"), Set.of("-v"), Options.Mode.UNTIL_SERVER);
        List<String> names = TaskLine.names(o.operands());
        if (names.isEmpty()) {
            throw new Failure(Status.BAD_ARGUMENT, "no task names given");
        }
        boolean verbose = o.flag("-v");
        Link link = Program.link(o);
        String user = Program.login(link);
        if (verbose) {
            p.say("connected to " + link.server() + " as " + user);
        }
        // Every task is tried; the status is that of the first one not started.
        int status = Status.OK;
        for (String name : names) {
            Link.Reply r = link.post("/tasks/" + Link.segment(name) + "/run");
            int result;
            if (r.status == 200) {
                TaskLine t = TaskLine.parse(link, r, r.firstLine());
                p.say("task " + name + " started");
                if (verbose) {
                    p.say("task " + name + " copies " + t.source + " to " + t.target + " in " + t.seconds + " seconds");
                }
                result = Status.OK;
            } else if (r.status == 404) {
                p.say("task " + name + " is not known to the server");
                result = Status.UNKNOWN_TASK;
            } else if (r.status == 409) {
                p.say("task " + name + " is already running");
                result = Status.ALREADY_RUNNING;
            } else {
                throw link.unexpected(r);
            }
            if (status == Status.OK) {
                status = result;
            }
        }
        return status;
    }
}
