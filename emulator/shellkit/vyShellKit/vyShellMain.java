package vyShellKit;

import java.util.ArrayList;
import java.util.List;
import java.util.Set;
import vySecLink.Failure;
import vySecLink.Link;
import vySecLink.Options;
import vySecLink.Program;
import vySecLink.Status;
import vySecLink.TaskLine;
import vySecLink.Words;

/**
 * The general command-line client: vyshell [-s SERVER] [-u U] [-p P] [-a FILE] COMMAND...
 * Every argument arrives whole, as typed, and counts as one word of the command.
 */
public final class vyShellMain {
    private static final String PROG = "vyshell";

    private static final String[] HELP = {
        "usage: vyshell [-s SERVER] [-u USER] [-p PASSWORD] [-a SECURITY-FILE] COMMAND",
        "commands:",
        "  help              this list",
        "  list tasks        the copy tasks: state, progress, source and target",
        "  list volumes      the volumes of the server: serial and name",
        "  list hosts        the registered hosts and the volumes they see",
        "  show task NAME    everything about one task",
        "  show host NAME    the volumes registered for one host",
        "options:",
        "  -s SERVER         host or host:port of the server (default port 7530)",
        "  -u USER           user name",
        "  -p PASSWORD       password",
        "  -a FILE           security file: its first line holds the user name and the password",
    };

    private vyShellMain() {
    }

    public static void main(String[] args) {
        Program p = new Program(PROG);
        p.exit(() -> run(args));
    }

    private static int run(String[] args) throws Failure {
        Options o = Options.parse(args, Set.of("-s", "-u", "-p", "-a"), Set.of(), Options.Mode.UNTIL_OTHER);
        List<String> words = o.operands();
        if (words.isEmpty() || words.equals(List.of("help"))) {
            for (String line : HELP) {
                System.out.println(line);
            }
            return Status.OK;
        }
        Command command = Command.of(words);
        Link link = Program.link(o);
        Program.login(link);
        return command.run(link);
    }

    /** A recognised command; recognised before the server is contacted. */
    private interface Command {
        int run(Link link) throws Failure;

        static Command of(List<String> words) throws Failure {
            if (words.equals(List.of("list", "tasks"))) {
                return vyShellMain::listTasks;
            }
            if (words.equals(List.of("list", "volumes"))) {
                return vyShellMain::listVolumes;
            }
            if (words.equals(List.of("list", "hosts"))) {
                return vyShellMain::listHosts;
            }
            if (words.size() == 3 && words.get(0).equals("show") && words.get(1).equals("task")) {
                return link -> showTask(link, words.get(2));
            }
            if (words.size() == 3 && words.get(0).equals("show") && words.get(1).equals("host")) {
                return link -> showHost(link, words.get(2));
            }
            throw new Failure(Status.UNKNOWN_COMMAND, "unknown command: " + String.join(" ", words) + "; try help");
        }
    }

    private static List<List<String>> rows(Link link, String path, int columns) throws Failure {
        Link.Reply r = link.get(path);
        if (r.status != 200) {
            throw link.unexpected(r);
        }
        List<List<String>> rows = new ArrayList<>();
        for (String line : r.lines()) {
            List<String> w = Words.split(line);
            if (w.size() < columns) {
                throw link.unexpected(r);
            }
            rows.add(w);
        }
        return rows;
    }

    /** The registered hosts' lines: host name (unescaped), then its disk and serial when it has any. */
    private static List<List<String>> hostRows(Link link) throws Failure {
        List<List<String>> rows = new ArrayList<>();
        for (List<String> w : rows(link, "/hosts", 1)) {
            String host = Words.unescape(w.get(0));
            if (host == null) {
                throw new Failure(Status.UNEXPECTED_REPLY, "unexpected reply from server " + link.server()
                        + ": a host name that is not UTF-8: " + w.get(0));
            }
            List<String> row = new ArrayList<>(w);
            row.set(0, host);
            rows.add(row);
        }
        return rows;
    }

    private static int listTasks(Link link) throws Failure {
        Link.Reply r = link.get("/tasks");
        if (r.status != 200) {
            throw link.unexpected(r);
        }
        Table t = new Table("TASK", "STATE", "PROGRESS", "SOURCE", "TARGET");
        for (TaskLine task : TaskLine.parseAll(link, r)) {
            t.add(task.name, task.state, task.progress + "%", task.source, task.target);
        }
        t.print();
        return Status.OK;
    }

    private static int listVolumes(Link link) throws Failure {
        Table t = new Table("SERIAL", "NAME");
        for (List<String> w : rows(link, "/volumes", 2)) {
            t.add(w.get(0), w.get(1));
        }
        t.print();
        return Status.OK;
    }

    private static int listHosts(Link link) throws Failure {
        Table t = new Table("HOST", "DISK", "SERIAL");
        for (List<String> w : hostRows(link)) {
            // A host registered with no volumes comes alone on its line.
            if (w.size() >= 3) {
                t.add(w.get(0), w.get(1), w.get(2));
            } else {
                t.add(w.get(0), "-", "-");
            }
        }
        t.print();
        return Status.OK;
    }

    private static int showTask(Link link, String name) throws Failure {
        Link.Reply r = link.get("/tasks/" + Link.segment(name));
        if (r.status == 404) {
            throw new Failure(Status.UNKNOWN_TASK, "task " + name + " is not known to the server");
        }
        if (r.status != 200) {
            throw link.unexpected(r);
        }
        TaskLine task = TaskLine.parse(link, r, r.firstLine());
        System.out.println("task: " + task.name);
        System.out.println("state: " + task.state);
        System.out.println("progress: " + task.progress + "%");
        System.out.println("source: " + task.source);
        System.out.println("target: " + task.target);
        System.out.println("seconds: " + task.seconds);
        System.out.println("outcome: " + task.outcome);
        return Status.OK;
    }

    private static int showHost(Link link, String name) throws Failure {
        List<String> lines = new ArrayList<>();
        boolean known = false;
        for (List<String> w : hostRows(link)) {
            if (w.get(0).equals(name)) {
                known = true;
                if (w.size() >= 3) {
                    lines.add("volume: " + w.get(1) + " " + w.get(2));
                }
            }
        }
        if (!known) {
            throw new Failure(Status.UNKNOWN_TASK, "host " + name + " is not known to the server");
        }
        System.out.println("host: " + name);
        for (String line : lines) {
            System.out.println(line);
        }
        return Status.OK;
    }
}
