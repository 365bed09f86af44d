package vyEmulator;

import java.io.PrintStream;
import java.time.Duration;
import java.util.ArrayList;
import java.util.List;
import vySecLink.Failure;
import vySecLink.Link;
import vySecLink.Program;
import vySecLink.ServerName;
import vySecLink.Status;
import vySecLink.Words;

/**
 * The multipath tool of the emulated storage: "lanectl query device" prints
 * the device report of the volumes this host's driver sees, as the emulator
 * named by VY_EMULATOR (default 127.0.0.1:7530) tells them for the host
 * VY_HOST (default: this machine's name). Launchers read the report by
 * whitespace-separated words; a failure (70, 71) makes them fall back to
 * another way of finding the volumes.
 */
final class Lanectl {
    private static final Duration TIME_OUT = Duration.ofSeconds(3);

    private Lanectl() {
    }

    static int run(List<String> args, PrintStream out) throws Failure {
        if (!args.equals(List.of("query", "device"))) {
            throw new Failure(Status.BAD_ARGUMENT,
                    "unknown arguments \"" + String.join(" ", args) + "\"; the only command is \"query device\"");
        }
        String emulator = System.getenv("VY_EMULATOR");
        if (emulator == null || emulator.isEmpty()) {
            emulator = "127.0.0.1:" + ServerName.DEFAULT_PORT;
        }
        ServerName address = ServerName.parse(emulator);
        List<String[]> luns = luns(address, Program.hostName());
        out.println("Total Devices : " + luns.size());
        out.println();
        for (int i = 0; i < luns.size(); i++) {
            String disk = luns.get(i)[0];
            out.println("DEV#:   " + i + "  DEVICE NAME: " + disk + " Part0  TYPE: 7315E20  POLICY: OPTIMIZED");
            out.println("SERIAL: " + luns.get(i)[1]);
            out.println("============================================================================");
            out.println("Path#          Adapter/Hard Disk          State  Mode     Select     Errors");
            out.println("    0    Scsi Port5 Bus0/" + disk + " Part0     OPEN    NORMAL       3          0");
            out.println("    1    Scsi Port6 Bus0/" + disk + " Part0     OPEN    NORMAL       0          0");
            // The empty line ends the path lines.
            out.println();
        }
        out.flush();
        return 0;
    }

    private static List<String[]> luns(ServerName address, String host) throws Failure {
        Link.Reply r;
        try {
            r = new Link(address, null, TIME_OUT, TIME_OUT).get("/hosts/" + Link.segment(host) + "/luns");
        } catch (Failure f) {
            if (f.status() != Status.NO_ANSWER) {
                throw f; // an answer, but too large or not HTTP: 81 with its reason
            }
            throw new Failure(Status.NO_ANSWER, "the emulator at " + address.authority() + " does not answer");
        }
        List<String[]> luns = new ArrayList<>();
        boolean good = r.status == 200;
        for (String line : r.body.split("\n")) {
            List<String> w = Words.split(line);
            if (w.size() == 2) {
                luns.add(new String[] {w.get(0), w.get(1)});
            } else if (!w.isEmpty()) {
                good = false;
            }
        }
        if (!good) {
            throw new Failure(Status.UNEXPECTED_REPLY,
                    "unexpected reply from the emulator at " + address.authority() + ": " + r.status + " " + r.firstLine());
        }
        return luns;
    }
}
