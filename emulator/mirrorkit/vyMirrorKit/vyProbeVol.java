package vyMirrorKit;

import java.util.List;
import java.util.Set;
import vySecLink.Failure;
import vySecLink.Link;
import vySecLink.Options;
import vySecLink.Program;
import vySecLink.Status;
import vySecLink.TaskLine;
import vySecLink.Words;

/** Asks about volumes by name or serial: vyProbeVol [-v] [-u U] [-p P] [-a FILE] -s SERVER VOLUME... */
public final class vyProbeVol {
    private static final String PROG = "vyProbeVol";

    private vyProbeVol() {
    }

    public static void main(String[] args) {
        Program p = new Program(PROG);
        p.exit(() -> run(p, args));
    }

    private static int run(Program p, String[] args) throws Failure {
        Options o = Options.parse(args, Set.of("-u", "-p", "-a", "-s"), Set.of("-v"), Options.Mode.UNTIL_SERVER);
        List<String> volumes = o.operands();
        if (volumes.isEmpty()) {
            throw new Failure(Status.BAD_ARGUMENT, "no volumes given");
        }
        boolean verbose = o.flag("-v");
        Link link = Program.link(o);
        Program.login(link);
        // The tasks are needed only to tell which ones use a volume.
        List<TaskLine> tasks = null;
        if (verbose) {
            Link.Reply r = link.get("/tasks");
            if (r.status != 200) {
                throw link.unexpected(r);
            }
            tasks = TaskLine.parseAll(link, r);
        }
        int status = Status.OK;
        for (String v : volumes) {
            Link.Reply r = link.get("/volumes/" + Link.segment(v));
            if (r.status == 404) {
                p.say(v + " is not a volume of this server");
                status = Status.UNKNOWN_VOLUME;
                continue;
            }
            List<String> w = Words.split(r.firstLine());
            if (r.status != 200 || w.size() != 2) {
                throw link.unexpected(r);
            }
            String serial = w.get(0);
            String name = w.get(1);
            p.say(v + " is volume " + name + ", serial " + serial);
            if (tasks != null) {
                for (TaskLine t : tasks) {
                    if (t.source.equals(serial)) {
                        p.say(name + " is the source of task " + t.name);
                    }
                    if (t.target.equals(serial)) {
                        p.say(name + " is the target of task " + t.name);
                    }
                }
            }
        }
        return status;
    }
}
