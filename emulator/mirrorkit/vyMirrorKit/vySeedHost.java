package vyMirrorKit;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.Set;
import vySecLink.Failure;
import vySecLink.Link;
import vySecLink.Options;
import vySecLink.Program;
import vySecLink.Status;
import vySecLink.Text;
import vySecLink.Words;

/**
 * Registers the volumes this host sees:
 * vySeedHost [-v] [-u U] [-p P] [-a FILE] -s SERVER -l FILE [-d HOST], options in any order.
 * The volume file, written by the launcher, holds one "-l disk -r serial" line per volume.
 */
public final class vySeedHost {
    private static final String PROG = "vySeedHost";

    private vySeedHost() {
    }

    public static void main(String[] args) {
        Program p = new Program(PROG);
        p.exit(() -> run(p, args));
    }

    private static int run(Program p, String[] args) throws Failure {
        Options o = Options.parse(args, Set.of("-u", "-p", "-a", "-s", "-l", "-d"), Set.of("-v"), Options.Mode.ALL);
        String path = o.value("-l");
        if (path == null) {
            throw new Failure(Status.BAD_ARGUMENT, "no volume file given (-l)");
        }
        Link link = Program.link(o);
        List<String[]> volumes = readVolumeFile(path);
        if (o.flag("-v")) {
            p.say("read " + volumes.size() + " volumes from " + path);
        }
        String host = o.value("-d") != null ? o.value("-d") : Program.hostName();
        Program.login(link);

        StringBuilder body = new StringBuilder();
        for (String[] v : volumes) {
            body.append(v[0]).append(' ').append(v[1]).append('\n');
        }
        Link.Reply r = link.put("/hosts/" + Link.segment(host), body.toString());
        String[] lines = r.lines();
        if (r.status != 200 || lines.length != volumes.size()) {
            throw link.unexpected(r);
        }
        int status = Status.OK;
        int registered = 0;
        for (String line : lines) {
            // "<disk> <serial> registered" or "<disk> <serial> unknown"
            List<String> w = Words.split(line);
            if (w.size() != 3) {
                throw link.unexpected(r);
            }
            if (w.get(2).equals("registered")) {
                p.say(host + " sees " + w.get(0) + " as volume " + w.get(1));
                registered++;
            } else if (w.get(2).equals("unknown")) {
                p.say(w.get(0) + " (serial " + w.get(1) + ") is not a volume of this server");
                status = Status.UNKNOWN_VOLUME;
            } else {
                throw link.unexpected(r);
            }
        }
        p.say("host " + host + " registered with " + registered + " volumes");
        return status;
    }

    /**
     * Each line that is not blank must be exactly the words "-l disk -r
     * serial"; CR LF or LF line ends; a byte-order mark at the start is skipped.
     */
    static List<String[]> readVolumeFile(String path) throws Failure {
        String text;
        try {
            text = Text.ofFile(Files.readAllBytes(Path.of(path)));
        } catch (IOException | RuntimeException e) {
            throw new Failure(Status.BAD_VOLUME_FILE, "volume file " + path + " cannot be read");
        }
        List<String[]> volumes = new ArrayList<>();
        String[] lines = Text.lines(text);
        for (int i = 0; i < lines.length; i++) {
            List<String> w = Words.split(lines[i]);
            if (w.isEmpty()) {
                continue;
            }
            if (w.size() != 4 || !w.get(0).equals("-l") || !w.get(2).equals("-r")) {
                throw new Failure(Status.BAD_VOLUME_FILE,
                        "line " + (i + 1) + " of volume file " + path + " is not \"-l <disk> -r <serial>\"");
            }
            volumes.add(new String[] {w.get(1), w.get(3)});
        }
        return volumes;
    }
}
