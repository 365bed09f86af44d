package vySecLink;

import java.io.PrintStream;
import java.net.InetAddress;
import java.net.UnknownHostException;

/**
 * What every client class shares: the message prefix (the launcher's
 * name), the way it ends, and the first contact with the server.
 */
public final class Program {
    /** The work of a class; returns its exit status. */
    public interface Body {
        int run() throws Failure;
    }

    private final String name;
    private final PrintStream out = System.out;

    public Program(String name) {
        this.name = name;
    }

    /** Prints "<prog>: <text>" on standard output. */
    public void say(String text) {
        out.println(name + ": " + text);
    }

    /** Runs the body and exits with its status; a Failure prints its message first. */
    public void exit(Body body) {
        int status;
        try {
            status = body.run();
        } catch (Failure f) {
            say(f.getMessage());
            status = f.status();
        }
        out.flush();
        System.exit(status);
    }

    /**
     * A link to the server of -s with the credentials of -u, -p and -a.
     * Nothing is sent yet; see {@link #login}.
     */
    public static Link link(Options o) throws Failure {
        String serverText = o.value("-s");
        if (serverText == null) {
            throw new Failure(Status.BAD_ARGUMENT, "no server given (-s)");
        }
        ServerName server = ServerName.parse(serverText);
        Credentials c = Credentials.from(o.value("-u"), o.value("-p"), o.value("-a"));
        if (c == null) {
            throw new Failure(Status.AUTH_FAILED, "no user name and password given");
        }
        return new Link(server, c);
    }

    /** Checks the credentials once, before any work; returns the user name the server knows. */
    public static String login(Link link) throws Failure {
        Link.Reply r = link.get("/whoami");
        if (r.status == 401) {
            throw new Failure(Status.AUTH_FAILED,
                    "user " + link.credentials().user() + " is not known or the password is wrong");
        }
        if (r.status != 200) {
            throw link.unexpected(r);
        }
        return r.firstLine();
    }

    /**
     * This host's name, found as the emulator's multipath tool finds it, so
     * that both name the same host: VY_HOST when set, else the name the
     * system resolves, else HOSTNAME or COMPUTERNAME, else "localhost".
     */
    public static String hostName() {
        String given = System.getenv("VY_HOST");
        if (given != null && !given.isEmpty()) {
            return given;
        }
        try {
            String name = InetAddress.getLocalHost().getHostName();
            if (name != null && !name.isEmpty()) {
                return name;
            }
        } catch (UnknownHostException | SecurityException e) {
            // The name does not resolve: the environment may still know it.
        }
        for (String variable : new String[] {"HOSTNAME", "COMPUTERNAME"}) {
            String value = System.getenv(variable);
            if (value != null && !value.isEmpty()) {
                return value;
            }
        }
        return "localhost";
    }
}
