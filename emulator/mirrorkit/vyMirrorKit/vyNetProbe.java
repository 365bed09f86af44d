package vyMirrorKit;

import java.time.Duration;
import vySecLink.Failure;
import vySecLink.Link;
import vySecLink.Program;
import vySecLink.ServerName;
import vySecLink.Status;

/**
 * Tells whether a server answers: vyNetProbe [-Verbose=yes] -Server=NAME.
 * Silent unless -Verbose=yes: the launchers that use it print their own
 * messages. Argument errors are always told, they are the caller's mistake.
 */
public final class vyNetProbe {
    private static final String PROG = "vyNetProbe";
    private static final Duration IN_ALL = Duration.ofSeconds(3);

    private vyNetProbe() {
    }

    public static void main(String[] args) {
        Program p = new Program(PROG);
        p.exit(() -> run(p, args));
    }

    private static int run(Program p, String[] args) throws Failure {
        boolean verbose = false;
        String serverText = null;
        for (String a : args) {
            if (a.equals("-Verbose=yes")) {
                verbose = true;
            } else if (a.startsWith("-Server=")) {
                serverText = a.substring("-Server=".length());
            } else {
                throw new Failure(Status.BAD_ARGUMENT, "unknown argument " + a);
            }
        }
        if (serverText == null) {
            throw new Failure(Status.BAD_ARGUMENT, "no server given (-Server=<name>)");
        }
        ServerName server = ServerName.parse(serverText);
        Link link = new Link(server, null, IN_ALL, IN_ALL);
        Link.Reply r;
        try {
            r = link.get("/ping");
        } catch (Failure f) {
            if (verbose) {
                p.say(f.getMessage());
            }
            return f.status();
        }
        if (r.status != 200) {
            Failure f = link.unexpected(r);
            if (verbose) {
                p.say(f.getMessage());
            }
            return f.status();
        }
        if (verbose) {
            // "vyEmulator 1.0.0 ok": the product and its version.
            String answer = r.firstLine();
            if (answer.endsWith(" ok")) {
                answer = answer.substring(0, answer.length() - 3);
            }
            p.say("server " + server + " answers (" + answer + ")");
        }
        return Status.OK;
    }
}
