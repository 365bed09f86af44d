package vyShellKit;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import org.junit.jupiter.api.AfterAll;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import support.ChildJava;
import support.EmulatorProcess;

/** The general client, vyshell, against an in-memory emulator with the sample state. */
class ShellTest {
    private static EmulatorProcess emulator;

    @BeforeAll
    static void start() throws IOException {
        emulator = EmulatorProcess.inMemory();
        // Two registered hosts, one of them without volumes.
        assertEquals(200, emulator.send("PUT", "/hosts/h1", "admin", "secret", "Disk2 02B12028\n").status());
        assertEquals(200, emulator.send("PUT", "/hosts/h0", "admin", "secret", "").status());
    }

    @AfterAll
    static void stop() {
        emulator.close();
    }

    /** vyshell -s EMULATOR -u admin -p secret WORDS... */
    private static void assertShell(int status, String out, String... words) throws IOException {
        List<String> args = new ArrayList<>(List.of("-s", emulator.address(), "-u", "admin", "-p", "secret"));
        args.addAll(List.of(words));
        assertBare(status, out, args.toArray(new String[0]));
    }

    private static void assertBare(int status, String out, String... args) throws IOException {
        ChildJava.Result r = ChildJava.runClass("vyShellKit.vyShellMain", args);
        assertEquals(status + "\n" + out, r.status() + "\n" + r.out(), String.join(" ", args));
    }

    @Test
    void listsAreTablesWithAlignedColumns() throws IOException {
        assertShell(0, String.join("\n",
                "TASK     STATE  PROGRESS  SOURCE    TARGET",
                "nightly  idle   0%        02B12028  03B12028",
                "weekly   idle   0%        04B12028  05B12028",
                "broken   idle   0%        04B12028  05B12028",
                "slow     idle   0%        02B12028  05B12028", ""), "list", "tasks");
        assertShell(0, String.join("\n",
                "SERIAL    NAME",
                "02B12028  payroll",
                "03B12028  payroll-copy",
                "04B12028  archive",
                "05B12028  archive-copy", ""), "list", "volumes");
        assertShell(0, String.join("\n",
                "HOST  DISK   SERIAL",
                "h0    -      -",
                "h1    Disk2  02B12028", ""), "list", "hosts");
    }

    @Test
    void showsOneTaskOrHost() throws IOException {
        assertShell(0, "task: weekly\nstate: idle\nprogress: 0%\nsource: 04B12028\ntarget: 05B12028\nseconds: 5\n"
                + "outcome: complete\n", "show", "task", "weekly");
        assertShell(0, "host: h1\nvolume: Disk2 02B12028\n", "show", "host", "h1");
        assertShell(0, "host: h0\n", "show", "host", "h0");
        assertShell(74, "vyshell: task nope is not known to the server\n", "show", "task", "nope");
        assertShell(74, "vyshell: host nope is not known to the server\n", "show", "host", "nope");
    }

    @Test
    void helpAndUnknownCommands() throws IOException {
        ChildJava.Result help = ChildJava.runClass("vyShellKit.vyShellMain");
        assertEquals(0, help.status());
        assertEquals("usage: vyshell [-s SERVER] [-u USER] [-p PASSWORD] [-a SECURITY-FILE] COMMAND",
                help.lines().get(0));
        assertEquals(help.toString(), ChildJava.runClass("vyShellKit.vyShellMain", "help").toString());

        // A command is recognised before the server is asked: no server is needed to refuse it.
        assertBare(80, "vyshell: unknown command: frob; try help\n", "frob");
        assertShell(80, "vyshell: unknown command: list things; try help\n", "list", "things");
        assertShell(80, "vyshell: unknown command: show task; try help\n", "show", "task");
        assertShell(80, "vyshell: unknown command: show task a b; try help\n", "show", "task", "a", "b");
        // Each argument is one word: "list tasks" in one argument is not the command.
        assertShell(80, "vyshell: unknown command: list tasks; try help\n", "list tasks");
    }

    @Test
    void serverAndCredentials() throws IOException {
        Path sec = Files.writeString(EmulatorProcess.scratch("shell").resolve("sec"), "operator op-pass\n");
        assertBare(0, "SERIAL    NAME\n02B12028  payroll\n03B12028  payroll-copy\n04B12028  archive\n"
                + "05B12028  archive-copy\n", "-a", sec.toString(), "-s", emulator.address(), "list", "volumes");
        assertBare(71, "vyshell: no server given (-s)\n", "-u", "admin", "-p", "secret", "list", "tasks");
        assertBare(72, "vyshell: no user name and password given\n", "-s", emulator.address(), "list", "tasks");
        assertBare(72, "vyshell: user admin is not known or the password is wrong\n", "-s", emulator.address(), "-u",
                "admin", "-p", "op-pass", "list", "tasks");
        assertBare(71, "vyshell: bad server name a:b: a port is a decimal number 1 to 65535 without leading zeros\n",
                "-s", "a:b", "-u", "admin", "-p", "secret", "list", "tasks");
    }
}
